#include "system/network_location.h"

#include "system/platform.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr uint32_t kFirstRemoteNameSize = 80;

// The program's folder as the platform reports it: no trailing backslash
// except at the root of a drive.
std::wstring ProgramFolder() {
    std::wstring folder = AppFolder();
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

bool WarnIfOnNetwork() {
    if (!IsNetworkPath(L"")) return false;
    Sys().ShowMessage(
        L"Quorvine may be running from the network; please copy Quorvine.exe to the local PC before usage."
        L"\r\n\r\n"
        L"(If Windows restarts in Safe Mode now, it cannot access Quorvine.exe upon restart to remove this "
        L"temporary configuration, which may leave you stuck in Safe Mode!)",
        L"", kMbOk);
    return true;
}

bool IsNetworkPath(const std::wstring& path) {
    const std::wstring target = path.empty() ? ProgramFolder() : path;
    if (target.rfind(L"\\\\", 0) == 0) return true;
    return ResolveUncPath(target).rfind(L"\\\\", 0) == 0;
}

std::wstring ResolveUncPath(const std::wstring& path) {
    std::wstring remoteName;
    uint32_t status = GetRemoteName(path, remoteName);
    if (status == kErrorNotConnected) return path;
    return Trim(TextBeforeLast(remoteName, std::wstring(1, L'\0')));
}

uint32_t GetRemoteName(const std::wstring& path, std::wstring& remoteName) {
    const std::wstring localName = path.substr(0, 2);
    uint32_t bufferSize = kFirstRemoteNameSize;
    uint32_t status = 0;
    do {
        remoteName.assign(bufferSize, L' ');
        status = Sys().GetConnection(localName, remoteName, bufferSize);
    } while (status == kErrorMoreDataNet);
    if (status == 0) {
        size_t end = remoteName.find(L'\0');
        if (end != std::wstring::npos) remoteName.resize(end);
    }
    return status;
}

std::wstring TextBeforeLast(const std::wstring& text, const std::wstring& delimiter) {
    if (text.empty()) return {};
    size_t at = text.rfind(delimiter);
    if (at == std::wstring::npos) return text;
    return text.substr(0, at);
}

}  // namespace qv
