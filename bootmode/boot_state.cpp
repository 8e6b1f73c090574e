#include "bootmode/boot_state.h"

#include "opsys/windows_version.h"
#include "system/platform.h"

namespace qv {

EntryListing ReadCurrentEntry() {
    const auto running = Store().RunningEntry();
    return running ? Store().ReadEntry(*running) : EntryListing{};
}

SafeBootState ReadSafeBootState() { return ReadCurrentEntry().safeBoot; }

NextStart ReadNextStart() {
    NextStart next;
    if (!OsIsVista()) {
        next.state = Store().ReadBootIni();
        return next;
    }
    // A store whose running entry cannot be listed is unknown, whatever else it shows.
    const auto running = Store().RunningEntry();
    const auto sequence = running ? Store().ReadBootSequence() : std::nullopt;
    if (!sequence) return next;
    next.oneTime = !sequence->empty();
    if (next.oneTime) {
        next.entry = sequence->front();
    } else {
        const auto fallback = Store().ReadDefaultEntry();
        if (!fallback) return next;
        next.entry = *fallback;
    }
    next.state = Store().ReadEntry(next.entry).safeBoot;
    next.otherThanRunning = running && *running != next.entry;
    return next;
}

std::wstring NextStartName(SafeBootState state) {
    switch (state) {
        case SafeBootState::Absent:
            return L"Normal";
        case SafeBootState::Minimal:
            return L"Safe Mode";
        case SafeBootState::Network:
            return L"Safe Mode with Networking";
        case SafeBootState::CommandPrompt:
            return L"Safe Mode with Command Prompt";
        case SafeBootState::Other:
            return L"a Safe Mode that Quorvine does not set (see \"bcdedit /enum\")";
        case SafeBootState::Unknown:
            return L"unknown (the boot configuration could not be read)";
    }
    return {};
}

std::wstring ThisStartName() {
    switch (OsWindowsMode()) {
        case 0:
            return NextStartName(SafeBootState::Absent);
        case 1: {
            SettingValue shell = int32_t{0};
            Sys().ReadSetting(L"HKLM", L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot\\Option", L"UseAlternateShell",
                              L"D", int32_t{0}, shell);
            return NextStartName(SettingAsInt32(shell) != 0 ? SafeBootState::CommandPrompt : SafeBootState::Minimal);
        }
        case 2:
            return NextStartName(SafeBootState::Network);
    }
    return L"unknown";
}

}  // namespace qv
