#include "console/input_username_password.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

TfInputUsernamePassword::TfInputUsernamePassword(QWidget* parent)
    : QDialog(parent), eUsername(new QLineEdit(this)), ePassword(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Username/password"));
    setObjectName(QStringLiteral("TfInputUsernamePassword"));
    eUsername->setObjectName(QStringLiteral("eUsername"));
    ePassword->setObjectName(QStringLiteral("ePassword"));
    ePassword->setEchoMode(QLineEdit::Password);
    // An asterisk for each character typed, as the dialog has always shown.
    ePassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Username:"), eUsername);
    layout->addRow(QStringLiteral("Password:"), ePassword);
    layout->addRow(ok);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfInputUsernamePassword::Ask(QWidget* parent, QString& user, QString& password) {
    TfInputUsernamePassword dialog(parent);
    dialog.eUsername->setText(user);
    dialog.ePassword->setText(password);
    (user.isEmpty() ? dialog.eUsername : dialog.ePassword)->setFocus();
    dialog.exec();
    user = dialog.eUsername->text();
    password = dialog.ePassword->text();
}
