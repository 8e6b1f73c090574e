#include "bootmode/boot_state.h"

#include "opsys/windows_version.h"
#include "system/seams.h"

namespace qv {

EntryListing ReadCurrentEntry() {
    const auto running = Store().RunningEntry();
    return running ? Store().ReadEntry(*running) : EntryListing{};
}

StoredMode ReadStoredMode() { return ReadCurrentEntry().safeBoot; }

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

std::wstring NextStartName(StoredMode state) {
    if (state == StoredMode::Other()) return L"a Safe Mode that Quorvine does not set (see \"bcdedit /enum\")";
    switch (state.Known().value_or(Mode::Normal)) {
        case Mode::Normal:
            return state.Known() ? L"Normal" : L"unknown (the boot configuration could not be read)";
        case Mode::Minimal:
            return L"Safe Mode";
        case Mode::Network:
            return L"Safe Mode with Networking";
        case Mode::CommandPrompt:
            return L"Safe Mode with Command Prompt";
    }
    return {};
}

std::wstring ThisStartName() {
    const auto mode = OsStartMode();
    if (!mode) return L"unknown";
    if (*mode == Mode::Minimal) {
        SettingValue shell = int32_t{0};
        Settings().ReadSetting(L"HKLM", L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot\\Option", L"UseAlternateShell", L"D",
                          int32_t{0}, shell);
        if (SettingAsInt32(shell) != 0) return NextStartName(Mode::CommandPrompt);
    }
    return NextStartName(*mode);
}

}  // namespace qv
