#include "mdo/mdo_services.h"

#include <algorithm>

#include "foundation/scoped_value.h"
#include "mdo/login_dialog.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"

// ---------------------------------------------------------------------------
// TMDOCustomService

TMDOCustomService::TMDOCustomService() {
    CheckClientLibraryLoaded();
}

TMDOCustomService::~TMDOCustomService() {
    if (!Active()) return;
    try {
        Detach();
    } catch (const std::exception&) {
        // A destructor cannot report a refused detach; the handle is let go
        // either way.
    }
}

void TMDOCustomService::SetActive(bool active) {
    if (active == Active()) return;
    if (active)
        Attach();
    else
        Detach();
}

void TMDOCustomService::SetParams(const TStringList& params) {
    CheckInactive();
    params_ = params;
    paramsChanged_ = true;
}

void TMDOCustomService::SetProtocol(TProtocol protocol) {
    CheckInactive();
    protocol_ = protocol;
    if (protocol == TProtocol::Local) serverName_.clear();
}

void TMDOCustomService::SetServerName(const std::string& name) {
    CheckInactive();
    serverName_ = name;
}

std::string TMDOCustomService::ServiceName() const {
    switch (protocol_) {
        case TProtocol::TCP:
            return serverName_ + ":service_mgr";
        case TProtocol::SPX:
            return serverName_ + "@service_mgr";
        case TProtocol::NamedPipe:
            return "\\\\" + serverName_ + "\\service_mgr";
        case TProtocol::Local:
            break;
    }
    return "service_mgr";
}

void TMDOCustomService::CheckActive() const {
    if (handle_ == 0) RaiseClientError(90);
}

void TMDOCustomService::CheckInactive() const {
    if (handle_ != 0) RaiseClientError(91);
}

bool TMDOCustomService::Login() {
    if (OnLogin) {
        TStringList params = params_;
        OnLogin(*this, params);
        SetParams(params);
        return true;
    }
    const int userLine = IndexOfParam(params_, "user_name");
    const int passwordLine = IndexOfParam(params_, "password");
    TMDOLoginRequest request;
    request.Kind = TMDOLoginRequest::TKind::Server;
    request.Target = serverName_;
    if (userLine >= 0) request.UserName = ParamValue(params_[static_cast<size_t>(userLine)]);
    if (passwordLine >= 0)
        request.Password = ParamValue(params_[static_cast<size_t>(passwordLine)]);
    if (!request.UserName.empty() && !request.Password.empty()) return true;
    if (!ShowLoginDialog(request)) return false;
    TStringList params = params_;
    const auto put = [&params](int line, const std::string& entry) {
        if (line >= 0)
            params[static_cast<size_t>(line)] = entry;
        else
            params.push_back(entry);
    };
    put(userLine, "user_name=" + request.UserName);
    put(passwordLine, "password=" + request.Password);
    SetParams(params);
    return true;
}

void TMDOCustomService::Attach() {
    CheckInactive();
    if (serverName_.empty() && protocol_ != TProtocol::Local) RaiseClientError(92);
    if (LoginPrompt && !Login()) RaiseClientError(10);
    if (paramsChanged_) {
        serviceParams_ = BuildServiceParams(params_);
        // Only a block that was built is current (see TMDODatabase::Attach).
        paramsChanged_ = false;
    }
    const std::string name = ServiceName();
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    if (ClientApi.isc_service_attach(
            ThreadStatusVector(), static_cast<unsigned short>(name.size()), name.c_str(), &handle_,
            static_cast<unsigned short>(serviceParams_.size()), serviceParams_.data()) != 0) {
        handle_ = 0;
        libraryUser_.reset();
        RaiseDatabaseError();
    }
    if (OnAttach) OnAttach(*this);
}

void TMDOCustomService::Detach() {
    CheckActive();
    const ISC_STATUS result = ClientApi.isc_service_detach(ThreadStatusVector(), &handle_);
    handle_ = 0;
    libraryUser_.reset();
    if (result != 0) RaiseDatabaseError();
}

void TMDOCustomService::DropHandleAndRaise() {
    ISC_STATUS_ARRAY error;
    std::copy_n(ThreadStatusVector(), ISC_STATUS_LENGTH, error);
    // The connection to the service manager is closed, not only forgotten:
    // the client would otherwise keep it open for the rest of the process.
    ISC_STATUS_ARRAY scratch = {};
    ClientApi.isc_service_detach(scratch, &handle_);
    handle_ = 0;
    libraryUser_.reset();
    RaiseDatabaseError(error);
}

