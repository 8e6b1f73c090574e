#include "system/program_paths.h"

#include "system/seams.h"

namespace qv {

std::wstring EntryTitle;
std::wstring BootIniPath;
std::wstring BootIniBackupName;
std::wstring BcdBackupPath;

namespace {

// The folder as Windows reports it; ends in a backslash only at a root.
std::wstring ReportedFolder(const std::wstring& exePath) {
    size_t slash = exePath.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = exePath.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

}  // namespace

std::wstring SystemDrive() {
    const std::wstring windows = Windows().WindowsFolder();
    return windows.size() >= 2 && windows[1] == L':' ? windows.substr(0, 2) : std::wstring();
}

void SetProgramConstants() {
    const std::wstring systemDrive = SystemDrive();
    EntryTitle = L"Tamberlow Quorvine Mod";
    BootIniPath = systemDrive + L"\\boot.ini";
    BootIniBackupName = L"\\boot.Tamberlow";
    BcdBackupPath = systemDrive + L"\\BCDbak";
}

std::wstring ArgumentTextOf(const std::wstring& commandLine) {
    size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    if (i < commandLine.size() && commandLine[i] == L'"') {
        size_t close = commandLine.find(L'"', i + 1);
        i = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    }
    // Blanks at the end are dropped too, so "/safe " typed by hand still counts.
    std::wstring rest = commandLine.substr(i);
    size_t first = rest.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    size_t last = rest.find_last_not_of(L" \t");
    return rest.substr(first, last - first + 1);
}

std::wstring ArgumentText() { return ArgumentTextOf(Program().CommandLine()); }

std::wstring AppFolder() {
    std::wstring folder = ReportedFolder(Program().ExecutablePath());
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring AppExePath() {
    const std::wstring path = Program().ExecutablePath();
    size_t slash = path.rfind(L'\\');
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return AppFolder() + name + L".exe";
}

}  // namespace qv
