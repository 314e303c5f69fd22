// Runs a program for a test the way a user would from a shell, with limits a test needs:
// a wall-clock bound (the program is killed past it), an optional file size limit, and its
// standard error collected.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kolo::test {

// PATH, and the sanitizers' options when the test itself runs with them.
std::vector<std::string> DefaultEnvironment();

struct RunLimits {
    double seconds = 60;              // killed with SIGKILL after this long
    long long fileSizeBytes = -1;     // RLIMIT_FSIZE when not negative (writes past it fail)
    double signalAfterSeconds = -1;   // when not negative, `signal` is sent after this long
    int signal = 0;
    std::vector<std::string> environment = DefaultEnvironment();
};

struct RunResult {
    int status = -1;       // exit status, or -1 when killed or never started
    int signal = 0;        // the signal that ended it, if one did
    double seconds = 0;    // wall-clock time until it ended
    long peakMemoryKb = 0; // its largest resident set, in kilobytes
    std::string errors;    // everything it wrote to standard error
};

RunResult RunProgram(const std::vector<std::string>& argv, const RunLimits& limits = {});

// Runs `work` in a child process and measures memory as the system counts it: the child's
// largest resident set (`peakKb`) and how far that rose above what it held when `work` began
// (`risenKb`), in kilobytes; both -1 when the child could not run or did not finish.
struct ChildMemory {
    long peakKb = -1;
    long risenKb = -1;
};
ChildMemory MeasureInChild(const std::function<void()>& work);

// The number of lines in `text` (a last line without a newline counts).
int LineCount(const std::string& text);

}  // namespace kolo::test
