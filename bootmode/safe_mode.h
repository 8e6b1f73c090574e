// Safe Mode configuration: repair the SafeBoot key, clear an earlier
// configuration, arm the way back, then write the safe-boot setting.
#pragma once

#include <string>

#include "bootmode/mode_result.h"

namespace qv {

// The shell of the Safe Mode start: Explorer, or the command prompt alone.
enum class Shell { Explorer, CommandPromptOnly };
// Now: the operation asks its restart question first (No: Declined) and, once
// configured, the result asks for the restart; the caller restarts after it
// has told the user what the result holds. Later: the next restart, whenever
// it comes.
enum class Restart { Now, Later };

// A `caution` the caller composed ends the question; with Restart::Later it
// is asked all the same, so that the user may still decline before anything
// changes.
ModeResult ConfigureSafeMode(Shell shell, Restart restart, const std::wstring& caution = {});
ModeResult ConfigureSafeModeNetwork(Restart restart);
// Asks nothing and arms no way back: for unattended use.
ModeResult ConfigureSafeNetworkNoReboot();
// The next start only, through the boot manager's one-time start; asks
// nothing and needs no way back (Vista and later).
ModeResult ConfigureSafeNetworkOnce();

}  // namespace qv
