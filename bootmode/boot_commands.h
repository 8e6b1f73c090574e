// The boot configuration commands, run hidden and waited for.
#pragma once

#include <string>

namespace qv {

inline constexpr int kHidden = 0;
inline constexpr int32_t kNoTimeout = 2000000000;

// True when the command ran and ended with exit code 0.
bool RunHidden(const std::wstring& command);

enum class SafeBootState { Absent, Minimal, Network, CommandPrompt, Unknown };
// What "bcdedit /enum {current}" says of the safe-boot settings now.
SafeBootState ReadSafeBootState();
SafeBootState SafeBootStateFromEnum(const std::wstring& output);

}  // namespace qv
