#include "bootmode/boot_state.h"

#include "bootmode/boot_entries.h"
#include "bootmode/boot_ini.h"
#include "opsys/windows_version.h"
#include "system/seams.h"
#include "system/process.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

EntryListing ReadCurrentEntry() {
    const auto running = ReadRunningEntryId();
    return running ? ReadEntry(*running) : EntryListing{};
}

SafeBootState ReadSafeBootState() { return ReadCurrentEntry().safeBoot; }

SafeBootState SafeBootStateFromBootIni(const std::wstring& content) {
    const auto arcPath = IniValueIn(content, L"boot loader", L"default");
    const auto entry = arcPath ? IniValueIn(content, L"operating systems", *arcPath) : std::nullopt;
    if (!entry) return SafeBootState::Absent;
    const std::wstring options = LowerCase(*entry);
    if (options.find(L"/safeboot:minimal(alternateshell)") != std::wstring::npos) return SafeBootState::CommandPrompt;
    if (options.find(L"/safeboot:network") != std::wstring::npos) return SafeBootState::Network;
    if (options.find(L"/safeboot:minimal") != std::wstring::npos) return SafeBootState::Minimal;
    return SafeBootState::Absent;
}

NextStart ReadNextStart() {
    NextStart next;
    if (!OsIsVista()) {
        const auto bootIni = Files().ReadTextFile(BootIniPath);
        if (bootIni) next.state = SafeBootStateFromBootIni(bootIni->text);
        return next;
    }
    // A store that bcdedit cannot list is unknown, whatever the hive holds.
    const auto running = ReadRunningEntryId();
    const auto sequence = running ? ReadBootSequence() : std::nullopt;
    if (!sequence) return next;
    next.oneTime = !sequence->empty();
    if (next.oneTime) {
        next.entry = sequence->front();
    } else {
        const auto fallback = ReadDefaultEntry();
        if (!fallback) return next;
        next.entry = *fallback;
    }
    next.state = ReadEntry(next.entry).safeBoot;
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
            Settings().ReadSetting(L"HKLM", L"SYSTEM\\CurrentControlSet\\Control\\SafeBoot\\Option", L"UseAlternateShell",
                              L"D", int32_t{0}, shell);
            return NextStartName(SettingAsInt32(shell) != 0 ? SafeBootState::CommandPrompt : SafeBootState::Minimal);
        }
        case 2:
            return NextStartName(SafeBootState::Network);
    }
    return L"unknown";
}

}  // namespace qv
