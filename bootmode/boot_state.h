// What the boot configuration store says of the safe-boot settings now.
#pragma once

#include <string>

namespace qv {

enum class SafeBootState { Absent, Minimal, Network, CommandPrompt, Unknown };
// What "bcdedit /enum {current}" says of the safe-boot settings now.
SafeBootState ReadSafeBootState();
SafeBootState SafeBootStateFromEnum(const std::wstring& output);

}  // namespace qv
