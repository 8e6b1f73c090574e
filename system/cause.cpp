#include "system/cause.h"

#include "system/seams.h"
#include "system/settings.h"

namespace qv {

std::wstring ErrorCause(uint32_t code) {
    // Windows' text for 0 says that all went well: a failure without a code
    // must not read like that.
    if (code == 0) return L"Windows gave no error code";
    std::wstring text = Windows().ErrorText(code);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return L"error " + std::to_wstring(code) + (text.empty() ? L"" : L": " + text);
}

std::wstring StatusCause(int32_t status) {
    if (status == kStatusUnknownLocation) return L"Quorvine's own status 99: a location or value type it does not know";
    return ErrorCause(static_cast<uint32_t>(status));
}

std::wstring ExitCodeCause(uint32_t exitCode) { return L"It ended with exit code " + std::to_wstring(exitCode) + L"."; }

}  // namespace qv
