// The remote-name lookup behind the network-location check.
#include <string>
#include <vector>

#include <windows.h>
#include <winnetwk.h>

#include "system/win32.h"

namespace qv::win32 {

uint32_t GetConnection(const std::wstring& localName, std::wstring& remoteName, uint32_t& bufferSize) {
    // The one wide call of the program: remote names are Unicode.
    std::vector<wchar_t> buffer(remoteName.begin(), remoteName.end());
    buffer.resize(bufferSize > buffer.size() ? bufferSize : buffer.size(), L' ');
    DWORD size = bufferSize;
    DWORD status = WNetGetConnectionW(localName.c_str(), buffer.data(), &size);
    bufferSize = size;
    remoteName.assign(buffer.begin(), buffer.end());
    return status;
}

}  // namespace qv::win32
