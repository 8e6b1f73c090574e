// The remote-name lookup behind the network-location check.
#include <string>
#include <vector>

#include <windows.h>
#include <winnetwk.h>

#include "system/system_library_win32.h"
#include "system/platform_win32.h"

namespace qv::win32 {

uint32_t Win32Platform::GetConnection(const std::wstring& localName, std::wstring& remoteName, uint32_t& bufferSize) {
    // mpr.dll is no DLL that Windows always takes from the system folder, so
    // it is not imported but loaded from there by its full path.
    using GetConnectionFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    static const auto getConnection = SystemFunctionAs<GetConnectionFn>(L"mpr.dll", "WNetGetConnectionW");
    if (!getConnection) return ERROR_NOT_CONNECTED;
    std::vector<wchar_t> buffer(remoteName.begin(), remoteName.end());
    buffer.resize(bufferSize > buffer.size() ? bufferSize : buffer.size(), L' ');
    DWORD size = bufferSize;
    DWORD status = getConnection(localName.c_str(), buffer.data(), &size);
    bufferSize = size;
    remoteName.assign(buffer.begin(), buffer.end());
    return status;
}

}  // namespace qv::win32
