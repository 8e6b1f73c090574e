// The remote-name lookup behind the network-location check.
#include <string>
#include <vector>

#include <windows.h>
#include <winnetwk.h>

#include "system/system_library_win32.h"
#include "system/platform_win32.h"

namespace qv::win32 {

namespace {
constexpr DWORD kFirstRemoteNameSize = 80;
}

Connection Win32Platform::GetConnection(const std::wstring& drive) {
    // mpr.dll is no DLL that Windows always takes from the system folder, so
    // it is not imported but loaded from there by its full path.
    using GetConnectionFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    static const auto getConnection = SystemFunctionAs<GetConnectionFn>(L"mpr.dll", "WNetGetConnectionW");
    if (!getConnection) return {};
    // A name longer than the buffer is asked for again with the size the system wants.
    DWORD size = kFirstRemoteNameSize;
    std::vector<wchar_t> buffer;
    DWORD status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        buffer.assign(size, L'\0');
        status = getConnection(drive.c_str(), buffer.data(), &size);
    }
    if (status == ERROR_NOT_CONNECTED) return {};
    // Any other failure says nothing of the drive; it counts as local.
    if (status != NO_ERROR) return {Connection::State::Unknown, {}};
    return {Connection::State::Connected, std::wstring(buffer.data())};
}

}  // namespace qv::win32
