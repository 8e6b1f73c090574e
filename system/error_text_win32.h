// The system's message for a Windows error code, and the Done of a call
// that reports its failure through GetLastError().
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "system/done.h"

namespace qv::win32 {

// Exactly as the system words it, its closing line break included; empty
// when there is none (or it does not fit 256 characters).
std::wstring SystemErrorText(uint32_t code);

// Done when the call succeeded, else failed with the thread's last error:
// read at once, before another call can change it.
inline Done Checked(BOOL succeeded) { return succeeded ? Done() : Done::Failed(GetLastError()); }

}  // namespace qv::win32
