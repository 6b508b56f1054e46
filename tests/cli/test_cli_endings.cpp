// How a tessel-cli run ends when it cannot end in order: a server that no
// longer answers, input that never comes, a CONNECT that is refused after it
// closed the connection before it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "cli_child.h"
#include "foundation/language.h"
#include "foundation/temp_dir.h"
#include "scripter/scripter_ib.h"
#include "support/firebird_server.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Whether the child's main thread blocks SIGINT and SIGTERM: from then on
// its signal watcher takes them, and a signal no longer kills it outright.
bool WatchesSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigBlk:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            const unsigned long long both = (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1));
            return (mask & both) == both;
        }
    return false;
}

// Ends with the shell's status for the signal and "Interrupted." as the last
// line of standard error.
void ExpectInterrupted(TcCliChild& child, int signal) {
    const TcCliChild::TEnd end = child.Wait(std::chrono::seconds(90));
    ASSERT_TRUE(end.Ended) << "the first signal did not end the run";
    EXPECT_TRUE(end.Exited) << "ended by signal " << end.Signal;
    EXPECT_EQ(end.Status, 128 + signal) << child.Errors();
    const std::string errors = child.Errors();
    const std::string last = "Interrupted.\n";
    EXPECT_TRUE(errors.size() >= last.size() &&
                errors.compare(errors.size() - last.size(), last.size(), last) == 0)
        << errors;
}

// The script is a FIFO nobody writes to: opening it never returns.
TEST(CliEndings, FirstSignalEndsARunWaitingForItsInput) {
    for (const int signal : {SIGINT, SIGTERM}) {
        TcTempDir folder;
        ASSERT_EQ(mkfifo(folder.File("script.sql").c_str(), 0600), 0);
        TcCliChild child({"script.sql"}, folder.Path());
        ASSERT_TRUE(WaitUntil([&] { return WatchesSignals(child.Pid()); }));
        child.Signal(signal);
        ExpectInterrupted(child, signal);
    }
}

// The server is stopped (SIGSTOP) while the run sleeps: the signal ends the
// sleep, and the rollback after it waits for an answer that never comes.
TEST(CliEndings, FirstSignalEndsARunWhoseServerIsFrozen) {
    Language = TLanguage::English;
    for (const int signal : {SIGINT, SIGTERM}) {
        TcTempDir folder;
        TcFirebirdServer server;
        const std::string login = " USER 'SYSDBA' PASSWORD '" + server.SysdbaPassword() + "'";
        const std::string name = server.ConnectName(folder.File("frozen.fdb"));
        {
            TcDBScripter_IB creator;
            creator.ExecuteScript("CREATE DATABASE '" + name + "'" + login +
                                  "; create table t (a integer);");
            creator.Close();
        }
        WriteFile(folder.File("frozen.sql"), "CONNECT '" + name + "'" + login +
                                                 ";\ninsert into t values (1);\nECHO ready;\n"
                                                 "SLEEP 600000;\n");
        TcCliChild child({"frozen.sql"}, folder.Path());
        ASSERT_TRUE(child.WaitForOutput("ready\n")) << child.Output() << child.Errors();
        ASSERT_EQ(kill(server.Pid(), SIGSTOP), 0);
        child.Signal(signal);
        ExpectInterrupted(child, signal);
        server.Kill();
    }
}

// CONNECT closes the connection it replaces before it tries the new one:
// when the new one is refused, nothing was lost.
TEST(CliEndings, RefusedConnectSaysWhatItDisconnected) {
    Language = TLanguage::English;
    TcTempDir folder;
    const std::string first = folder.File("first.fdb");
    const std::string login = " USER 'SYSDBA' PASSWORD 'x'";
    for (const std::string& refused :
         {"CONNECT '" + folder.File("missing.fdb") + "'" + login,
          "CREATE DATABASE '" + folder.File("none/new.fdb") + "'" + login}) {
        SCOPED_TRACE(refused);
        WriteFile(folder.File("again.sql"),
                  "CREATE DATABASE '" + first + "'" + login + ";\n" + refused + ";\n");
        const Outcome run = RunCli("again.sql", folder.Path());
        std::filesystem::remove(first);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind("again.sql:2: ", 0), 0u) << run.err;
        EXPECT_EQ(run.err.find("The connection to the database was lost."), std::string::npos)
            << run.err;
        const std::string said = "\nDisconnected from " + first + ".\n";
        EXPECT_TRUE(run.err.size() > said.size() &&
                    run.err.compare(run.err.size() - said.size(), said.size(), said) == 0)
            << run.err;
    }
}

// A core dump would hold the passwords: the child inherits a core limit
// raised as far as this process may, and must lower it to nothing.
TEST(CliEndings, CoreDumpsAreOff) {
    rlimit core{};
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &core), 0);
    const rlimit previous = core;
    core.rlim_cur = core.rlim_max;
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &core), 0);
    TcTempDir folder;
    WriteFile(folder.File("wait.sql"), "ECHO ready;\nSLEEP 600000;\n");
    TcCliChild child({"wait.sql"}, folder.Path());
    setrlimit(RLIMIT_CORE, &previous);
    ASSERT_TRUE(child.WaitForOutput("ready\n")) << child.Errors();
    std::ifstream limits("/proc/" + std::to_string(child.Pid()) + "/limits");
    std::string line, coreLine;
    while (std::getline(limits, line))
        if (line.rfind("Max core file size", 0) == 0) coreLine = line;
    std::istringstream fields(coreLine.substr(std::string("Max core file size").size()));
    std::string soft, hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft, "0") << coreLine;
    child.Signal(SIGTERM);
    EXPECT_TRUE(child.Wait().Ended);
}

}  // namespace
