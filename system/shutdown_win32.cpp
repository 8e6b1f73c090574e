// The Windows calls behind ShutdownSystem.
#include <string>
#include <vector>

#include <windows.h>

#include "system/error_text_win32.h"
#include "system/handles_win32.h"
#include "system/seams.h"
#include "system/platform_win32.h"
#include "system/shutdown.h"

namespace qv::win32 {

namespace {

constexpr DWORD kTokenAccess = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;  // 0x28

class Win32ShutdownApi final : public ShutdownApi {
public:
    bool GetPlatformId(uint32_t& platformId) override {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
        platformId = info.dwPlatformId;
        return true;
    }
    bool LookupShutdownPrivilege() override {
        return LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &luid_) != FALSE;
    }
    bool HaveCurrentProcess() override {
        process_ = GetCurrentProcess();
        return process_ != nullptr;
    }
    bool OpenProcessToken() override {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(process_, kTokenAccess, &token)) return false;
        token_.reset(token);
        return true;
    }
    bool EnablePrivilegeInToken() override {
        TOKEN_PRIVILEGES request{};
        request.PrivilegeCount = 1;
        request.Privileges[0].Luid = luid_;
        request.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous{};
        DWORD returned = 0;
        return AdjustTokenPrivileges(token_.get(), FALSE, &request, sizeof(previous), &previous, &returned) != FALSE;
    }
    void CloseToken() override { token_.reset(); }
    bool RequestRestart(uint32_t flags, uint32_t reason) override { return ExitWindowsEx(flags, reason) != FALSE; }
    int32_t LastError() override { return static_cast<int32_t>(GetLastError()); }
    std::wstring SystemErrorText(int32_t code) override { return win32::SystemErrorText(static_cast<uint32_t>(code)); }
    std::wstring ExecutableBaseName() override {
        std::wstring path = Program().ExecutablePath();
        size_t slash = path.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        size_t dot = name.rfind(L'.');
        return dot == std::wstring::npos ? name : name.substr(0, dot);
    }

private:
    LUID luid_{};
    HANDLE process_ = nullptr;
    UniqueHandle token_;
};

}  // namespace

bool Win32Platform::ShutdownSystem(int32_t flags) {
    Win32ShutdownApi api;
    return qv::ShutdownSystem(api, flags);
}

}  // namespace qv::win32
