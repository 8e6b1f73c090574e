// mod32BitIcon: a window's big and small icons at the sizes the system asks for.
#pragma once

#include <string>

#include <windows.h>

namespace qv::win32 {

// From an icon group of the program's resources.
void SetIconFromResource(HWND window, const std::wstring& resourceName, bool applyToOwner);
// From an .ico file.
void SetIconFromFile(HWND window, const std::wstring& path, bool applyToOwner);

}  // namespace qv::win32
