// Restarting Windows, and the error that restart raises.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace qv {

inline constexpr int kRestartFlags = 6;  // restart, forced

inline constexpr uint32_t kErrShutdownFailed = 0x8004062B;
inline constexpr uint32_t kErrNoPrivilegeValue = 0x8004062C;
inline constexpr uint32_t kErrNoCurrentProcess = 0x8004062D;
inline constexpr uint32_t kErrNoPrivileges = 0x8004062E;
inline constexpr uint32_t kErrInvalidFlags = 0x8004062F;

class ShutdownError : public std::exception {
public:
    ShutdownError(uint32_t number, std::wstring source, std::wstring description)
        : number_(number), source_(std::move(source)), description_(std::move(description)) {}
    uint32_t Number() const { return number_; }
    const std::wstring& Source() const { return source_; }
    const std::wstring& Description() const { return description_; }
    const char* what() const noexcept override { return "ShutdownError"; }

private:
    uint32_t number_;
    std::wstring source_;
    std::wstring description_;
};

// What restarting needs of Windows, given as `Api`: the Win32 side's calls
// (program_starter_win32.cpp) or a test's fake. No virtual layer: the one seam
// to Windows is ProgramStarter::ShutdownSystem, whose Win32 side runs this.
//   bool GetPlatformId(uint32_t& platformId)   GetVersionExA, plain record
//   bool LookupShutdownPrivilege(), HaveCurrentProcess(), OpenProcessToken(),
//        EnablePrivilegeInToken()
//   void CloseToken()
//   bool RequestRestart(uint32_t flags, uint32_t reason)
//   int32_t LastError()
//   std::wstring SystemErrorText(int32_t code)
//   std::wstring ExecutableBaseName()

inline constexpr uint32_t kEveryReasonBit = 0xFFFFFFFF;
inline constexpr uint32_t kPlatformNt = 2;

namespace detail {

// Whether Windows is NT, asked once a run (a failed ask is asked again).
struct NtAnswer {
    bool known = false;
    bool nt = false;
};
NtAnswer& RememberedNtAnswer();

template <typename Api>
[[noreturn]] void Raise(Api& api, uint32_t number, const std::wstring& description) {
    throw ShutdownError(number, api.ExecutableBaseName() + L".mShutDown", description);
}

// Closes the token on every path once it was opened.
template <typename Api>
class TokenGuard {
public:
    explicit TokenGuard(Api& api) : api_(api) {}
    ~TokenGuard() { api_.CloseToken(); }
    TokenGuard(const TokenGuard&) = delete;
    TokenGuard& operator=(const TokenGuard&) = delete;

private:
    Api& api_;
};

}  // namespace detail

template <typename Api>
bool IsNtPlatform(Api& api) {
    detail::NtAnswer& answer = detail::RememberedNtAnswer();
    if (answer.known) return answer.nt;
    uint32_t platformId = 0;
    // A failed call is asked again next time.
    if (!api.GetPlatformId(platformId)) return answer.nt;
    answer.nt = platformId == kPlatformNt;
    answer.known = true;
    return answer.nt;
}

void ForgetNtPlatformAnswer();  // tests only

template <typename Api>
bool EnableShutdownPrivilege(Api& api) {
    if (!api.LookupShutdownPrivilege()) {
        detail::Raise(api, kErrNoPrivilegeValue,
                      L"Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value.[" +
                          api.SystemErrorText(api.LastError()) + L"]");
    }
    if (!api.HaveCurrentProcess()) {
        detail::Raise(api, kErrNoCurrentProcess,
                      L"Can't enable shutdown: Can't determine the current process. [" +
                          api.SystemErrorText(api.LastError()) + L"]");
    }
    const std::wstring noPrivileges =
        L"Can't enable shutdown: You do not have the privileges to shutdown this system. [";
    if (!api.OpenProcessToken()) {
        detail::Raise(api, kErrNoPrivileges, noPrivileges + api.SystemErrorText(api.LastError()) + L"]");
    }
    detail::TokenGuard<Api> token(api);
    // A nonzero answer counts even when Windows reports that not every
    // privilege was assigned; ExitWindowsEx tells the truth later.
    if (!api.EnablePrivilegeInToken()) {
        detail::Raise(api, kErrNoPrivileges, noPrivileges + api.SystemErrorText(api.LastError()) + L"]");
    }
    return true;
}

template <typename Api>
bool ShutdownSystem(Api& api, int32_t flags) {
    if (flags < 0 || flags > 31) {
        detail::Raise(api, kErrInvalidFlags, L"Invalid parameter to ShutdownSystem: " + std::to_wstring(flags));
    }
    if (IsNtPlatform(api) && !EnableShutdownPrivilege(api)) return false;
    if (api.RequestRestart(static_cast<uint32_t>(flags), kEveryReasonBit)) return true;
    detail::Raise(api, kErrShutdownFailed, L"ShutdownSystem failed: " + api.SystemErrorText(api.LastError()));
}

// Describes a ShutdownError the way the top of the program shows it.
std::wstring DescribeUnhandledError(const ShutdownError& error);

}  // namespace qv
