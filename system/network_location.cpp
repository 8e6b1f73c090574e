#include "system/network_location.h"

#include "system/seams.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

namespace {

// The program's folder as Windows reports it: no trailing backslash
// except at the root of a drive.
std::wstring ProgramFolder() {
    std::wstring folder = AppFolder();
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

bool WarnIfOnNetwork() {
    if (!IsNetworkPath(L"")) return false;
    User().ShowMessage(
        L"Quorvine may be running from the network; please copy Quorvine.exe to the local PC before usage."
        L"\r\n\r\n"
        L"(If Windows restarts in Safe Mode now, it cannot access Quorvine.exe upon restart to remove this "
        L"temporary configuration, which may leave you stuck in Safe Mode!)",
        L"", kMbOk);
    return true;
}

bool IsNetworkPath(const std::wstring& path) {
    std::wstring target = path.empty() ? ProgramFolder() : path;
    // "\\?\C:\..." is a local path written long; "\\?\UNC\..." and
    // "\\server\..." are not, nor the "UNC\server\..." left of one cut short.
    if (target.rfind(L"\\\\?\\", 0) == 0) target = target.substr(4);
    if (target.rfind(L"\\\\", 0) == 0 || UpperCase(target.substr(0, 4)) == L"UNC\\") return true;
    // A drive Windows reports as remote is one, whatever its connection says.
    if (target.size() >= 2 && target[1] == L':' && Windows().DriveType(target.substr(0, 2) + L"\\") == kDriveRemote)
        return true;
    return ResolveUncPath(target).rfind(L"\\\\", 0) == 0;
}

std::wstring ResolveUncPath(const std::wstring& path) {
    const Connection connection = Windows().GetConnection(path.substr(0, 2));
    switch (connection.state) {
        case Connection::State::NotConnected:
            return path;
        case Connection::State::Connected:
            return Trim(connection.remoteName);
        case Connection::State::Unknown:
            return {};
    }
    return {};
}

}  // namespace qv
