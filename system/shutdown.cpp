// ShutDownMod: restart Windows with the shutdown privilege enabled.
#include "system/shutdown.h"

namespace qv {

namespace {

constexpr uint32_t kEveryReasonBit = 0xFFFFFFFF;
constexpr uint32_t kPlatformNt = 2;

bool ntAnswerKnown = false;
bool ntAnswer = false;

std::wstring Source(ShutdownApi& api) { return api.ExecutableBaseName() + L".mShutDown"; }

[[noreturn]] void Raise(ShutdownApi& api, uint32_t number, const std::wstring& description) {
    throw ShutdownError(number, Source(api), description);
}

// Closes the token on every path once it was opened.
class TokenGuard {
public:
    explicit TokenGuard(ShutdownApi& api) : api_(api) {}
    ~TokenGuard() { api_.CloseToken(); }
    TokenGuard(const TokenGuard&) = delete;
    TokenGuard& operator=(const TokenGuard&) = delete;

private:
    ShutdownApi& api_;
};

}  // namespace

bool IsNtPlatform(ShutdownApi& api) {
    if (ntAnswerKnown) return ntAnswer;
    uint32_t platformId = 0;
    // A failed call is asked again next time.
    if (!api.GetPlatformId(platformId)) return ntAnswer;
    ntAnswer = platformId == kPlatformNt;
    ntAnswerKnown = true;
    return ntAnswer;
}

void ForgetNtPlatformAnswer() {
    ntAnswerKnown = false;
    ntAnswer = false;
}

bool EnableShutdownPrivilege(ShutdownApi& api) {
    if (!api.LookupShutdownPrivilege()) {
        Raise(api, kErrNoPrivilegeValue,
              L"Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value.[" +
                  api.SystemErrorText(api.LastError()) + L"]");
    }
    if (!api.HaveCurrentProcess()) {
        Raise(api, kErrNoCurrentProcess,
              L"Can't enable shutdown: Can't determine the current process. [" + api.SystemErrorText(api.LastError()) +
                  L"]");
    }
    const std::wstring noPrivileges =
        L"Can't enable shutdown: You do not have the privileges to shutdown this system. [";
    if (!api.OpenProcessToken()) {
        Raise(api, kErrNoPrivileges, noPrivileges + api.SystemErrorText(api.LastError()) + L"]");
    }
    TokenGuard token(api);
    // A nonzero answer counts even when Windows reports that not every
    // privilege was assigned; ExitWindowsEx tells the truth later.
    if (!api.EnablePrivilegeInToken()) {
        Raise(api, kErrNoPrivileges, noPrivileges + api.SystemErrorText(api.LastError()) + L"]");
    }
    return true;
}

bool ShutdownSystem(ShutdownApi& api, int32_t flags) {
    if (flags < 0 || flags > 31) {
        Raise(api, kErrInvalidFlags, L"Invalid parameter to ShutdownSystem: " + std::to_wstring(flags));
    }
    if (IsNtPlatform(api) && !EnableShutdownPrivilege(api)) return false;
    if (api.RequestRestart(static_cast<uint32_t>(flags), kEveryReasonBit)) return true;
    Raise(api, kErrShutdownFailed, L"ShutdownSystem failed: " + api.SystemErrorText(api.LastError()));
}

std::wstring DescribeUnhandledError(const ShutdownError& error) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring number = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4) number += kHex[(error.Number() >> shift) & 0xF];
    std::wstring text = error.Description();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text + L"\r\n\r\nError " + number + L" (" + error.Source() + L")";
}

}  // namespace qv
