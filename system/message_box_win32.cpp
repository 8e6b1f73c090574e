// The program's message boxes.
#include <string>

#include <windows.h>

#include "system/platform_win32.h"

namespace qv::win32 {

int Win32Platform::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.empty() ? L"Quorvine" : title.c_str(), style);
}

}  // namespace qv::win32
