// What bcdedit's listings say of whole entries: the identifier /copy made, the
// boot manager's one-time sequence (a named entry's safe-boot setting is
// SafeBootStateFromEnum's).
// Entry headers ("Windows Boot Manager") and yes/no values are printed in the
// display language; element names and identifiers are not, so only they are read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bootmode/boot_state.h"

namespace qv {

// The "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in "/copy"'s sentence, lower case.
std::optional<std::wstring> CopiedEntryId(const std::wstring& output);
// The identifiers "bootsequence" lists in the "{bootmgr}" entry of
// "/enum {bootmgr}" (empty when none is pending); nothing when no such entry.
std::optional<std::vector<std::wstring>> BootSequenceFromEnum(const std::wstring& output);

}  // namespace qv
