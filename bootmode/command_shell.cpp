// The command-prompt alternate shell: "AlternateShell", the command
// processor's "Autorun" way back, and the command file in the Windows folder.
#include "bootmode/bootmode.h"

#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr const wchar_t* kSavedAutorun = L"SavedAutorun";


}  // namespace

std::wstring ReadMachineText(const std::wstring& keyPath, const std::wstring& name, bool& found) {
    SettingValue value = std::wstring();
    found = Sys().ReadSetting(L"HKLM", keyPath, name, L"S", std::wstring(), value) == kStatusOk;
    return SettingAsText(value);
}

std::wstring AutorunCommand() { return L"\"" + AppExePath() + L"\" /undo"; }

bool IsOwnAutorun(const std::wstring& value) {
    // Matched by shape rather than by this path, so a way back armed from
    // another folder is still recognised as the program's own.
    const std::wstring text = Trim(value);
    const std::wstring tail = L"\" /undo";
    return text.size() > tail.size() + 1 && text.front() == L'"' &&
           LowerCase(text.substr(text.size() - tail.size())) == tail;
}

std::wstring CommandShortcutPath() { return Sys().GetEnv(L"windir") + L"\\quorvine.cmd"; }

void SetUpCommandPromptShell() {
    // Another program's Autorun (doskey macros, a tool's init script) is kept
    // aside and put back at the way back, instead of being lost.
    bool found = false;
    const std::wstring current = ReadMachineText(kCommandProcessorKey, L"Autorun", found);
    if (found && !current.empty() && !IsOwnAutorun(current)) {
        if (Sys().WriteSetting(L"HKLM", kProgramKey, kSavedAutorun, L"S", current) != kStatusOk) {
            return;  // never replace a value that could not be kept
        }
    }
    Sys().DeleteSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
    Sys().DeleteSetting(L"HKLM", kSafeBootKey, L"AlternateShell");
    Sys().WriteSetting(L"HKLM", kSafeBootKey, L"AlternateShell", L"S", std::wstring(L"cmd.exe"));
    Sys().WriteSetting(L"HKLM", kCommandProcessorKey, L"Autorun", L"S", AutorunCommand());
    WriteCommandShortcut();
}

bool OwnAutorunArmed() {
    bool found = false;
    const std::wstring current = ReadMachineText(kCommandProcessorKey, L"Autorun", found);
    return found && IsOwnAutorun(current);
}

void RestoreSavedAutorun() {
    bool found = false;
    const std::wstring current = ReadMachineText(kCommandProcessorKey, L"Autorun", found);
    if (found && IsOwnAutorun(current)) {
        Sys().DeleteSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
        found = false;
    }
    bool saved = false;
    const std::wstring keep = ReadMachineText(kProgramKey, kSavedAutorun, saved);
    // A foreign value in place wins; the saved copy then waits for later.
    if (!saved || found) return;
    if (Sys().WriteSetting(L"HKLM", kCommandProcessorKey, L"Autorun", L"S", keep) == kStatusOk) {
        Sys().DeleteSetting(L"HKLM", kProgramKey, kSavedAutorun);
    }
}

void WriteCommandShortcut() {
    DeleteCommandShortcut();
    Sys().AppendTextLine(CommandShortcutPath(), L"\"" + AppExePath() + L"\" %1");
}

void DeleteCommandShortcut() {
    const std::wstring path = CommandShortcutPath();
    if (FileExists(path)) Sys().RemoveFile(path);
}

}  // namespace qv
