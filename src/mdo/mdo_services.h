#pragma once
// The service manager components: TMDOCustomService attaches to and detaches
// from a server's service manager, TMDOControlService sends one start
// request, TMDOControlAndQueryService adds the size of a query buffer (no
// query is sent in this program) and TMDOSecurityService turns adding,
// deleting and modifying a user into start requests.
//
// Contract: one owning thread, like every component of the layer. While a
// component holds a service handle it holds a TcClientLibraryUser. Nothing
// here ever puts a password into an error message.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "foundation/string_utils.h"
#include "mdo/client_library.h"
#include "mdo/param_blocks.h"

enum class TProtocol { TCP = 0, SPX = 1, NamedPipe = 2, Local = 3 };
enum class TSecurityAction {
    ActionAddUser = 0,
    ActionDeleteUser = 1,
    ActionModifyUser = 2,
    ActionDisplayUser = 3
};

class TMDOCustomService {
  public:
    // Loads the client library (client error 1 when none can be loaded).
    TMDOCustomService();
    // Detaches when attached.
    virtual ~TMDOCustomService();
    TMDOCustomService(const TMDOCustomService&) = delete;
    TMDOCustomService& operator=(const TMDOCustomService&) = delete;

    std::function<void(TMDOCustomService&)> OnAttach;
    // Replaces the login dialog: edits a copy of Params, which then replaces them.
    std::function<void(TMDOCustomService&, TStringList& params)> OnLogin;
    // Ask for a login (unless Params hold a user name and a password).
    bool LoginPrompt = true;

    bool Active() const { return handle_ != 0; }
    // true attaches, false detaches; the current state does nothing.
    void SetActive(bool active);

    const TStringList& Params() const { return params_; }
    // Client error 91 while attached.
    void SetParams(const TStringList& params);
    TProtocol Protocol() const { return protocol_; }
    // Client error 91 while attached; Local empties ServerName.
    void SetProtocol(TProtocol protocol);
    const std::string& ServerName() const { return serverName_; }
    // Client error 91 while attached.
    void SetServerName(const std::string& name);
    // The name the attach goes to: ServerName with the protocol's suffix.
    std::string ServiceName() const;

    // Client errors 91 (attached), 92 (no server name), 10 (login
    // cancelled); a refused attach raises the server's error.
    void Attach();
    // Client error 90 when not attached; the handle is gone afterwards
    // whatever the server answered.
    void Detach();

    isc_svc_handle Handle() const { return handle_; }
    // The block of the last attach, rebuilt only after Params changed.
    const TMDOParamBlock& ServiceParams() const { return serviceParams_; }

  protected:
    // Client error 90 when not attached.
    void CheckActive() const;
    void CheckInactive() const;
    // Raises the server error in the thread's status vector after the
    // service's connection was let go: the client closes it, the component
    // counts as detached.
    [[noreturn]] void DropHandleAndRaise();

  private:
    bool Login();
    isc_svc_handle handle_ = 0;
    TStringList params_;
    bool paramsChanged_ = true;
    TMDOParamBlock serviceParams_;
    TProtocol protocol_ = TProtocol::Local;
    std::string serverName_;
    std::unique_ptr<TcClientLibraryUser> libraryUser_;
};

class TMDOControlService : public TMDOCustomService {
  public:
    // Sends StartParams as filled by SetServiceStartOptions, then empties
    // them. Client error 90 when not attached, 94 without a request; a
    // refused request raises the server's error and detaches.
    void ServiceStart();

    // The body of the next start request.
    std::string StartParams;

  protected:
    // Fills StartParams; nothing here.
    virtual void SetServiceStartOptions() {}
};

class TMDOControlAndQueryService : public TMDOControlService {
  public:
    // Size of the output buffer of service queries.
    int32_t BufferSize = 32000;

  protected:
    // The action code of the last start request.
    int action_ = 0;
};

class TMDOSecurityService : public TMDOControlAndQueryService {
  public:
    // Which user fields were assigned since the last request.
    enum TModifiedField : unsigned {
        FirstNameField = 1,
        MiddleNameField = 2,
        LastNameField = 4,
        UserIDField = 8,
        GroupIDField = 16,
        PasswordField = 32
    };

    std::string UserName;
    std::string SQlRole;

    const std::string& FirstName() const { return firstName_; }
    void SetFirstName(const std::string& value);
    const std::string& MiddleName() const { return middleName_; }
    void SetMiddleName(const std::string& value);
    const std::string& LastName() const { return lastName_; }
    void SetLastName(const std::string& value);
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& value);
    int32_t UserID() const { return userID_; }
    void SetUserID(int32_t value);
    int32_t GroupID() const { return groupID_; }
    void SetGroupID(int32_t value);
    unsigned ModifiedFields() const { return modifiedFields_; }

    TSecurityAction SecurityAction() const { return securityAction_; }
    // Deleting also clears the user fields.
    void SetSecurityAction(TSecurityAction action);

    void AddUser();
    void DeleteUser();
    void ModifyUser();
    // Empties the marks, the names, the password and the ids; UserName and
    // SQlRole stay.
    void ClearUserFields();

  protected:
    // The request of SecurityAction; client error 94 for a missing user
    // name (or, to add, one with a blank). The user fields are cleared
    // afterwards in every case.
    void SetServiceStartOptions() override;

  private:
    void FillStartParams();
    std::string firstName_, middleName_, lastName_, password_;
    int32_t userID_ = 0, groupID_ = 0;
    unsigned modifiedFields_ = 0;
    TSecurityAction securityAction_ = TSecurityAction::ActionAddUser;
};
