// Process launch and wait (being written).
#include "system/win32.h"

namespace qv::win32 {
bool RunAndWait(const std::wstring&, int, std::wstring& message, int32_t, bool) {
    message = L"not built yet";
    return false;
}
bool StartDetached(const std::wstring&, int) { return false; }
}  // namespace qv::win32
