// QuitSignals: the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP, SIGQUIT)
// reach the GLib main loop instead of ending the program where it stands, so that it can
// keep the child's work first.
//
// The handler itself only writes the signal's number into a pipe, which is safe in a signal
// handler; the main loop reads it and calls `onSignal` with the number. GLib's own unix
// signal source cannot watch SIGQUIT, hence the pipe.
#pragma once

#include <functional>

namespace kolo {

// Installs the handlers for the program's life; `onSignal` runs on the main loop's thread.
// False when the pipe or a handler could not be set up (the signals then act as before).
bool WatchQuitSignals(std::function<void(int signal)> onSignal);

// Ends the program as `signal` would have ended it (its default action), once the work is kept.
[[noreturn]] void EndBySignal(int signal);

}  // namespace kolo
