#include "console/window_commands.h"

#include "console/settings_file.h"
#include "console/vardel.h"
#include "foundation/errors.h"
#include "foundation/language.h"
#include "foundation/string_utils.h"

TPSSetColorScheme::TPSSetColorScheme(TfVardel& window) : TcWindowCommand(window) {
    SetKeyword("SET COLOR_SCHEME");
    Syntax = {"|DEFAULT|CLASSIC"};
    SyntaxText = "<DEFAULT|CLASSIC>";
    HelpText = Lang("Sets the color scheme.", "Zet het kleuren schema.");
}

void TPSSetColorScheme::Execute(TcDBBaseScripter&, const TStringList& arguments, const std::string&,
                                std::string&) {
    const bool classic = !SameText(FirstArgumentValue(arguments), "DEFAULT");
    bool written = false;
    Window.OnWindowThread([&] { written = Window.ApplyColorScheme(classic); });
    // The colours changed, but the choice will not survive a restart.
    if (!written) RaiseUser(SettingsWriteError());
}

TPSSetStoreConnect::TPSSetStoreConnect(TfVardel& window) : TcWindowCommand(window) {
    SetKeyword("SET STORE_CONNECT");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang(
        "Set STORE_CONNECT to ON if you want Tessel to remember the last connect command. "
        "\r\nThe command will be displayed when Tessel is restarted.",
        "Zet STORE_CONNECT op ON als het laatste connect commando onthouden \r\nmoet worden. "
        "Het commando wordt afgebeeld wanneer Tessel opnieuw gestart \r\nwordt.");
}

void TPSSetStoreConnect::Execute(TcDBBaseScripter&, const TStringList& arguments,
                                 const std::string&, std::string&) {
    const bool on = SameText(FirstArgumentValue(arguments), "ON");
    bool written = false;
    Window.OnWindowThread([&] {
        Window.StoreConnect = on;
        TcSettingsFile settings;
        if (on)
            written = settings.WriteBool(QStringLiteral("Store_Connect"), true);
        else
            written = settings.DeleteKey(QStringLiteral("Store_Connect")) &&
                      settings.DeleteKey(QStringLiteral("LastConnectString"));
    });
    if (!written) RaiseUser(SettingsWriteError());
}

TPSSetDisplay::TPSSetDisplay(TfVardel& window) : TcWindowCommand(window) {
    SetKeyword("SET DISPLAY");
    Syntax = {"|ON|OFF"};
    SyntaxText = "<ON|OFF>";
    HelpText = Lang("Set DISPLAY off to disable the output to the output screen.",
                    "Zet DISPLAY uit om geen uitvoer zichtbaar te maken.");
}

void TPSSetDisplay::Execute(TcDBBaseScripter&, const TStringList& arguments, const std::string&,
                            std::string&) {
    // Read by the engine's handlers on this thread; no widget changes.
    Window.DisplayOff = SameText(FirstArgumentValue(arguments), "OFF");
}

void RegisterWindowCommands(TcPreparsedStatements& commands, TfVardel& window) {
    commands.Add(new TPSSetColorScheme(window));
    commands.Add(new TPSSetStoreConnect(window));
    commands.Add(new TPSSetDisplay(window));
}
