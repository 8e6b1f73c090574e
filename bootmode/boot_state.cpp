#include "bootmode/boot_state.h"

#include "bootmode/boot_ini.h"
#include "opsys/windows_version.h"
#include "system/platform.h"
#include "system/process.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

SafeBootState SafeBootStateFromEnum(const std::wstring& output) {
    bool safeBoot = false;
    bool network = false;
    bool alternateShell = false;
    for (const std::wstring& raw : Lines(output)) {
        const std::wstring line = LowerCase(Trim(raw));
        // Element names are not translated; "safeboot" then its value.
        if (line.rfind(L"safeboot ", 0) == 0) {
            safeBoot = true;
            network = line.find(L"network") != std::wstring::npos;
        }
        // Its yes/no is printed in the display language ("Ja", "Oui", "Да"), so
        // only its presence is read: the program and Windows' own tools set it
        // to yes or remove it, and a wrong guess only arms one way back more.
        if (line.rfind(L"safebootalternateshell ", 0) == 0) alternateShell = true;
    }
    if (!safeBoot) return SafeBootState::Absent;
    if (alternateShell) return SafeBootState::CommandPrompt;
    return network ? SafeBootState::Network : SafeBootState::Minimal;
}

SafeBootState ReadSafeBootState() {
    // Read straight from its output: through cmd.exe the command processor's
    // own "Autorun" (this program's /undo in the command-prompt mode) would run too.
    const auto output = ReadSystemProgram(L"bcdedit.exe", L"/enum {current}");
    if (!output || output->empty()) return SafeBootState::Unknown;
    return SafeBootStateFromEnum(*output);
}

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

SafeBootState ReadNextStart() {
    if (OsIsVista()) return ReadSafeBootState();
    const auto bootIni = Sys().ReadTextFile(BootIniPath);
    return bootIni ? SafeBootStateFromBootIni(bootIni->text) : SafeBootState::Unknown;
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
        case SafeBootState::Unknown:
            return L"unknown (the boot configuration could not be read)";
    }
    return {};
}

}  // namespace qv
