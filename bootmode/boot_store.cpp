// The real boot store: bcdedit.exe for every change and for the running
// entry's identifier, the store's registry hive for every element
// (boot_entries.cpp), boot.ini through its editor (boot_ini.cpp).
#include "bootmode/boot_store.h"

#include "bootmode/boot_entries.h"
#include "bootmode/boot_ini.h"
#include "system/file_checks.h"
#include "system/seams.h"
#include "system/process.h"
#include "system/program_paths.h"

namespace qv {

namespace {

constexpr const wchar_t* kBcdedit = L"bcdedit.exe";

StoreChange Run(const std::wstring& arguments) {
    const CommandResult done = RunSystemProgram(kBcdedit, arguments);
    return {done.ok, std::wstring(kBcdedit) + L" " + arguments, done.reason};
}

// bcdedit's words for a Safe Mode: "safeboot" and the command-prompt shell.
const wchar_t* SafeBootValue(Mode mode) { return mode == Mode::Network ? L"network" : L"minimal"; }

class BcdeditBootStore final : public BootStore {
public:
    std::optional<std::wstring> RunningEntry() override { return ReadRunningEntryId(); }
    EntryListing ReadEntry(const std::wstring& entry) override { return qv::ReadEntry(entry); }
    std::optional<bool> EntryInStore(const std::wstring& entry) override { return qv::EntryInStore(entry); }
    std::optional<std::vector<std::wstring>> ReadBootSequence() override { return qv::ReadBootSequence(); }
    std::optional<std::wstring> ReadDefaultEntry() override { return qv::ReadDefaultEntry(); }

    StoreChange SetSafeMode(Mode mode, const std::wstring& entry) override {
        // "minimal" would be the wrong answer to a wrong question.
        if (mode == Mode::Normal) return {false, L"", L"Normal Mode is no Safe Mode setting"};
        const std::wstring target = entry.empty() ? L"" : entry + L" ";
        StoreChange set = Run(L"/set " + target + L"safeboot " + SafeBootValue(mode));
        if (set.ok && mode == Mode::CommandPrompt) set = Run(L"/set " + target + L"safebootalternateshell true");
        return set;
    }
    StoreChange RemoveSafeMode() override {
        const StoreChange deleted = Run(L"/deletevalue safeboot");
        const StoreChange shellDeleted = Run(L"/deletevalue safebootalternateshell");
        return deleted.ok ? shellDeleted : deleted;
    }
    std::wstring ShellRemovalCommand() override { return L"bcdedit.exe /deletevalue safebootalternateshell"; }
    StoreChange ExportBackup(const std::wstring& path) override { return Run(L"/export " + path); }
    EntryCopy CopyRunningEntry(const std::wstring& description) override {
        const std::wstring arguments = L"/copy {current} /d \"" + description + L"\"";
        // Read straight from its output, as the running entry's listing is.
        const auto copied = ReadSystemProgram(kBcdedit, arguments);
        EntryCopy copy;
        copy.entry = copied ? CopiedEntryId(*copied) : std::nullopt;
        copy.change = {copy.entry.has_value(), std::wstring(kBcdedit) + L" " + arguments,
                       copied && !copy.entry ? L"no identifier of a new entry in its output" : L""};
        return copy;
    }
    StoreChange HideEntry(const std::wstring& entry) override { return Run(L"/displayorder " + entry + L" /remove"); }
    StoreChange SetBootSequence(const std::wstring& entry) override { return Run(L"/bootsequence " + entry); }
    StoreChange ClearBootSequence(const std::wstring& entry) override {
        return Run(L"/bootsequence " + entry + L" /remove");
    }
    StoreChange DeleteEntry(const std::wstring& entry) override { return Run(L"/delete " + entry); }

    StoredMode ReadBootIni() override {
        const auto bootIni = Files().ReadTextFile(BootIniPath);
        return bootIni ? StoredModeFromBootIni(bootIni->text) : StoredMode::Unknown();
    }
    bool BootIniBackedUp() override { return FileExists(SystemDrive() + BootIniBackupName); }
    BootIniResult SetBootIniSafeMode(Mode mode) override {
        if (mode == Mode::Normal) return {false, L"Normal Mode is no Safe Mode entry", false, {}};
        return qv::SetBootIniSafeMode(BootIniPath, BootIniBackupName, EntryTitle, mode == Mode::CommandPrompt,
                                      mode == Mode::Network);
    }
    BootIniResult RestoreBootIni() override { return qv::RestoreBootIni(BootIniPath, BootIniBackupName); }
};

BcdeditBootStore realStore;
BootStore* installed = nullptr;

}  // namespace

std::optional<std::wstring> EntryIdentifier(const std::wstring& text) {
    const auto entry = CopiedEntryId(text);
    return entry && entry->size() == text.size() ? entry : std::nullopt;
}

BootStore& Store() { return installed ? *installed : realStore; }

BootStore* SetBootStore(BootStore* store) {
    BootStore* previous = installed;
    installed = store;
    return previous;
}

}  // namespace qv
