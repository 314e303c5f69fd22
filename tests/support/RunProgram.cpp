#include "tests/support/RunProgram.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kolo::test {

std::vector<std::string> DefaultEnvironment() {
    std::vector<std::string> environment{"PATH=/usr/bin:/bin"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

RunResult RunProgram(const std::vector<std::string>& argv, const RunLimits& limits) {
    RunResult result;
    int pipeFds[2];
    if (argv.empty() || pipe(pipeFds) != 0) return result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (limits.fileSizeBytes >= 0) {
            // Past the limit a write fails with EFBIG instead of the signal ending the program.
            signal(SIGXFSZ, SIG_IGN);
            const rlim_t bytes = static_cast<rlim_t>(limits.fileSizeBytes);
            const rlimit limit{bytes, bytes};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char*> env;
        for (const std::string& e : limits.environment) env.push_back(const_cast<char*>(e.c_str()));
        env.push_back(nullptr);
        execve(args[0], args.data(), env.data());
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return result;
    }
    const auto deadline = start + std::chrono::duration<double>(limits.seconds);
    bool open = true;
    bool signalled = limits.signalAfterSeconds < 0;
    while (open) {
        if (!signalled && std::chrono::steady_clock::now() - start >=
                              std::chrono::duration<double>(limits.signalAfterSeconds)) {
            kill(pid, limits.signal);
            signalled = true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        pollfd pfd{pipeFds[0], POLLIN, 0};
        // Short waits while a signal is due, so that it goes out on time.
        const int wait = signalled ? static_cast<int>(left.count()) : 50;
        if (poll(&pfd, 1, wait) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) open = false;
        else result.errors.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    // The pipe closes when the program ends, unless a child of its own holds it; the wait
    // is bounded by the same deadline either way.
    rusage usage{};
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) kill(pid, SIGKILL);
        usleep(10000);
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakMemoryKb = usage.ru_maxrss;
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

namespace {

// A field of /proc/self/status in kilobytes ("VmHWM", "VmRSS"); -1 when missing.
long StatusKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') value = std::atol(line + length + 1);
    }
    std::fclose(status);
    return value;
}

}  // namespace

ChildMemory MeasureInChild(const std::function<void()>& work) {
    ChildMemory result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        // The high-water mark starts again from what the child holds now.
        if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        const long before = StatusKb("VmRSS");
        work();
        const long measured[2] = {StatusKb("VmHWM"), StatusKb("VmHWM") - before};
        const ssize_t written = write(pipeFds[1], measured, sizeof measured);
        _exit(written == static_cast<ssize_t>(sizeof measured) ? 0 : 1);
    }
    close(pipeFds[1]);
    long measured[2] = {-1, -1};
    const bool got = pid > 0 && read(pipeFds[0], measured, sizeof measured) == static_cast<ssize_t>(sizeof measured);
    close(pipeFds[0]);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    if (got && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.peakKb = measured[0];
        result.risenKb = measured[1];
    }
    return result;
}

int LineCount(const std::string& text) {
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n');
}

}  // namespace kolo::test
