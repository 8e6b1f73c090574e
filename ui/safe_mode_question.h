// The Yes/No question before a Safe Mode configuration. The switch handler and
// the window ask it; the mode operations themselves ask nothing.
#pragma once

#include <string>

#include "bootmode/mode_result.h"
#include "bootmode/safe_mode.h"

namespace qv {

// Refused (asking nothing), declined, or what the operation did. With
// Restart::Now the question is the restart question; with Restart::Later
// there is none, unless a `caution` the caller composed must be heard first:
// it ends the question, so that the user may still decline before anything
// changes.
ModeResult AskThenConfigureSafeMode(Mode mode, Restart restart, const std::wstring& caution = {},
                                    const SafeModeServices& services = {});
ModeResult AskThenConfigureSafeModeNetwork(Restart restart, const SafeModeServices& services = {});

}  // namespace qv
