#include "bootmode/way_back_copy.h"

#include "bootmode/command_line.h"
#include "system/seams.h"
#include "system/program_paths.h"

namespace qv {

namespace {

std::wstring WayBackCopyFolder() { return Windows().WindowsFolder() + L"\\Quorvine"; }

}  // namespace

bool RunsFromRemovableDrive() {
    const std::wstring exe = AppExePath();
    if (exe.size() < 3 || exe[1] != L':') return false;  // a network path: refused, or fails its read-back
    const uint32_t type = Windows().DriveType(exe.substr(0, 3));
    return type != kDriveFixed && type != kDriveRemote;
}

bool WayBackStartsCopy() {
    // Past the classic path limit nothing proves that Windows starts the exe
    // at logon, even by its short name: the copy's path is short.
    return RunsFromRemovableDrive() || AppExePath().size() > kLongestStartablePath;
}

std::wstring WayBackCopyPath() { return WayBackCopyFolder() + L"\\" + FileNameOf(AppExePath()); }

std::wstring PlannedWayBackExe() { return WayBackStartsCopy() ? WayBackCopyPath() : AppExePath(); }

std::optional<std::wstring> WayBackExe() {
    if (!WayBackStartsCopy()) return AppExePath();
    const auto original = Files().ReadBytes(Program().ExecutablePath());
    if (!original || original->empty() || !Files().MakeAdminOnlyFolder(WayBackCopyFolder())) return std::nullopt;
    const std::wstring copy = WayBackCopyPath();
    if (Files().ReadBytes(copy) == original) return copy;  // made by an earlier run
    if (!Files().CopyFileOver(Program().ExecutablePath(), copy) || Files().ReadBytes(copy) != original) return std::nullopt;
    return copy;
}

void RemoveWayBackCopy() {
    const std::wstring copy = WayBackCopyPath();
    if (!Files().SameFile(copy, Program().ExecutablePath())) {
        // Run from anywhere else, the copy (when there is one) goes at once.
        if (Files().FileExists(copy) && Files().RemoveFile(copy)) Files().RemoveFolder(WayBackCopyFolder());
        return;
    }
    // A running program cannot be deleted, but renamed: its name is free at
    // once for a new copy, which the delete at the next start then spares.
    const std::wstring leaving = copy + L".removed";
    if (Files().RenameFile(copy, leaving)) {
        Files().DeleteAtRestart(leaving);
        Files().DeleteAtRestart(WayBackCopyFolder());
    }
}

}  // namespace qv
