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

// "No" as bcdedit prints it in the display languages of Windows. A word not
// listed counts as yes: at worst one way back more is armed.
bool IsNo(const std::wstring& word) {
    static const wchar_t* const kNo[] = {L"no",
                                         L"nein",
                                         L"non",
                                         L"nee",
                                         L"n\u00e3o",
                                         L"nej",
                                         L"nei",
                                         L"nie",
                                         L"ne",
                                         L"nem",
                                         L"ei",
                                         L"nu",
                                         L"hay\u0131r",
                                         L"\u041d\u0435\u0442",
                                         L"\u041d\u0456",
                                         L"\u038c\u03c7\u03b9",
                                         L"\u05dc\u05d0",
                                         L"\u0644\u0627",
                                         L"\u3044\u3044\u3048",
                                         L"\uc544\ub2c8\uc694",
                                         L"\u5426"};
    for (const wchar_t* no : kNo)
        if (word == no) return true;
    return false;
}

// The value after the element's name.
std::wstring ValueOf(const std::wstring& line, size_t nameLength) { return Trim(line.substr(nameLength)); }

}  // namespace

EntryListing EntryFromEnum(const std::wstring& output, const std::wstring& entry) {
    // Only a whole entry says anything: its title (in the display language)
    // over a line of dashes, then its "identifier" line. A listing cut short or
    // an error text that ended with exit code 0 is unknown, never "no Safe Mode".
    bool underline = false;
    bool inEntry = false;
    std::optional<std::wstring> safeBoot;
    bool shellOn = false;
    EntryListing listing;
    for (const std::wstring& raw : Lines(output)) {
        const std::wstring line = LowerCase(Trim(raw));
        if (line.empty()) continue;
        if (!inEntry) {
            inEntry = underline && line.rfind(L"identifier ", 0) == 0 && ValueOf(line, 11) == LowerCase(entry);
            underline = IsDashes(line);
            continue;
        }
        if (IsDashes(line)) break;  // the title of a next entry is already behind
        // Element names are not translated, nor the values of "safeboot".
        if (line.rfind(L"safeboot ", 0) == 0) safeBoot = ValueOf(line, 9);
        // Its yes/no is printed in the display language ("Ja", "Oui", "Да").
        if (line.rfind(L"safebootalternateshell ", 0) == 0) {
            listing.alternateShell = true;
            const std::wstring word = ValueOf(Trim(raw), 23);
            shellOn = !IsNo(word) && !IsNo(LowerCase(word));
        }
    }
    if (!inEntry) return listing;
    if (!safeBoot)
        listing.safeBoot = SafeBootState::Absent;
    else if (*safeBoot == L"network")
        listing.safeBoot = SafeBootState::Network;
    else if (*safeBoot != L"minimal")
        listing.safeBoot = SafeBootState::Other;
    else
        listing.safeBoot = shellOn ? SafeBootState::CommandPrompt : SafeBootState::Minimal;
    return listing;
}

SafeBootState SafeBootStateFromEnum(const std::wstring& output, const std::wstring& entry) {
    return EntryFromEnum(output, entry).safeBoot;
}

EntryListing ReadCurrentEntry() {
    // Read straight from its output: through cmd.exe the command processor's
    // own "Autorun" (this program's /undo in the command-prompt mode) would run too.
    const auto output = ReadSystemProgram(L"bcdedit.exe", L"/enum {current}");
    if (!output) return {};
    return EntryFromEnum(*output);
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
        case SafeBootState::Other:
            return L"a Safe Mode that Quorvine does not set (see \"bcdedit /enum {current}\")";
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
