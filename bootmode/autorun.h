// The command processor's "Autorun": the command-prompt mode's way back, and
// another program's value, kept aside while it is armed and put back after.
#pragma once

#include <string>

#include "system/cause.h"

namespace qv {

inline constexpr const wchar_t* kCommandProcessorKey = L"SOFTWARE\\Microsoft\\Command Processor";

// The program's own "/undo" command, from this folder or another: told by the
// program it starts (this exe, or one of its name), not by the shape alone.
bool IsOwnAutorun(const std::wstring& value);
bool OwnAutorunArmed();
// Another program's Autorun (doskey macros, a tool's init script) is kept
// aside, to be put back at the way back instead of being lost. Failed when
// the value could not be read or kept: it must then not be replaced.
Step KeepForeignAutorun();
// Takes the own "Autorun" away and puts back one that the set-up replaced.
void RestoreSavedAutorun();

}  // namespace qv
