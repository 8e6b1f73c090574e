#include "bootmode/boot_state.h"

#include "bootmode/boot_ini.h"
#include "opsys/windows_version.h"
#include "system/platform.h"
#include "system/process.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

namespace {

bool IsDashes(const std::wstring& line) {
    return line.size() >= 3 && line.find_first_not_of(L'-') == std::wstring::npos;
}

}  // namespace

SafeBootState SafeBootStateFromEnum(const std::wstring& output, const std::wstring& entry) {
    // Only a whole entry says anything: its title (in the display language)
    // over a line of dashes, then its "identifier" line. A listing cut short or
    // an error text that ended with exit code 0 is unknown, never "no Safe Mode".
    bool underline = false;
    bool inEntry = false;
    bool safeBoot = false;
    bool network = false;
    bool alternateShell = false;
    for (const std::wstring& raw : Lines(output)) {
        const std::wstring line = LowerCase(Trim(raw));
        if (line.empty()) continue;
        if (!inEntry) {
            inEntry = underline && line.rfind(L"identifier ", 0) == 0 && Trim(line.substr(11)) == LowerCase(entry);
            underline = IsDashes(line);
            continue;
        }
        if (IsDashes(line)) break;  // the title of a next entry is already behind
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
    if (!inEntry) return SafeBootState::Unknown;
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
