// File reads and checks the Win32 side shares beyond the platform's own services.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::win32 {

// The whole file, or empty when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path);
// An existing file that is neither hidden, system nor a folder: the file half
// of ResolveRootKey, for the settings store's INI side.
bool IsOrdinaryFile(const std::wstring& path);

}  // namespace qv::win32
