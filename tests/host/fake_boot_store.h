// The boot store as state for the host tests: entries with their Safe Mode
// elements, the boot manager's default and one-time sequence, boot.ini's text
// or none, and failures to inject per operation. ScopedFakePlatform installs
// one beside the fake platform, whose steps record its changes.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bootmode/boot_store.h"

namespace qv::testing {

class FakeBootStore : public BootStore {
public:
    static constexpr const wchar_t* kRunningEntry = L"{5c1a3e2f-7b4d-11ef-9a0c-00155d0a1b2c}";

    struct Entry {
        std::optional<std::wstring> safeBoot;  // "minimal", "network", or a value Quorvine never sets ("dsrepair")
        std::optional<bool> alternateShell;    // there, and on or off
        bool onMenu = true;
        std::wstring description;
    };
    // What an operation does when it fails: `applied`, the change was made
    // all the same (a command that was not seen to end).
    struct Failure {
        std::wstring reason;
        bool applied = false;
    };

    // --- what the test arranges -------------------------------------------
    std::map<std::wstring, Entry> entries{{kRunningEntry, {}}};
    std::wstring running = kRunningEntry;  // empty: the running entry cannot be listed
    std::wstring defaultEntry = kRunningEntry;
    std::vector<std::wstring> bootSequence;
    std::set<std::wstring> unreadable;  // entries whose elements cannot be read
    bool bootManagerUnreadable = false;
    std::wstring nextCopy = L"{49916baf-0e08-11db-9af4-000bdbd316a0}";  // the identifier a copy gets
    std::optional<std::wstring> bootIni;                                // its text; none: there is no boot.ini
    std::optional<std::wstring> bootIniBackup;
    // By operation: "SetSafeMode", "SetShell" (the command-prompt mode's
    // second half), "RemoveSafeMode", "ExportBackup", "CopyRunningEntry",
    // "HideEntry", "SetBootSequence", "ClearBootSequence", "DeleteEntry",
    // "SetBootIniSafeMode", "RestoreBootIni".
    std::map<std::wstring, Failure> failures;

    // --- what the test observes -------------------------------------------
    std::vector<std::wstring> changes;                  // "SetSafeMode minimal", "DeleteEntry {id}", ...
    std::function<void(const std::wstring&)> onChange;  // after each change is made

    Entry& Running() { return entries[kRunningEntry]; }
    // The running entry's Safe Mode as the tests name it: "" (none), "minimal", "network", "cmd".
    std::wstring RunningMode() {
        const Entry& entry = Running();
        if (!entry.safeBoot) return L"";
        return *entry.safeBoot == L"minimal" && entry.alternateShell.value_or(false) ? L"cmd" : *entry.safeBoot;
    }

