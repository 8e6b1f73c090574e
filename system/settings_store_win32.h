// The file half of ResolveRootKey, for the settings store's INI side.
#pragma once

#include <string>

namespace qv::win32 {

// An existing file that is neither hidden, system nor a folder.
bool IsOrdinaryFile(const std::wstring& path);

}  // namespace qv::win32
