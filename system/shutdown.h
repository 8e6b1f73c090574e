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

// What restarting needs of Windows; the Win32 side implements it, tests fake it.
class ShutdownApi {
public:
    virtual ~ShutdownApi() = default;
    virtual bool GetPlatformId(uint32_t& platformId) = 0;  // GetVersionExA, plain record
    virtual bool LookupShutdownPrivilege() = 0;
    virtual bool HaveCurrentProcess() = 0;
    virtual bool OpenProcessToken() = 0;
    virtual bool EnablePrivilegeInToken() = 0;
    virtual void CloseToken() = 0;
    virtual bool RequestRestart(uint32_t flags, uint32_t reason) = 0;
    virtual int32_t LastError() = 0;
    virtual std::wstring SystemErrorText(int32_t code) = 0;
    virtual std::wstring ExecutableBaseName() = 0;
};

bool ShutdownSystem(ShutdownApi& api, int32_t flags);
bool EnableShutdownPrivilege(ShutdownApi& api);
bool IsNtPlatform(ShutdownApi& api);
void ForgetNtPlatformAnswer();  // tests only

// Describes a ShutdownError the way the top of the program shows it.
std::wstring DescribeUnhandledError(const ShutdownError& error);

}  // namespace qv
