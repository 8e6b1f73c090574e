// Safe Mode configuration: repair the SafeBoot key, clear an earlier
// configuration, arm the way back, then write the safe-boot setting.
#pragma once

#include <optional>

#include "bootmode/mode_result.h"
#include "bootmode/safe_services.h"
#include "opsys/mode.h"

namespace qv {

// Now: once configured, the result asks for the restart; the caller restarts
// after it has told the user what the result holds. Later: the next restart,
// whenever it comes.
enum class Restart { Now, Later };

// Why the mode is refused before anything is asked or changed; none when it
// may go ahead. The operations below check it again themselves.
std::optional<Problem> SafeModeRefusal(Mode mode);
std::optional<Problem> SafeModeNetworkRefusal();
// The operations ask nothing: the caller asks first (ui/safe_mode_question.h).
// `services` are named for Safe Mode before the boot configuration changes.
// `mode`: Minimal, or CommandPrompt (the command prompt as the only shell).
ModeResult ConfigureSafeMode(Mode mode, Restart restart, const SafeModeServices& services = {});
ModeResult ConfigureSafeModeNetwork(Restart restart, const SafeModeServices& services = {});
// Asks nothing and arms no way back: for unattended use.
ModeResult ConfigureSafeNetworkNoReboot(const SafeModeServices& services = {});
// The next start only, through the boot manager's one-time start; asks
// nothing and needs no way back (Vista and later).
ModeResult ConfigureSafeNetworkOnce(const SafeModeServices& services = {});

}  // namespace qv
