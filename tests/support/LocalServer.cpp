#include "tests/support/LocalServer.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>

extern char** environ;

namespace kolo::test {
namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr const char* kPython = "/usr/bin/python3";

// Reads what the child prints until a port number shows, or the time runs out.
int ReadPort(int fd) {
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    const std::regex portPattern(R"((?:^|port )(\d+)\b)");
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return 0;
        seen.append(buffer, static_cast<std::size_t>(n));
        // Only whole lines count: a read may end in the middle of the number.
        const std::string lines = seen.substr(0, seen.rfind('\n') + 1);
        std::smatch match;
        if (std::regex_search(lines, match, portPattern)) return std::atoi(match[1].str().c_str());
    }
    return 0;
}

}  // namespace

LocalServer::LocalServer(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (pid_ > 0) port_ = ReadPort(pipeFds[0]);
    close(pipeFds[0]);
}

LocalServer::~LocalServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::string LocalServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> FaultServerCommand(const std::string& root) {
    return {kPython, "-u", KOLO_TEST_SUPPORT_DIR "/fault_server.py", root};
}

std::vector<std::string> PythonHttpServerCommand(const std::string& root) {
    return {kPython, "-u", "-m", "http.server", "--bind", "127.0.0.1", "--directory", root, "0"};
}

}  // namespace kolo::test
