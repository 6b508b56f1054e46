#pragma once
// A private Firebird server for tests that need one (remote names, the
// service manager, a lost connection). It runs from its own root folder on a
// free port of 127.0.0.1 with its own security database, so the system's
// server and configuration are never used. scripts/test-server.sh builds the
// folder and starts the server.
//
// A server that cannot start raises std::runtime_error with the script's
// output: thrown from a fixture's SetUp it fails the test, it never skips it.

#include <sys/types.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

class TcFirebirdServer {
  public:
    // Starts a server of its own; stopped and removed by the destructor.
    TcFirebirdServer();
    ~TcFirebirdServer();
    TcFirebirdServer(const TcFirebirdServer&) = delete;
    TcFirebirdServer& operator=(const TcFirebirdServer&) = delete;

    // One server for the whole test executable, started on first use and
    // stopped at exit; started again when a test has killed it.
    static TcFirebirdServer& Shared();

    int Port() const { return FPort; }
    // The server's root folder (configuration, security database, logs).
    const std::string& Folder() const { return FFolder; }
    pid_t Pid() const { return FPid; }
    const std::string& SysdbaPassword() const { return FPassword; }
    // "localhost/PORT:" + path, the name that reaches `path` through this server.
    std::string ConnectName(const std::string& path) const;
    // "localhost/PORT:service_mgr".
    std::string ServiceManagerName() const;

    bool Running() const;
    // Kills the server at once (SIGKILL) and waits until it is gone, so that
    // the next call on a connection to it meets a lost connection. The folder
    // stays until the object is destroyed.
    void Kill();

  private:
    void Stop();

    std::string FFolder;
    int FPort = 0;
    pid_t FPid = 0;
    std::string FPassword;
};

// A port of the loopback addresses that refuses every connection for as long
// as the object lives: bound, never listening. Unlike a killed server's port,
// no other process (another test's server) can take it in the meantime.
class TcRefusingPort {
  public:
    TcRefusingPort();
    ~TcRefusingPort();
    TcRefusingPort(const TcRefusingPort&) = delete;
    TcRefusingPort& operator=(const TcRefusingPort&) = delete;

    int Port() const { return FPort; }

  private:
    int FSocket4 = -1;
    int FSocket6 = -1;
    int FPort = 0;
};

// Fixture for tests against the shared private server.
class FirebirdServerTest : public ::testing::Test {
  protected:
    void SetUp() override { FServer = &TcFirebirdServer::Shared(); }
    TcFirebirdServer& Server() { return *FServer; }

  private:
    TcFirebirdServer* FServer = nullptr;
};
