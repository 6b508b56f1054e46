// Turning a failed isc call into an exception: the message assembly with a
// stand-in client whose texts are known, then real errors of the embedded
// engine (a missing file, a missing privilege) and per-thread error state.

#include <gtest/gtest.h>

#include <barrier>
#include <thread>
#include <vector>

#include "embedded_database.h"
#include "mdo/mdo_errors.h"
#include "mdo/status_vector.h"
#include "support/expect_error.h"

namespace {

// With the stand-in client, every string cluster is one interpreted text and
// the number cluster is the SQL code (see fake_client_library.c).
class DatabaseErrorAssembly : public ::testing::Test {
  protected:
    TcScopedClientLibrary FClient{FAKE_CLIENT_V5};

    static void SetStatus(ISC_STATUS code, ISC_STATUS sqlCode,
                          const std::vector<const char*>& texts) {
        ISC_STATUS* status = ThreadStatusVector();
        size_t i = 0;
        status[i++] = isc_arg_gds;
        status[i++] = code;
        for (const char* text : texts) {
            status[i++] = isc_arg_string;
            status[i++] = reinterpret_cast<ISC_STATUS>(text);
        }
        status[i++] = isc_arg_number;
        status[i++] = sqlCode;
        status[i] = isc_arg_end;
    }
};

struct AssemblyCase {
    const char* name;
    std::vector<const char*> texts;
    const char* expected;
};

TEST_F(DatabaseErrorAssembly, TextsAreJoinedByLineBreaksWithoutAFinalFullStop) {
    const AssemblyCase cases[] = {
        {"three texts", {"first", "second", "third."}, "first\r\nsecond\r\nthird"},
        {"a text ending in a line feed gets no extra break",
         {"first\n", "second"},
         "first\nsecond"},
        {"only the last full stop goes", {"one.", "two.."}, "one.\r\ntwo."},
        {"single text", {"Error."}, "Error"},
        {"no text", {}, ""},
    };
    for (const AssemblyCase& c : cases) {
        SetStatus(335544321, -902, c.texts);
        const auto e = CaughtError<EMDOFirebirdError>([] { RaiseDatabaseError(); });
        ASSERT_TRUE(e) << c.name;
        EXPECT_EQ(e->Message(), c.expected) << c.name;
        EXPECT_EQ(e->ErrorCode, 335544321) << c.name;
        EXPECT_EQ(e->SQLCode, -902) << c.name;
    }
}

TEST_F(DatabaseErrorAssembly, SQLCodeMinus551IsAPermissionError) {
    SetStatus(335544352, -551, {"no permission"});
    const auto e = CaughtError<EMDOFirebirdPermissionError>([] { RaiseDatabaseError(); });
    ASSERT_TRUE(e) << "wrong class for SQL code -551";
    EXPECT_EQ(e->ErrorCode, 335544352);
    EXPECT_EQ(e->SQLCode, -551);
}

TEST_F(DatabaseErrorAssembly, ACallersOwnVectorIsReadInsteadOfTheThreads) {
    SetStatus(1, -1, {"thread's"});
    const char* text = "caller's.";
    const ISC_STATUS own[] = {
        isc_arg_gds,    2,  isc_arg_string, reinterpret_cast<ISC_STATUS>(text),
        isc_arg_number, -3, isc_arg_end};
    const auto e = CaughtError<EMDOFirebirdError>([&] { RaiseDatabaseError(own); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message(), "caller's");
    EXPECT_EQ(e->ErrorCode, 2);
    EXPECT_EQ(e->SQLCode, -3);
}

// Real errors from the embedded engine.
class EmbeddedErrors : public ::testing::Test {
  protected:
    TcScopedClientLibrary FClient{ClientLibraryFileNames(clFBClient)};
    TcTempDir FDir;
};

TEST_F(EmbeddedErrors, MissingDatabaseFileGivesTheServersLines) {
    const std::string path = FDir.File("missing.fdb");
    try {
        Attach(path, UserParams("SYSDBA"));
        FAIL() << "attached a file that does not exist";
    } catch (const EMDOFirebirdError& e) {
        EXPECT_EQ(e.Message(), "I/O error during \"open\" operation for file \"" + path +
                                   "\"\r\nError while trying to open file\r\nNo such file or "
                                   "directory");
        EXPECT_EQ(e.ErrorCode, isc_io_error);
        EXPECT_EQ(e.SQLCode, -902);
    }
    EXPECT_TRUE(CheckStatusVector({isc_io_error}));
    EXPECT_FALSE(CheckStatusVector({isc_lost_db_connection}));
}

TEST_F(EmbeddedErrors, SyntaxErrorLinesEndWithoutFullStop) {
    TcEmbeddedDatabase database;
    const auto e = CaughtError<EMDOFirebirdError>(
        [&] { ExecuteInTransaction(database.Handle(), "create tabel t (a integer)"); });
    ASSERT_TRUE(e) << "a misspelt statement ran";
    EXPECT_EQ(e->Message(),
              "Dynamic SQL Error\r\nSQL error code = -104\r\nToken unknown - line 1, column "
              "8\r\ntabel");
    EXPECT_EQ(e->ErrorCode, isc_dsql_error);
    EXPECT_EQ(e->SQLCode, -104);
}

// The embedded engine checks no password but does check SQL privileges, so a
// user without grants meets SQL code -551.
TEST_F(EmbeddedErrors, MissingPrivilegeIsAPermissionError) {
    TcEmbeddedDatabase database;
    ExecuteInTransaction(database.Handle(), "create table secrets (a integer)");
    isc_db_handle other = Attach(database.Path(), UserParams("NOBODY"));
    const auto e = CaughtError<EMDOFirebirdPermissionError>(
        [&] { ExecuteInTransaction(other, "delete from secrets"); });
    if (e) {
        EXPECT_EQ(e->SQLCode, -551);
        EXPECT_EQ(e->ErrorCode, isc_no_priv);
        EXPECT_NE(e->Message().find("no permission for DELETE access to TABLE SECRETS"),
                  std::string::npos)
            << e->Message();
    }
    Detach(other);
}

// Two threads fail at the same time; each must raise its own error, which a
// process-wide vector would mix up.
TEST_F(EmbeddedErrors, EachThreadRaisesItsOwnError) {
    std::barrier bothFailed(2);
    std::string messages[2];
    auto fail = [&](int index) {
        const std::string path = FDir.File("missing" + std::to_string(index) + ".fdb");
        isc_db_handle handle = 0;
        const std::string params = UserParams("SYSDBA");
        ClientApi.isc_attach_database(ThreadStatusVector(), 0, path.c_str(), &handle,
                                      static_cast<short>(params.size()), params.data());
        bothFailed.arrive_and_wait();
        try {
            RaiseDatabaseError();
        } catch (const EMDOError& e) {
            messages[index] = e.Message();
        }
    };
    std::thread first(fail, 0);
    std::thread second(fail, 1);
    first.join();
    second.join();
    EXPECT_NE(messages[0].find("missing0.fdb"), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("missing1.fdb"), std::string::npos) << messages[1];
}

}  // namespace
