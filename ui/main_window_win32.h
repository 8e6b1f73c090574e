// The Win32 side of the main window's start: common controls and shell32.
#pragma once

#include <windows.h>

namespace qv::win32 {

// shell32.dll as PrepareCommonControls loaded it; null when none. Released
// right after the main window has appeared.
extern HMODULE ShellLibraryHandle;

// Loads shell32.dll and initialises the common controls; failures are ignored.
void PrepareCommonControls();

}  // namespace qv::win32
