// INI file access (being written).
#include "system/win32.h"

namespace qv::win32 {
std::wstring ReadIniValue(const std::wstring&, const std::wstring&, const std::wstring&) { return {}; }
bool WriteIniValue(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) {
    return false;
}
}  // namespace qv::win32
