// Loading the documents the program carries as "CUSTOM" resources.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "system/platform_win32.h"

namespace qv::win32 {

std::optional<std::vector<uint8_t>> Win32Platform::LoadCustomResource(const std::wstring& name) {
    // Resource names are looked up without regard to case: "sb_7" finds "SB_7".
    HRSRC info = FindResourceW(nullptr, name.c_str(), L"CUSTOM");
    if (!info) return std::nullopt;
    HGLOBAL loaded = LoadResource(nullptr, info);
    if (!loaded) return std::nullopt;
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(nullptr, info);
    if (!bytes) return std::nullopt;
    return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace qv::win32
