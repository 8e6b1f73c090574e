// Whether anybody can see what the program shows. A service, or a management
// agent's job in a window station of its own, shows a box nobody can answer:
// it would wait for ever.
#pragma once

namespace qv {

// True when the process's window station is the visible one, where a person
// at the screen sees boxes and windows. Asked of Windows once per run.
bool WindowStationVisible();

}  // namespace qv
