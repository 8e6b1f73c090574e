// The reader of the boot store's entries, under the boot store (boot_store.h),
// which alone uses it. bcdedit's listings can never
// show their own end (one cut after any whole line looks whole), so they give
// only what a single line proves: the running entry's identifier, and the
// identifier /copy announces. Every element is read from the store itself as
// Windows mounts it, the registry hive HKLM\BCD00000000, where a missing
// element is told apart from one that could not be read.
// Entry headers ("Windows Boot Manager") and yes/no values are printed in the
// display language; identifiers are not, so only they are read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bootmode/store_readings.h"

namespace qv {

// The boot manager's fixed identifier, as "{bootmgr}" is stored.
inline constexpr const wchar_t* kBootManagerId = L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
// The listing whose identifier line names the running entry by its own identifier.
inline constexpr const wchar_t* kEnumRunningEntry = L"/enum {current} /v";

// The "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in "/copy"'s sentence, lower case.
std::optional<std::wstring> CopiedEntryId(const std::wstring& output);
// The identifier of the first entry of a listing: a title over a line of
// dashes, then an "identifier" line holding a whole {guid}; lower case.
std::optional<std::wstring> ListedEntryId(const std::wstring& output);
// "bcdedit /enum {current} /v": the entry Windows started from. Every read of
// the store starts with it.
std::optional<std::wstring> ReadRunningEntryId();

// What the store holds of an entry's safe-boot elements; Unknown unless
// every element is there or shown absent.
EntryListing ReadEntry(const std::wstring& entry);
// Whether the entry is in the store at all; empty when that cannot be shown.
std::optional<bool> EntryInStore(const std::wstring& entry);
// The boot manager's one-time sequence (empty when none is pending); empty
// when it could not be read.
std::optional<std::vector<std::wstring>> ReadBootSequence();
// The boot manager's default entry; empty when it could not be read.
std::optional<std::wstring> ReadDefaultEntry();

}  // namespace qv
