#include "scripter/user_commands.h"

#include "foundation/language.h"
#include "mdo/mdo_services.h"

namespace {

// Arguments are unquoted by removing every quote character, wherever it stands.
std::string Unquoted(const TStringList& arguments, std::string_view name) {
    return RemoveChars(ArgumentValue(arguments, name), "'\"");
}

}  // namespace

void TcUserCommand::ExecuteOn(TcDBScripter_IB& scripter, const TStringList& arguments,
                              const std::string&, std::string&) {
    try {
        const std::unique_ptr<TMDOSecurityService> service = scripter.CreateSecurityService();
        Request(*service, arguments);
    } catch (const std::exception& error) {
        if (!scripter.SuppressError) throw;
        // The command leaves no message of its own: the error's text stays.
        scripter.LastMessage = error.what();
    }
}

TpsCreateUser::TpsCreateUser() {
    SetKeyword("CREATE USER");
    Syntax = {"$", "PASSWORD"};
    SyntaxText = "'<username>' PASSWORD '<password>'";
    HelpText = Lang("Creates a user with the name <username> and the password <password>.",
                    "Maakt een gebruiker met de naam <username> en het wachtwoord <password>.");
}

void TpsCreateUser::Request(TMDOSecurityService& service, const TStringList& arguments) {
    service.UserName = Unquoted(arguments, "$");
    service.SetPassword(Unquoted(arguments, "PASSWORD"));
    service.SetActive(true);
    service.AddUser();
}

TpsDropUser::TpsDropUser() {
    SetKeyword("DROP USER");
    Syntax = {"$"};
    SyntaxText = "'<username>'";
    HelpText = Lang("Removes the user with name <username>.",
                    "Verwijdert de gebruiker met de naam <username>.");
}

void TpsDropUser::Request(TMDOSecurityService& service, const TStringList& arguments) {
    service.UserName = Unquoted(arguments, "$");
    service.SetActive(true);
    service.DeleteUser();
}

TpsAlterUser::TpsAlterUser() {
    SetKeyword("ALTER USER");
    Syntax = {"$", "PASSWORD"};
    SyntaxText = "'<username>' PASSWORD '<new password>'";
    HelpText =
        Lang("Changes the password of the user <username> in <new password>.",
             "Wijzigt het wachtwoord van de gebruiker met de naam <username> in <new password>.");
}

void TpsAlterUser::Request(TMDOSecurityService& service, const TStringList& arguments) {
    service.UserName = Unquoted(arguments, "$");
    service.SetPassword(Unquoted(arguments, "PASSWORD"));
    service.SetActive(true);
    service.ModifyUser();
}
