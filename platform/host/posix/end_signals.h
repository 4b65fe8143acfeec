// The signals that end a program with the user's session: SIGTERM (logout, shutdown), SIGHUP
// (the terminal or the session has gone) and SIGINT (Ctrl+C). Caught instead of ending the
// process on the spot, so that the program can keep what it holds first.
//
// Plain POSIX: a handler that only notes the signal and writes a byte to a pipe, and a thread that
// reads the pipe and tells the caller, outside the handler.
#pragma once

#include <functional>

namespace tw::posix {

// Catches the three signals from now on; `arrived` runs on a thread of its own each time one
// comes. A later call only puts another `arrived` in its place (an empty one: nobody is told).
void CatchEndSignals(std::function<void()> arrived);

// The signal that came (SIGTERM, SIGHUP or SIGINT) since the last call, or 0.
int TakeEndSignal();

}  // namespace tw::posix