    // --- BootStore ----------------------------------------------------------
    std::optional<std::wstring> RunningEntry() override {
        return running.empty() ? std::nullopt : std::optional<std::wstring>(running);
    }
    EntryListing ReadEntry(const std::wstring& id) override {
        EntryListing listing;
        const auto found = entries.find(id);
        if (found == entries.end() || unreadable.count(id)) return listing;
        const Entry& entry = found->second;
        listing.alternateShell = entry.alternateShell.has_value();
        if (!entry.safeBoot)
            listing.safeBoot = Mode::Normal;
        else if (*entry.safeBoot == L"network")
            listing.safeBoot = Mode::Network;
        else if (*entry.safeBoot != L"minimal")
            listing.safeBoot = StoredMode::Other();
        else
            listing.safeBoot = entry.alternateShell.value_or(false) ? Mode::CommandPrompt : Mode::Minimal;
        return listing;
    }
    std::optional<bool> EntryInStore(const std::wstring& id) override {
        if (unreadable.count(id)) return std::nullopt;
        return entries.count(id) != 0;
    }
    std::optional<std::vector<std::wstring>> ReadBootSequence() override {
        if (bootManagerUnreadable) return std::nullopt;
        return bootSequence;
    }
    std::optional<std::wstring> ReadDefaultEntry() override {
        if (bootManagerUnreadable || defaultEntry.empty()) return std::nullopt;
        return defaultEntry;
    }
    StoreChange SetSafeMode(Mode mode, const std::wstring& id) override {
        const std::wstring target = id.empty() ? running : id;
        const std::wstring value = mode == Mode::Network ? L"network" : L"minimal";
        StoreChange set = Change(L"SetSafeMode", value + (id.empty() ? L"" : L" " + id),
                                 [&] { return Found(target, [&](Entry& e) { e.safeBoot = value; }); });
        if (set.ok && mode == Mode::CommandPrompt)
            set = Change(L"SetShell", id, [&] { return Found(target, [](Entry& e) { e.alternateShell = true; }); });
        return set;
    }
    StoreChange RemoveSafeMode() override {
        return Change(L"RemoveSafeMode", L"",
                      [&] {
                          // As bcdedit's own: a setting that is not there cannot be removed.
                          Entry& entry = Running();
                          const bool both = entry.safeBoot && entry.alternateShell;
                          entry.safeBoot.reset();
                          entry.alternateShell.reset();
                          return both;
                      });
    }
    std::wstring ShellRemovalCommand() override { return L"remove the shell"; }
    StoreChange ExportBackup(const std::wstring& path) override {
        return Change(L"ExportBackup", path, [] { return true; });
    }
    EntryCopy CopyRunningEntry(const std::wstring& description) override {
        EntryCopy copy;
        copy.change = Change(L"CopyRunningEntry", description, [&] {
            Entry made = Running();
            made.description = description;
            entries[nextCopy] = made;
            return true;
        });
        if (copy.change.ok) copy.entry = nextCopy;
        return copy;
    }
    StoreChange HideEntry(const std::wstring& id) override {
        return Change(L"HideEntry", id, [&] { return Found(id, [](Entry& e) { e.onMenu = false; }); });
    }
    StoreChange SetBootSequence(const std::wstring& id) override {
        return Change(L"SetBootSequence", id, [&] {
            bootSequence = {id};
            return true;
        });
    }
    StoreChange ClearBootSequence(const std::wstring& id) override {
        return Change(L"ClearBootSequence", id, [&] {
            bootSequence.erase(std::remove(bootSequence.begin(), bootSequence.end(), id), bootSequence.end());
            return true;
        });
    }
    StoreChange DeleteEntry(const std::wstring& id) override {
        return Change(L"DeleteEntry", id, [&] {
            // Deleting an entry takes it out of the sequence too.
            bootSequence.erase(std::remove(bootSequence.begin(), bootSequence.end(), id), bootSequence.end());
            return entries.erase(id) != 0;
        });
    }
    StoredMode ReadBootIni() override {
        if (!bootIni) return StoredMode::Unknown();
        if (bootIni->find(L"/safeboot:minimal(alternateshell)") != std::wstring::npos) return Mode::CommandPrompt;
        if (bootIni->find(L"/safeboot:network") != std::wstring::npos) return Mode::Network;
        if (bootIni->find(L"/safeboot:minimal") != std::wstring::npos) return Mode::Minimal;
        return Mode::Normal;
    }
    bool BootIniBackedUp() override { return bootIniBackup.has_value(); }
    BootIniResult SetBootIniSafeMode(Mode mode) override {
        const std::wstring option = mode == Mode::Network         ? L"/safeboot:network"
                                    : mode == Mode::CommandPrompt ? L"/safeboot:minimal(alternateshell)"
                                                                  : L"/safeboot:minimal";
        const StoreChange set = Change(L"SetBootIniSafeMode", option, [&] {
            if (!bootIni) return false;
            if (!bootIniBackup) bootIniBackup = bootIni;
            bootIni = *bootIniBackup + L" " + option;
            return true;
        });
        return {set.ok, set.ok ? L"" : set.reason, false};
    }
    BootIniResult RestoreBootIni() override {
        bool back = false;
        const StoreChange restored = Change(L"RestoreBootIni", L"", [&] {
            if (!bootIniBackup) return false;
            bootIni = bootIniBackup;
            bootIniBackup.reset();
            return back = true;
        });
        return {restored.ok, restored.ok ? L"" : restored.reason, back};
    }

private:
    bool Found(const std::wstring& id, const std::function<void(Entry&)>& change) {
        const auto found = entries.find(id);
        if (found == entries.end()) return false;
        change(found->second);
        return true;
    }
    // Makes the change unless a failure is injected (then only when it is applied anyway).
    StoreChange Change(const std::wstring& operation, const std::wstring& detail, const std::function<bool()>& make) {
        const std::wstring named = detail.empty() ? operation : operation + L" " + detail;
        const auto failure = failures.find(operation);
        bool ok = false;
        if (failure == failures.end() || failure->second.applied) ok = make();
        changes.push_back(named);
        if (onChange) onChange(L"store:" + named);
        if (failure != failures.end()) return {false, named, failure->second.reason};
        return {ok, named, ok ? L"" : L"not done"};
    }
};

}  // namespace qv::testing
