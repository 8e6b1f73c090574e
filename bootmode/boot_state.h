// What the boot configuration store says of the safe-boot settings now.
#pragma once

#include <string>

namespace qv {

enum class SafeBootState { Absent, Minimal, Network, CommandPrompt, Unknown };
// What "bcdedit /enum {current}" says of the safe-boot settings now.
SafeBootState ReadSafeBootState();
// Unknown unless the listing holds the whole entry asked for.
SafeBootState SafeBootStateFromEnum(const std::wstring& output, const std::wstring& entry = L"{current}");
// What the boot loader's default entry in a boot.ini says.
SafeBootState SafeBootStateFromBootIni(const std::wstring& content);
// The next start: from the store on Vista and later, from boot.ini before.
SafeBootState ReadNextStart();
// "Normal", "Safe Mode", ... or "unknown (...)".
std::wstring NextStartName(SafeBootState state);

}  // namespace qv
