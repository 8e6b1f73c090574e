// File checks the Win32 side shares beyond the file system seam.
#pragma once

#include <string>

namespace qv::win32 {

// An existing file that is neither hidden, system nor a folder: the file half
// of ResolveRootKey, for the settings store's INI side.
bool IsOrdinaryFile(const std::wstring& path);

}  // namespace qv::win32
