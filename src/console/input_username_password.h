#pragma once
// TfInputUsernamePassword: the user name/password dialog that CONNECT shows
// when either is missing. Window thread only.

#include <QDialog>

class QLineEdit;

class TfInputUsernamePassword : public QDialog {
    Q_OBJECT

  public:
    explicit TfInputUsernamePassword(QWidget* parent = nullptr);

    QLineEdit* eUsername;
    QLineEdit* ePassword;

    // Shows the dialog modally over parent with both values, the password
    // field focused when a user name is present; takes both texts back
    // whichever way the dialog was closed.
    static void Ask(QWidget* parent, QString& user, QString& password);
};
