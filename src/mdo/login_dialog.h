#pragma once
// The login question of the access layer: the database connection asks for a
// user name and password before it attaches, the service component before it
// attaches to a server's service manager. The layer shows no window itself;
// each front end installs how it asks (the window shows its dialog, the
// terminal asks without echo). With none installed every login counts as
// cancelled, so nothing ever waits for an answer that cannot come.

#include <functional>
#include <string>

struct TMDOLoginRequest {
    enum class TKind { Database, Server };
    TKind Kind = TKind::Database;
    // The database name, or the server name for a service login.
    std::string Target;
    // Shown first, and the answer on OK.
    std::string UserName;
    std::string Password;
    // The user name is shown but cannot be changed.
    bool UserNameReadOnly = false;
};

// Asks; true for OK with the answers in the request, false for cancel.
using TMDOLoginDialog = std::function<bool(TMDOLoginRequest& request)>;

// The process-wide dialog; empty: every login is cancelled. Install it on the
// main thread before components are used.
TMDOLoginDialog& LoginDialog();

// Shows the installed dialog; false (cancelled) when none is installed.
bool ShowLoginDialog(TMDOLoginRequest& request);
