// What a switch tells a script through its exit code.
#pragma once

#include "bootmode/boot_state.h"
#include "bootmode/mode_result.h"

namespace qv {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;         // nothing changed, or the change was taken back
inline constexpr int kExitWarning = 2;        // done, with a warning
inline constexpr int kExitSafeModeStays = 3;  // Normal Mode asked for, the Safe Mode setting stayed
inline constexpr int kExitWayBackLost = 7;    // as 3, and the way back could not be armed again
inline constexpr int kExitDeclined = 4;       // the user answered No; nothing changed
inline constexpr int kExitOnNetwork = 5;      // refused: running from a network location
inline constexpr int kExitBusy = 6;           // another Quorvine is still running
inline constexpr int kExitNeedsPerson = 8;    // needs a person at the screen; nothing changed
inline constexpr int kExitNoSuchSwitch = 87;  // nothing done, nothing shown
// "/status": what the next start will be.
inline constexpr int kExitStatusNormal = 0;
inline constexpr int kExitStatusSafe = 10;
inline constexpr int kExitStatusSafeNetwork = 11;
inline constexpr int kExitStatusSafeCommandPrompt = 12;
inline constexpr int kExitStatusUnknown = 255;

int ExitCodeOf(const ModeResult& result);
int ExitCodeOf(StoredMode nextStart);

}  // namespace qv
