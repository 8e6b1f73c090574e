// Normal Mode restoration: take every trace of a Safe Mode configuration away.
#pragma once

#include "bootmode/mode_result.h"

namespace qv {

// Restored, or NotRestored when the Safe Mode setting may still be there:
// its way back then stays armed. Without `checkBootConfiguration` (before a
// new configuration is written) the store is not read and a way back is
// simply left where the setting could not be removed.
ModeResult RestoreNormalMode(bool removeHelperScript, bool checkBootConfiguration = true);

// In Safe Mode, after the way back ran: the suite's sibling program, when it
// lies in the folder above the program's own.
void StartSiblingInSafeMode();

}  // namespace qv
