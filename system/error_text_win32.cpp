#include "system/error_text_win32.h"

#include <vector>

#include <windows.h>

namespace qv::win32 {

namespace {
constexpr DWORD kMessageBufferSize = 256;
}

std::wstring SystemErrorText(uint32_t code) {
    std::vector<wchar_t> buffer(kMessageBufferSize, L'\0');
    const DWORD count = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                       buffer.data(), kMessageBufferSize, nullptr);
    return std::wstring(buffer.data(), count);
}

}  // namespace qv::win32
