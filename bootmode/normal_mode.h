// Normal Mode restoration: take every trace of a Safe Mode configuration away.
#pragma once

#include "bootmode/mode_result.h"
#include "bootmode/way_back.h"

namespace qv {

// Whether the boot store is read when a setting could not be removed: it is
// skipped before a new configuration is written, which arms its own way back.
enum class StoreCheck { Skip, Read };

// Restored, or NotRestored when the Safe Mode setting may still be there:
// its way back then stays armed. With StoreCheck::Skip the store is not read
// and a way back is simply left where the setting could not be removed.
ModeResult RestoreNormalMode(CommandFile commandFile, StoreCheck storeCheck = StoreCheck::Read);

// In Safe Mode, after the way back ran: the suite's sibling program, when it
// lies in the folder above the program's own.
void StartSiblingInSafeMode();

}  // namespace qv
