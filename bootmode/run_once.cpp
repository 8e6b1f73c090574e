#include "bootmode/run_once.h"

#include "bootmode/command_line.h"
#include "bootmode/way_back_copy.h"
#include "system/cause.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/settings.h"

namespace qv {

std::optional<std::wstring> RunOncePolicyKey() {
    // Windows honours it for the machine and for the user who logs on.
    for (const wchar_t* location : {L"HKLM", L"HKCU"}) {
        SettingValue value = int32_t{0};
        if (Settings().ReadSetting(location, kExplorerPolicyKey, kRunOncePolicyValue, L"D", int32_t{0}, value) ==
                kStatusOk &&
            SettingAsInt32(value) != 0)
            return std::wstring(location) + L"\\" + kExplorerPolicyKey;
    }
    return std::nullopt;
}

bool RunOnceBlockedByPolicy() { return RunOncePolicyKey().has_value(); }

std::wstring RunOnceValueName() { return L"*" + EntryTitle; }

Step ArmRunOnce() {
    const auto exe = WayBackExe();
    if (!exe) return Step::Failed(kWayBackCopyNotMade);
    const auto exePath = ExePathForCommandProcessor(*exe);
    if (!exePath) return Step::Failed(kNoPathReachesExe);
    const std::wstring data = RunOnceDataFor(*exePath);
    const auto before = ReadMachineText(kRunOnceKey, RunOnceValueName());
    const int32_t status = Settings().WriteSetting(L"HKLM", kRunOnceKey, RunOnceValueName(), L"S", data);
    Step armed = Step::Failed(StatusCause(status));
    if (status == kStatusOk) {
        // Read back as the command processor will read it, down to the file it starts.
        const auto stored = ReadMachineText(kRunOnceKey, RunOnceValueName());
        if (stored == data && StartsExe(ProgramOfRunOnce(*stored), *exe)) return {};
        armed = Step::Failed(stored == data ? kEntryStartsOtherExe : kEntryNotReadBack);
    }
    // An entry that would start another program must not stay.
    if (before)
        Settings().WriteSetting(L"HKLM", kRunOnceKey, RunOnceValueName(), L"S", *before);
    else
        Settings().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    return armed;
}

}  // namespace qv
