// Safe Mode with Networking for one start through the boot manager's one-time
// boot sequence: a copy of the running entry carries the setting and is
// started once, so the start after it is normal whoever logs on, or nobody.
#pragma once

#include <string>

#include "bootmode/mode_result.h"

namespace qv {

// Under the program's key: the identifier of the copy, so a later run can remove it.
inline constexpr const wchar_t* kOneStartEntryValue = L"OneStartEntry";
inline constexpr const wchar_t* kOneStartDescription = L"Quorvine - Safe Mode with Networking for one start";

// Copies the running entry, sets "safeboot network" on the copy, keeps it off
// the boot menu, makes it the next start only, records it and reads it all
// back. False when a step failed: what was made is taken back, and the result
// says why.
bool SetUpOneStart(ModeResult& result);

struct OneStartTakeBack {
    std::wstring entry;           // the recorded copy; empty when none was recorded
    bool sequenceStayed = false;  // the boot manager may still start it next
    bool copyLeft = false;        // not deleted; the record stays for the next run
    std::wstring sequenceCause;   // why it may still start next
    std::wstring copyCause;       // why it was not deleted
};
// Why the store's state is not known, where no command failed.
inline constexpr const wchar_t* kSequenceUnreadable = L"the boot manager's one-time sequence could not be read";
// Removes the recorded copy: its one-time start first, then the entry. Never
// an entry or a sequence entry that Quorvine did not record (the recovery
// environment uses the same sequence).
OneStartTakeBack TakeBackOneStart();

}  // namespace qv
