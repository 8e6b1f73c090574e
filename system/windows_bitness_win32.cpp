#include "system/windows_bitness_win32.h"

#include <windows.h>

#include "system/system_library_win32.h"

namespace qv::win32 {

bool IsWindows64Bit() {
    if constexpr (sizeof(void*) == 8) return true;
    // Looked up at run time: Windows 2000 and the first XP lack it, and they are 32-bit.
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const auto isWow64 = SystemFunctionAs<IsWow64Fn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace qv::win32
