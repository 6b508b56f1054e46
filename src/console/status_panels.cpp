#include "console/status_panels.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

TcStatusPanels::TcStatusPanels(QStatusBar& bar)
    : bar_(bar),
      caret_(Add(50, 0)),
      transaction_(Add(22, 1)),
      user_(Add(100, 2)),
      database_(Add(200, 3)) {
    for (const TPanel panel : {Caret, Transaction, User, Database}) SetText(panel, QString());
    database_->setMinimumWidth(200);
    database_->setMaximumWidth(QWIDGETSIZE_MAX);
    bar_.setSizeGripEnabled(true);
}

QLabel* TcStatusPanels::Add(int width, int index) {
    auto* label = new QLabel(&bar_);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedWidth(width);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar_.insertWidget(index, label);
    return label;
}

namespace {

QString Description(TcStatusPanels::TPanel panel) {
    switch (panel) {
        case TcStatusPanels::Caret:
            return QStringLiteral("Caret position in the editor (line: column)");
        case TcStatusPanels::Library:
            return QStringLiteral("Client library");
        case TcStatusPanels::Transaction:
            return QStringLiteral("Transaction (TA: a transaction is active)");
        case TcStatusPanels::User:
            return QStringLiteral("Connected user");
        case TcStatusPanels::Database:
            return QStringLiteral("Connected database");
    }
    return {};
}

}  // namespace

QLabel* TcStatusPanels::Label(TPanel panel) const {
    switch (panel) {
        case Caret:
            return caret_;
        case Library:
            return library_;
        case Transaction:
            return transaction_;
        case User:
            return user_;
        case Database:
            return database_;
    }
    return nullptr;
}

void TcStatusPanels::SetText(TPanel panel, const QString& text) {
    if (panel == Library && library_ == nullptr)
        library_ = Add(
            QFontMetrics(bar_.font()).horizontalAdvance(QStringLiteral("RANDOMDLL.DLL")) + 8, 1);
    QLabel* label = Label(panel);
    label->setText(text);
    label->setToolTip(text.isEmpty() ? Description(panel)
                                     : QStringLiteral("%1: %2").arg(Description(panel), text));
}

QString TcStatusPanels::Text(TPanel panel) const {
    const QLabel* label = Label(panel);
    return label ? label->text() : QString();
}

QString TcStatusPanels::ToolTip(TPanel panel) const {
    const QLabel* label = Label(panel);
    return label ? label->toolTip() : QString();
}

void TcStatusPanels::SetColors(const QString& styleSheet) {
    bar_.setStyleSheet(styleSheet);
}
