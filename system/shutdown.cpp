// ShutDownMod: what of restarting is no template (shutdown.h holds the steps).
#include "system/shutdown.h"

namespace qv {

namespace detail {

NtAnswer& RememberedNtAnswer() {
    static NtAnswer answer;
    return answer;
}

}  // namespace detail

void ForgetNtPlatformAnswer() { detail::RememberedNtAnswer() = {}; }

std::wstring DescribeUnhandledError(const ShutdownError& error) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring number = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4) number += kHex[(error.Number() >> shift) & 0xF];
    std::wstring text = error.Description();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text + L"\r\n\r\nError " + number + L" (" + error.Source() + L")";
}

}  // namespace qv
