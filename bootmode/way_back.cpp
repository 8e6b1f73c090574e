#include "bootmode/way_back.h"

#include <algorithm>
#include <vector>

#include "system/file_checks.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr const wchar_t* kSavedAutorun = L"SavedAutorun";
constexpr const wchar_t* kRunOncePrefix = L"cmd /c start \"\" \"";
constexpr const wchar_t* kRunOnceSuffix = L"\" /remove";
constexpr const wchar_t* kAutorunSuffix = L"\" /undo";

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }
bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The quoted program between a fixed prefix and suffix, as the command
// processor passes it on.
std::optional<std::wstring> QuotedProgram(const std::wstring& text, const std::wstring& prefix,
                                          const std::wstring& suffix) {
    if (text.size() < prefix.size() + suffix.size() + 1) return std::nullopt;
    if (!StartsWith(text, prefix) || !EndsWith(text, suffix)) return std::nullopt;
    std::wstring program = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    if (program.find(L'"') != std::wstring::npos || !SurvivesExpansion(program)) return std::nullopt;
    return program;
}

bool StartsExe(const std::optional<std::wstring>& program, const std::wstring& exe) {
    return program && Files().SameFile(*program, exe);
}

// The full path first, then the short one: both name the exe itself.
std::vector<std::wstring> ExePathForms(const std::wstring& full) {
    std::vector<std::wstring> forms{full};
    const auto shortForm = Files().ShortPath(full);
    if (shortForm && !shortForm->empty() && *shortForm != full && Files().SameFile(*shortForm, full))
        forms.push_back(*shortForm);
    return forms;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WayBackCopyFolder() { return Windows().WindowsFolder() + L"\\Quorvine"; }

// The exe the way back would start, without making anything yet.
std::wstring PlannedWayBackExe() { return WayBackStartsCopy() ? WayBackCopyPath() : AppExePath(); }

std::vector<uint8_t> CommandFileBytes(const std::string& line) {
    std::vector<uint8_t> bytes(line.begin(), line.end());
    bytes.push_back('\r');
    bytes.push_back('\n');
    return bytes;
}

constexpr uint32_t kRegSzType = 1;
constexpr uint32_t kRegExpandSzType = 2;

// The text of a string value as the command processor reads it; empty for
// any other type.
std::optional<std::wstring> TextOf(const RawSetting& value) {
    if (value.type != kRegSzType && value.type != kRegExpandSzType) return std::nullopt;
    std::wstring text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) text += static_cast<wchar_t>(value.data[i] | value.data[i + 1] << 8);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// Another program's Autorun, exactly as it is: any type, every byte.
bool IsForeignAutorun(const RawSetting& value) {
    const auto text = TextOf(value);
    if (!text) return !value.data.empty();
    return !text->empty() && !IsOwnAutorun(*text);
}

bool WriteExactly(const std::wstring& keyPath, const std::wstring& name, const RawSetting& value) {
    if (Settings().WriteRawSetting(L"HKLM", keyPath, name, value) != kStatusOk) return false;
    const RawRead back = Settings().ReadRawSetting(L"HKLM", keyPath, name);
    return back.status == kStatusOk && back.value == value;
}

}  // namespace

bool SurvivesExpansion(const std::wstring& text) { return std::count(text.begin(), text.end(), L'%') < 2; }

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

std::optional<std::wstring> ExePathForCommandProcessor(const std::wstring& exe) {
    for (const auto& form : ExePathForms(exe))
        if (SurvivesExpansion(form) && RunOnceDataFor(form).size() <= kRunOnceLineLimit) return form;
    return std::nullopt;
}

std::optional<std::string> CommandFileLine(const std::wstring& exe) {
    // cmd.exe reads batch files in the console code page, where "%" must be doubled.
    const bool utf8 = Windows().OemCodePage() == kCodePageUtf8;
    for (const auto& form : ExePathForms(exe)) {
        const auto oem = utf8 ? ToUtf8(form) : Windows().ToOemText(form);
        if (!oem) continue;
        std::string line = "\"";
        for (char c : *oem) line += c == '%' ? std::string("%%") : std::string(1, c);
        return line + "\" %1";
    }
    return std::nullopt;
}

bool WayBackCanReachExe(bool commandPrompt) {
    const std::wstring exe = PlannedWayBackExe();
    return ExePathForCommandProcessor(exe) && (!commandPrompt || CommandFileLine(exe));
}

std::wstring RunOnceValueName() { return L"*" + EntryTitle; }

std::wstring RunOnceDataFor(const std::wstring& exePath) {
    // The empty pair of quotes is the window title that "start" takes from its
    // first quoted argument; without it the program path would be the title.
    return kRunOncePrefix + exePath + kRunOnceSuffix;
}

std::wstring AutorunCommandFor(const std::wstring& exePath) { return L"\"" + exePath + kAutorunSuffix; }

std::optional<std::wstring> ProgramOfRunOnce(const std::wstring& data) {
    return QuotedProgram(data, kRunOncePrefix, kRunOnceSuffix);
}

std::optional<std::wstring> ProgramOfAutorun(const std::wstring& value) {
    return QuotedProgram(value, L"\"", kAutorunSuffix);
}

bool IsOwnAutorun(const std::wstring& value) {
    // Another program's "/undo" has the same shape; only what it starts tells.
    const auto program = ProgramOfAutorun(Trim(value));
    if (!program) return false;
    const std::wstring name = LowerCase(FileNameOf(*program));
    return Files().SameFile(*program, Program().ExecutablePath()) || name == L"quorvine.exe" ||
           name == LowerCase(FileNameOf(AppExePath()));
}

