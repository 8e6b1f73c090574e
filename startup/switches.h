// The program's start: the switches, or the main window without one.
#pragma once

#include <functional>

namespace qv {

using MainWindowOpener = std::function<void()>;

// Sets the program-wide constants, then runs the one action the argument text
// names; without arguments, and for Cancel inside Safe Mode, opens the window.
// Returns the exit code (startup/exit_codes.h).
int Main(const MainWindowOpener& openWindow);

}  // namespace qv
