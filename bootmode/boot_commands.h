// The boot configuration commands, run hidden and waited for.
#pragma once

#include <string>

#include "system/process.h"

namespace qv {

enum class SafeBootState { Absent, Minimal, Network, CommandPrompt, Unknown };
// What "bcdedit /enum {current}" says of the safe-boot settings now.
SafeBootState ReadSafeBootState();
SafeBootState SafeBootStateFromEnum(const std::wstring& output);

}  // namespace qv
