// What the boot configuration store says of the safe-boot settings now.
#pragma once

#include <optional>
#include <string>

#include "bootmode/boot_store.h"

namespace qv {

// The running entry's safe-boot settings, read from the store.
EntryListing ReadCurrentEntry();
StoredMode ReadStoredMode();
// What the boot manager starts next: the entry its one-time sequence names
// first, else its default entry (on Vista and later); the default entry of
// boot.ini before.
struct NextStart {
    StoredMode state = StoredMode::Unknown();
    std::wstring entry;             // its identifier; empty when unknown or from boot.ini
    bool oneTime = false;           // the one-time sequence names it: this start only
    bool otherThanRunning = false;  // shown to be another entry than the one running now
};
NextStart ReadNextStart();
// "Normal", "Safe Mode", ... or "unknown (...)".
std::wstring NextStartName(StoredMode state);
// How Windows started this time, named as the next start is: Safe Mode from
// the clean-boot state, the command prompt from the option Windows sets when
// it runs the alternate shell.
std::wstring ThisStartName();

}  // namespace qv
