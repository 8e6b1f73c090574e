// What the boot configuration store says of the safe-boot settings now.
#pragma once

#include <optional>
#include <string>

namespace qv {

// Other: "safeboot" holds a value Quorvine never sets (such as DsRepair).
enum class SafeBootState { Absent, Minimal, Network, CommandPrompt, Other, Unknown };
struct EntryListing {
    SafeBootState safeBoot = SafeBootState::Unknown;
    bool alternateShell = false;  // "safebootalternateshell" is there, whatever its value
};
// What "bcdedit /enum {current}" says of the safe-boot settings now.
SafeBootState ReadSafeBootState();
// Unknown unless the listing holds the whole entry asked for.
EntryListing EntryFromEnum(const std::wstring& output, const std::wstring& entry = L"{current}");
SafeBootState SafeBootStateFromEnum(const std::wstring& output, const std::wstring& entry = L"{current}");
EntryListing ReadCurrentEntry();
// What the boot loader's default entry in a boot.ini says.
SafeBootState SafeBootStateFromBootIni(const std::wstring& content);
// The next start: from the store on Vista and later, from boot.ini before.
SafeBootState ReadNextStart();
// "Normal", "Safe Mode", ... or "unknown (...)".
std::wstring NextStartName(SafeBootState state);
// How Windows started this time, named as the next start is: Safe Mode from
// the clean-boot state, the command prompt from the option Windows sets when
// it runs the alternate shell.
std::wstring ThisStartName();

}  // namespace qv
