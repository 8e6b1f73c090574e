// modOpSys: the questions the program asks about the running Windows. Each
// call takes a fresh snapshot, so the answer reflects the moment of the call.
#pragma once

#include <cstdint>

namespace qv {

bool OsIsVista();  // Vista and later
bool OsIsWin7();   // 7 and later
bool OsIsWin8();   // 8 and later, so also 8.1, 10 and 11
bool OsIsWin10();  // 10 and later, Windows 11 included
int16_t OsWindowsMode();  // 0 normal start, 1 Safe Mode, 2 Safe Mode with networking

}  // namespace qv
