// Functions of system DLLs looked up at run time: those that older Windows
// lack, and those of DLLs that are not always taken from the system folder,
// which the exe therefore does not import (a planted copy beside it would
// load with administrator rights).
#pragma once

#include <string>

#include <windows.h>

namespace qv::win32 {

// A folder Windows reports into a buffer (GetSystemDirectoryW and its kin),
// asked again with the size it wants; `fallback` when the call fails.
std::wstring ReportedFolder(UINT(WINAPI* get)(LPWSTR, UINT), const wchar_t* fallback);
// The system folder (system32), without a trailing backslash: the DLLs below
// come from there. Everything above the Win32 side asks Windows().SystemFolder().
std::wstring SystemDirectory();

// A function of a DLL in the system folder, loaded by its full path; null
// when the DLL or the function is missing. The DLL stays loaded.
FARPROC SystemFunction(const wchar_t* dll, const char* name);

template <typename Function>
Function SystemFunctionAs(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(dll, name)));
}

}  // namespace qv::win32
