// The service components: names by protocol, the requests a security service
// builds, the client errors 88 to 94, and user administration against the
// private server.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "component_fixture.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_services.h"
#include "mdo/status_vector.h"
#include "support/expect_error.h"
#include "support/firebird_server.h"

namespace {

// Builds the request of the current action without sending it.
class TcRequestProbe : public TMDOSecurityService {
  public:
    std::string Build() {
        SetServiceStartOptions();
        std::string request;
        request.swap(StartParams);
        return request;
    }
};

std::string Text(char code, const std::string& value) {
    return std::string{code, static_cast<char>(value.size()), 0} + value;
}

std::string Integer(char code, int32_t value) {
    std::string item(1, code);
    for (int shift = 0; shift < 32; shift += 8)
        item += static_cast<char>(static_cast<uint32_t>(value) >> shift);
    return item;
}

TEST(ServiceNames, FollowTheProtocol) {
    TMDOCustomService service;
    EXPECT_EQ(service.Protocol(), TProtocol::Local);
    EXPECT_EQ(service.ServiceName(), "service_mgr");
    const struct {
        TProtocol protocol;
        const char* name;
    } cases[] = {
        {TProtocol::TCP, "srv:service_mgr"},
        {TProtocol::SPX, "srv@service_mgr"},
        {TProtocol::NamedPipe, "\\\\srv\\service_mgr"},
        {TProtocol::Local, "service_mgr"},
    };
    for (const auto& c : cases) {
        service.SetServerName("srv");
        service.SetProtocol(c.protocol);
        EXPECT_EQ(service.ServiceName(), c.name);
    }
    EXPECT_EQ(service.ServerName(), "") << "Local empties the server name";
}

TEST(ServiceClientErrors, RefusedBeforeAnythingIsSent) {
    TMDOSecurityService service;
    EXPECT_RAISES(EMDOClientError, service.Detach(),
                  "Cannot perform operation -- service is not attached");
    EXPECT_RAISES(EMDOClientError, service.ServiceStart(),
                  "Cannot perform operation -- service is not attached");
    service.SetProtocol(TProtocol::TCP);
    EXPECT_RAISES(EMDOClientError, service.SetActive(true), "Server Name Missing");
    service.SetProtocol(TProtocol::Local);
    // Neither a dialog nor an answer: the login is cancelled.
    TcScopedLoginDialog none{TMDOLoginDialog()};
    service.SetParams({"user_name=SYSDBA"});
    EXPECT_RAISES(EMDOClientError, service.SetActive(true),
                  "Operation cancelled at user's request");
    service.LoginPrompt = false;
    service.SetParams({"sql_role_name=R"});
    EXPECT_RAISES(EMDOClientError, service.SetActive(true), "SPB Constant Not supported");
    service.SetParams({"foo=1"});
    EXPECT_RAISES(EMDOClientError, service.SetActive(true), "SPB Constant Unknown");
    EXPECT_FALSE(service.Active());
}

TEST(SecurityRequests, CarryTheActionAndTheAssignedFields) {
    TcRequestProbe probe;
    probe.UserName = "BOB";
    probe.SQlRole = "ADMIN";
    probe.SetPassword("pw");
    probe.SetFirstName("Bo");
    probe.SetLastName("B");
    probe.SetSecurityAction(TSecurityAction::ActionAddUser);
    EXPECT_EQ(probe.Build(), std::string{isc_action_svc_add_user} + Text(60, "ADMIN") +
                                 Text(7, "BOB") + Integer(5, 0) + Integer(6, 0) + Text(8, "pw") +
                                 Text(10, "Bo") + Text(12, "B"))
        << "an add always sends both ids; empty texts are left out";
    EXPECT_EQ(probe.ModifiedFields(), 0u);
    EXPECT_EQ(probe.Password(), "") << "the password serves one request only";
    EXPECT_EQ(probe.UserName, "BOB");

    probe.SQlRole.clear();
    probe.SetPassword("new");
    probe.SetSecurityAction(TSecurityAction::ActionModifyUser);
    EXPECT_EQ(probe.Build(),
              std::string{isc_action_svc_modify_user} + Text(7, "BOB") + Text(8, "new"))
        << "only the password was assigned";
    EXPECT_EQ(probe.Build(), std::string{isc_action_svc_modify_user} + Text(7, "BOB"))
        << "a second modify without assignments sends the user name alone";

    probe.SetGroupID(7);
    probe.SetUserID(-1);
    probe.SetMiddleName("M");
    EXPECT_EQ(probe.ModifiedFields(),
              unsigned{TMDOSecurityService::GroupIDField | TMDOSecurityService::UserIDField |
                       TMDOSecurityService::MiddleNameField});
    EXPECT_EQ(probe.Build(), std::string{isc_action_svc_modify_user} + Text(7, "BOB") +
                                 Integer(5, -1) + Integer(6, 7) + Text(11, "M"));

    probe.SetPassword("gone");
    probe.SetSecurityAction(TSecurityAction::ActionDeleteUser);
    EXPECT_EQ(probe.ModifiedFields(), 0u) << "choosing delete clears the user fields";
    EXPECT_EQ(probe.Build(), std::string{isc_action_svc_delete_user} + Text(7, "BOB"));

    probe.SetSecurityAction(TSecurityAction::ActionDisplayUser);
    EXPECT_EQ(probe.Build(), "");
}

TEST(SecurityRequests, RefuseAMissingOrBlankUserName) {
    const struct {
        const char* name;
        TSecurityAction action;
        const char* user;
    } cases[] = {
        {"add without a name", TSecurityAction::ActionAddUser, ""},
        {"add with a blank", TSecurityAction::ActionAddUser, "new user"},
        {"delete without a name", TSecurityAction::ActionDeleteUser, ""},
        {"modify without a name", TSecurityAction::ActionModifyUser, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcRequestProbe probe;
        probe.UserName = c.user;
        probe.SetPassword("secret");
        probe.SetSecurityAction(c.action);
        EXPECT_RAISES(EMDOClientError, probe.Build(), "Start Parameters missing or incorrect");
        EXPECT_EQ(probe.Password(), "") << "cleared also when refused";
    }
    TcRequestProbe deleting;
    deleting.UserName = "a b";
    deleting.SetSecurityAction(TSecurityAction::ActionDeleteUser);
    EXPECT_EQ(deleting.Build(), std::string{isc_action_svc_delete_user} + Text(7, "a b"))
        << "only an add refuses a blank";
}

// ---------------------------------------------------------------------------
// Against the private server

// The sockets this process holds open.
int OpenSockets() {
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target.string().rfind("socket:", 0) == 0) ++sockets;
    }
    return sockets;
}