// ---------------------------------------------------------------------------
// TMDOControlService

void TMDOControlService::ServiceStart() {
    CheckActive();
    SetServiceStartOptions();
    if (StartParams.empty()) RaiseClientError(94);
    // Emptied whatever the outcome: one request per start.
    std::string request;
    request.swap(StartParams);
    isc_svc_handle handle = Handle();
    if (ClientApi.isc_service_start(ThreadStatusVector(), &handle, nullptr,
                                    static_cast<unsigned short>(request.size()),
                                    request.data()) != 0)
        DropHandleAndRaise();
}

// ---------------------------------------------------------------------------
// TMDOSecurityService

void TMDOSecurityService::SetFirstName(const std::string& value) {
    firstName_ = value;
    modifiedFields_ |= FirstNameField;
}

void TMDOSecurityService::SetMiddleName(const std::string& value) {
    middleName_ = value;
    modifiedFields_ |= MiddleNameField;
}

void TMDOSecurityService::SetLastName(const std::string& value) {
    lastName_ = value;
    modifiedFields_ |= LastNameField;
}

void TMDOSecurityService::SetPassword(const std::string& value) {
    password_ = value;
    modifiedFields_ |= PasswordField;
}

void TMDOSecurityService::SetUserID(int32_t value) {
    userID_ = value;
    modifiedFields_ |= UserIDField;
}

void TMDOSecurityService::SetGroupID(int32_t value) {
    groupID_ = value;
    modifiedFields_ |= GroupIDField;
}

void TMDOSecurityService::SetSecurityAction(TSecurityAction action) {
    securityAction_ = action;
    if (action == TSecurityAction::ActionDeleteUser) ClearUserFields();
}

void TMDOSecurityService::ClearUserFields() {
    modifiedFields_ = 0;
    firstName_.clear();
    middleName_.clear();
    lastName_.clear();
    password_.clear();
    userID_ = 0;
    groupID_ = 0;
}

void TMDOSecurityService::AddUser() {
    SetSecurityAction(TSecurityAction::ActionAddUser);
    ServiceStart();
}

void TMDOSecurityService::DeleteUser() {
    SetSecurityAction(TSecurityAction::ActionDeleteUser);
    ServiceStart();
}

void TMDOSecurityService::ModifyUser() {
    SetSecurityAction(TSecurityAction::ActionModifyUser);
    ServiceStart();
}

void TMDOSecurityService::SetServiceStartOptions() {
    // The password and the name parts serve one request only.
    TcScopeExit clear([this] { ClearUserFields(); });
    FillStartParams();
}

void TMDOSecurityService::FillStartParams() {
    char action = 0;
    switch (securityAction_) {
        case TSecurityAction::ActionAddUser:
            if (UserName.empty() || UserName.find(' ') != std::string::npos) RaiseClientError(94);
            action = isc_action_svc_add_user;
            break;
        case TSecurityAction::ActionDeleteUser:
            if (UserName.empty()) RaiseClientError(94);
            action = isc_action_svc_delete_user;
            break;
        case TSecurityAction::ActionModifyUser:
            if (UserName.empty()) RaiseClientError(94);
            action = isc_action_svc_modify_user;
            break;
        case TSecurityAction::ActionDisplayUser:
            return;
    }
    const bool add = securityAction_ == TSecurityAction::ActionAddUser;
    const bool modify = securityAction_ == TSecurityAction::ActionModifyUser;
    // On a modify only the assigned fields go; an add sends both ids always.
    const auto sends = [&](unsigned field) { return add || (modify && (modifiedFields_ & field)); };
    TcServiceRequest request(action);
    request.AddStartString(isc_spb_sql_role_name, SQlRole, "role name");
    request.AddStartString(isc_spb_sec_username, UserName, "user name");
    if (sends(UserIDField)) request.AddStartInteger(isc_spb_sec_userid, userID_);
    if (sends(GroupIDField)) request.AddStartInteger(isc_spb_sec_groupid, groupID_);
    if (sends(PasswordField)) request.AddStartString(isc_spb_sec_password, password_, "password");
    if (sends(FirstNameField))
        request.AddStartString(isc_spb_sec_firstname, firstName_, "first name");
    if (sends(MiddleNameField))
        request.AddStartString(isc_spb_sec_middlename, middleName_, "middle name");
    if (sends(LastNameField)) request.AddStartString(isc_spb_sec_lastname, lastName_, "last name");
    action_ = action;
    StartParams = request.Bytes();
}
