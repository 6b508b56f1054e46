#include "mdo/login_dialog.h"

TMDOLoginDialog& LoginDialog() {
    static TMDOLoginDialog dialog;
    return dialog;
}

bool ShowLoginDialog(TMDOLoginRequest& request) {
    const TMDOLoginDialog& dialog = LoginDialog();
    return dialog ? dialog(request) : false;
}
