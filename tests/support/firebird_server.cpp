#include "support/firebird_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

std::string RunStartScript() {
    // The owner's pid lets the script's watcher stop the server should this
    // process die without running its destructors.
    const std::string command = "TEST_SERVER_OWNER_PID=" + std::to_string(getpid()) + " bash '" +
                                TESSEL_TEST_SERVER_SCRIPT + "' start 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the private Firebird server did not start (status " +
                                 std::to_string(status) + "):\n" + output);
    }
    return output;
}

std::string Field(const std::string& output, const std::string& name) {
    const std::string key = name + "=";
    size_t start = output.rfind("\n" + key);
    start = start == std::string::npos ? (output.rfind(key, 0) == 0 ? 0 : std::string::npos)
                                       : start + 1;
    if (start == std::string::npos) {
        throw std::runtime_error("the server script printed no " + name + ":\n" + output);
    }
    start += key.size();
    const size_t end = output.find('\n', start);
    return output.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The server is not our child (the script detaches it), so it may linger as a
// zombie until its new parent reaps it; a zombie counts as gone.
bool ProcessAlive(pid_t pid) {
    if (pid <= 0 || kill(pid, 0) != 0) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

bool WaitUntilGone(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ProcessAlive(pid)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::unique_ptr<TcFirebirdServer>& SharedServer() {
    static std::unique_ptr<TcFirebirdServer> server;
    return server;
}

}  // namespace

TcFirebirdServer::TcFirebirdServer() {
    const std::string output = RunStartScript();
    FFolder = Field(output, "FOLDER");
    FPort = std::stoi(Field(output, "PORT"));
    FPid = static_cast<pid_t>(std::stol(Field(output, "PID")));
    FPassword = Field(output, "PASSWORD");
}

TcFirebirdServer::~TcFirebirdServer() {
    Stop();
}

TcFirebirdServer& TcFirebirdServer::Shared() {
    std::unique_ptr<TcFirebirdServer>& server = SharedServer();
    if (server && !server->Running()) server.reset();
    if (!server) server = std::make_unique<TcFirebirdServer>();
    return *server;
}

std::string TcFirebirdServer::ConnectName(const std::string& path) const {
    return "localhost/" + std::to_string(FPort) + ":" + path;
}

std::string TcFirebirdServer::ServiceManagerName() const {
    return ConnectName("service_mgr");
}

bool TcFirebirdServer::Running() const {
    return ProcessAlive(FPid);
}

void TcFirebirdServer::Kill() {
    if (ProcessAlive(FPid)) kill(FPid, SIGKILL);
    if (!WaitUntilGone(FPid, std::chrono::seconds(10))) {
        throw std::runtime_error("the private Firebird server survived SIGKILL");
    }
}

void TcFirebirdServer::Stop() {
    if (ProcessAlive(FPid)) {
        kill(FPid, SIGTERM);
        if (!WaitUntilGone(FPid, std::chrono::seconds(10))) {
            kill(FPid, SIGKILL);
            WaitUntilGone(FPid, std::chrono::seconds(10));
        }
    }
    std::error_code ignored;  // called from destructors; a leftover folder is harmless
    if (!FFolder.empty()) std::filesystem::remove_all(FFolder, ignored);
}

TcRefusingPort::TcRefusingPort() {
    // Without SO_REUSEADDR, no other socket can bind the port while ours holds it.
    for (int attempt = 0; attempt < 100; ++attempt) {
        FSocket4 = socket(AF_INET, SOCK_STREAM, 0);
        if (FSocket4 < 0) throw std::runtime_error("cannot create a socket");
        sockaddr_in address4{};
        address4.sin_family = AF_INET;
        address4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address4;
        if (bind(FSocket4, reinterpret_cast<sockaddr*>(&address4), sizeof address4) != 0 ||
            getsockname(FSocket4, reinterpret_cast<sockaddr*>(&address4), &length) != 0) {
            close(FSocket4);
            throw std::runtime_error("cannot bind a loopback port");
        }
        FPort = ntohs(address4.sin_port);
        // "localhost" may also resolve to ::1: hold the same port there too.
        FSocket6 = socket(AF_INET6, SOCK_STREAM, 0);
        if (FSocket6 < 0) return;  // no IPv6, so nothing can listen on ::1 either
        const int only6 = 1;
        setsockopt(FSocket6, IPPROTO_IPV6, IPV6_V6ONLY, &only6, sizeof only6);
        sockaddr_in6 address6{};
        address6.sin6_family = AF_INET6;
        address6.sin6_addr = in6addr_loopback;
        address6.sin6_port = htons(static_cast<uint16_t>(FPort));
        if (bind(FSocket6, reinterpret_cast<sockaddr*>(&address6), sizeof address6) == 0) return;
        const int error = errno;
        close(FSocket6);
        FSocket6 = -1;
        if (error == EADDRNOTAVAIL || error == EAFNOSUPPORT) return;  // no ::1 on this machine
        close(FSocket4);  // ::1 has this port in use: try another
        FSocket4 = -1;
    }
    throw std::runtime_error("no loopback port free on both 127.0.0.1 and ::1");
}

TcRefusingPort::~TcRefusingPort() {
    if (FSocket6 >= 0) close(FSocket6);
    if (FSocket4 >= 0) close(FSocket4);
}
