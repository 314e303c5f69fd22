#include "app/QuitSignals.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace kolo {
namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

int wakeWrite = -1;   // the pipe's end the handler writes to

void OnQuitSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up: dropping this one loses nothing.
    [[maybe_unused]] const ssize_t written = write(wakeWrite, &number, 1);
    errno = saved;
}

}  // namespace

bool WatchQuitSignals(std::function<void(int signal)> onSignal) {
    int ends[2];
    if (wakeWrite >= 0 || pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    wakeWrite = ends[1];
    auto* callback = new std::function<void(int)>(std::move(onSignal));
    g_unix_fd_add_full(
        G_PRIORITY_HIGH, ends[0], G_IO_IN,
        [](gint fd, GIOCondition, gpointer data) -> gboolean {
            unsigned char number = 0;
            if (read(fd, &number, 1) == 1) (*static_cast<std::function<void(int)>*>(data))(number);
            return G_SOURCE_CONTINUE;
        },
        callback, [](gpointer data) { delete static_cast<std::function<void(int)>*>(data); });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (const int signal : kQuitSignals) ok = sigaction(signal, &action, nullptr) == 0 && ok;
    return ok;
}

void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace kolo
