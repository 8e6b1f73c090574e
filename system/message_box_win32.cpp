// The program's message boxes: the one place a box is shown, or not.
#include <string>

#include <windows.h>

#include "system/platform_win32.h"
#include "system/window_station.h"

namespace qv::win32 {

int Win32Platform::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) {
    // Nobody could answer: no box, and the answer of a box that could not be
    // shown (0), which no caller takes for Yes.
    if (!WindowStationVisible()) return 0;
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.empty() ? L"Quorvine" : title.c_str(), style);
}

}  // namespace qv::win32
