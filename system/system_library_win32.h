// Functions of system DLLs looked up at run time: those that older Windows
// lack, and those of DLLs that are not always taken from the system folder,
// which the exe therefore does not import (a planted copy beside it would
// load with administrator rights).
#pragma once

#include <string>

#include <windows.h>

namespace qv::win32 {

// The system folder (system32), without a trailing backslash.
std::wstring SystemDirectory();
// The Windows folder, without a trailing backslash; the shared one on a
// terminal server, not the user's own.
std::wstring WindowsDirectory();

// A function of a DLL in the system folder, loaded by its full path; null
// when the DLL or the function is missing. The DLL stays loaded.
FARPROC SystemFunction(const wchar_t* dll, const char* name);

template <typename Function>
Function SystemFunctionAs(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(dll, name)));
}

}  // namespace qv::win32