std::optional<std::wstring> ReadMachineText(const std::wstring& keyPath, const std::wstring& name) {
    SettingValue value = std::wstring();
    if (Settings().ReadSetting(L"HKLM", keyPath, name, L"S", std::wstring(), value) != kStatusOk) return std::nullopt;
    return SettingAsText(value);
}

bool ArmRunOnce() {
    const auto exe = WayBackExe();
    const auto exePath = exe ? ExePathForCommandProcessor(*exe) : std::nullopt;
    if (!exePath) return false;
    const std::wstring data = RunOnceDataFor(*exePath);
    const auto before = ReadMachineText(kRunOnceKey, RunOnceValueName());
    if (Settings().WriteSetting(L"HKLM", kRunOnceKey, RunOnceValueName(), L"S", data) == kStatusOk) {
        // Read back as the command processor will read it, down to the file it starts.
        const auto stored = ReadMachineText(kRunOnceKey, RunOnceValueName());
        if (stored == data && StartsExe(ProgramOfRunOnce(*stored), *exe)) return true;
    }
    // An entry that would start another program must not stay.
    if (before)
        Settings().WriteSetting(L"HKLM", kRunOnceKey, RunOnceValueName(), L"S", *before);
    else
        Settings().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    return false;
}

std::wstring CommandShortcutPath() { return Windows().WindowsFolder() + L"\\quorvine.cmd"; }

void DeleteCommandShortcut() {
    const std::wstring path = CommandShortcutPath();
    if (FileExists(path)) Files().RemoveFile(path);
}

bool SetUpCommandPromptShell() {
    const auto exe = WayBackExe();
    if (!exe) return false;
    const auto exePath = ExePathForCommandProcessor(*exe);
    const auto line = CommandFileLine(*exe);
    if (!exePath || !line) return false;
    // Another program's Autorun (doskey macros, a tool's init script) is kept
    // aside and put back at the way back, instead of being lost.
    // Never replace a value that could not be read or kept.
    const RawRead current = Settings().ReadRawSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
    if (current.status != kStatusOk && current.status != kErrorFileNotFound) return false;
    if (current.status == kStatusOk && IsForeignAutorun(current.value) &&
        !WriteExactly(kProgramKey, kSavedAutorun, current.value))
        return false;
    // Written over, not deleted first: a write that fails then leaves the
    // value that was there.
    Settings().DeleteSetting(L"HKLM", kSafeBootKey, L"AlternateShell");
    Settings().WriteSetting(L"HKLM", kSafeBootKey, L"AlternateShell", L"S", std::wstring(L"cmd.exe"));
    const std::wstring autorun = AutorunCommandFor(*exePath);
    Settings().WriteSetting(L"HKLM", kCommandProcessorKey, L"Autorun", L"S", autorun);
    DeleteCommandShortcut();
    const auto bytes = CommandFileBytes(*line);
    const bool written = static_cast<bool>(Files().WriteBytes(CommandShortcutPath(), bytes));

    const auto stored = ReadMachineText(kCommandProcessorKey, L"Autorun");
    if (written && stored == autorun && StartsExe(ProgramOfAutorun(*stored), *exe)) return true;
    RestoreSavedAutorun();
    DeleteCommandShortcut();
    return false;
}

void DisarmWayBack(CommandFile commandFile) {
    Settings().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    RestoreSavedAutorun();
    if (commandFile == CommandFile::Remove) DeleteCommandShortcut();
}

std::wstring ArmedWayBack() {
    const auto runOnce = ReadMachineText(kRunOnceKey, RunOnceValueName());
    const bool runOnceArmed = runOnce && ProgramOfRunOnce(*runOnce).has_value();
    const bool autorunArmed = OwnAutorunArmed();
    // Windows would never run it: no way back at all unless the Autorun is one.
    if (!autorunArmed && RunOnceBlockedByPolicy()) return kBlockedWayBack;
    if (runOnceArmed && autorunArmed) return std::wstring(kRunOnceWayBack) + L" and " + kAutorunWayBack;
    if (runOnceArmed) return kRunOnceWayBack;
    return autorunArmed ? kAutorunWayBack : kNoWayBack;
}

bool OwnAutorunArmed() {
    const auto current = ReadMachineText(kCommandProcessorKey, L"Autorun");
    return current && IsOwnAutorun(*current);
}

void RestoreSavedAutorun() {
    bool foreign = true;
    const RawRead current = Settings().ReadRawSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
    if (current.status != kStatusOk) {
        foreign = false;
    } else if (!IsForeignAutorun(current.value)) {
        const auto text = TextOf(current.value);
        if (text && !text->empty()) Settings().DeleteSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
        foreign = false;
    }
    const RawRead keep = Settings().ReadRawSetting(L"HKLM", kProgramKey, kSavedAutorun);
    if (keep.status != kStatusOk) return;
    // The kept value is in its place again (a set-up that failed): no copy needed.
    if (foreign && current.value == keep.value) {
        Settings().DeleteSetting(L"HKLM", kProgramKey, kSavedAutorun);
        return;
    }
    // Another foreign value in place wins; the saved copy then waits for later.
    if (foreign) return;
    // Put back with its type and bytes (REG_EXPAND_SZ stays one, a REG_MULTI_SZ whole).
    if (WriteExactly(kCommandProcessorKey, L"Autorun", keep.value))
        Settings().DeleteSetting(L"HKLM", kProgramKey, kSavedAutorun);
}

}  // namespace qv