class SecurityService : public FirebirdServerTest {
  protected:
    std::unique_ptr<TMDOSecurityService> Service(const std::string& password) {
        auto service = std::make_unique<TMDOSecurityService>();
        service->SetServerName("localhost/" + std::to_string(Server().Port()));
        service->SetProtocol(TProtocol::TCP);
        service->SetParams({"isc_spb_user_name=SYSDBA", "password=" + password});
        service->LoginPrompt = false;
        return service;
    }
    // Whether `user` logs in with `password` on the server's security database.
    bool LogsIn(const std::string& user, const std::string& password) {
        try {
            isc_db_handle handle =
                Attach(Server().ConnectName(dir.File("login.fdb")), UserParams(user, password));
            Detach(handle);
            return true;
        } catch (const EMDOFirebirdError& e) {
            EXPECT_EQ(e.ErrorCode, isc_login) << e.Message();
            return false;
        }
    }
    void SetUp() override {
        FirebirdServerTest::SetUp();
        CreateDatabaseFile(Server().ConnectName(dir.File("login.fdb")), 3,
                           "PASSWORD '" + Server().SysdbaPassword() + "'");
    }
    TcTempDir dir;
};

TEST_F(SecurityService, AddModifyAndDeleteAUser) {
    auto service = Service(Server().SysdbaPassword());
    int attached = 0;
    service->OnAttach = [&](TMDOCustomService&) { ++attached; };
    service->SetActive(true);
    EXPECT_EQ(attached, 1);
    EXPECT_EQ(service->ServiceParams().size(), 2u + 8u + 2u + Server().SysdbaPassword().size());
    EXPECT_RAISES(EMDOClientError, service->SetServerName("other"),
                  "Cannot perform operation -- service is attached");
    EXPECT_RAISES(EMDOClientError, service->SetParams({}),
                  "Cannot perform operation -- service is attached");

    service->UserName = "TESSEL_ALICE";
    service->SetPassword("first");
    service->AddUser();
    EXPECT_TRUE(LogsIn("TESSEL_ALICE", "first"));

    service->SetPassword("second");
    service->ModifyUser();
    EXPECT_TRUE(LogsIn("TESSEL_ALICE", "second"));
    EXPECT_FALSE(LogsIn("TESSEL_ALICE", "first"));

    service->DeleteUser();
    EXPECT_FALSE(LogsIn("TESSEL_ALICE", "second"));
    EXPECT_TRUE(service->Active());
    service->SetActive(false);
    EXPECT_FALSE(service->Active());
    EXPECT_EQ(ClientLibraryUserCount(), 0);
}

TEST_F(SecurityService, RefusedRequestDetachesWithTheServersReason) {
    auto service = Service(Server().SysdbaPassword());
    const int socketsBefore = OpenSockets();
    service->SetActive(true);
    ASSERT_EQ(OpenSockets(), socketsBefore + 1);
    service->UserName = "TESSEL_NOBODY";
    const auto error = CaughtError<EMDOFirebirdError>([&] { service->DeleteUser(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Message(), "The user name specified was not found in the security database");
    EXPECT_FALSE(service->Active()) << "a failed start forgets the service";
    EXPECT_EQ(OpenSockets(), socketsBefore) << "and closes its connection";
    EXPECT_EQ(ClientLibraryUserCount(), 0);
    EXPECT_TRUE(service->StartParams.empty());

    // A name with a blank is refused before anything is sent: still attached.
    service->SetActive(true);
    service->UserName = "new user";
    EXPECT_RAISES(EMDOClientError, service->AddUser(), "Start Parameters missing or incorrect");
    EXPECT_TRUE(service->Active());
}

TEST_F(SecurityService, WrongLoginIsTheServersRefusal) {
    auto service = Service("wrong");
    const auto error = CaughtError<EMDOFirebirdError>([&] { service->SetActive(true); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->ErrorCode, isc_login);
    EXPECT_EQ(error->Message().find("wrong"), std::string::npos) << "no password in the message";
    EXPECT_FALSE(service->Active());
}

TEST_F(SecurityService, LoginDialogCompletesAMissingPassword) {
    std::vector<TMDOLoginRequest> shown;
    TcScopedLoginDialog dialog([&](TMDOLoginRequest& request) {
        shown.push_back(request);
        request.Password = Server().SysdbaPassword();
        return true;
    });
    auto service = Service("");
    service->LoginPrompt = true;
    service->SetActive(true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Kind, TMDOLoginRequest::TKind::Server);
    EXPECT_EQ(shown[0].Target, service->ServerName());
    EXPECT_EQ(shown[0].UserName, "SYSDBA");
    EXPECT_EQ(service->Params(),
              (TStringList{"user_name=SYSDBA", "password=" + Server().SysdbaPassword()}))
        << "the lines replaced where they were";
}

}  // namespace
