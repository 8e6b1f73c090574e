// The boot store: the one place that knows how the next start's mode is kept
// (bcdedit and its store on Vista and later, boot.ini before). The mode
// operations ask it in their own words; the host tests put a fake in its place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bootmode/store_readings.h"
#include "opsys/mode.h"

namespace qv {

// What a change did; `command` names it as the user would type it, for the messages.
struct StoreChange {
    bool ok = false;
    std::wstring command;
    std::wstring reason;  // why not, in words; may be empty
    // The command and why it failed, for a line that does not name the command.
    std::wstring Cause() const { return reason.empty() ? command : command + L": " + reason; }
};
// A copy of the running entry: its identifier when one was announced.
struct EntryCopy {
    std::optional<std::wstring> entry;
    StoreChange change;
};

class BootStore {
public:
    virtual ~BootStore() = default;

    // --- Vista and later ---------------------------------------------------
    // The entry Windows started from. Every read of the store starts with it.
    virtual std::optional<std::wstring> RunningEntry() = 0;
    // An entry's Safe Mode elements; Unknown unless every element is there or shown absent.
    virtual EntryListing ReadEntry(const std::wstring& entry) = 0;
    // Whether the entry is in the store at all; empty when that cannot be shown.
    virtual std::optional<bool> EntryInStore(const std::wstring& entry) = 0;
    // The boot manager's one-time sequence (empty when none is pending);
    // empty when it could not be read.
    virtual std::optional<std::vector<std::wstring>> ReadBootSequence() = 0;
    // The boot manager's default entry; empty when it could not be read.
    virtual std::optional<std::wstring> ReadDefaultEntry() = 0;
    // Sets a Safe Mode (not Normal) on the running entry, or on `entry`; the
    // command-prompt mode also sets its shell. On failure names the failing step.
    virtual StoreChange SetSafeMode(Mode mode, const std::wstring& entry = {}) = 0;
    // Removes both Safe Mode settings of the running entry; failed when either
    // could not be removed, as one that is not there cannot.
    virtual StoreChange RemoveSafeMode() = 0;
    // How the user removes the command-prompt shell by hand.
    virtual std::wstring ShellRemovalCommand() = 0;
    virtual StoreChange ExportBackup(const std::wstring& path) = 0;
    virtual EntryCopy CopyRunningEntry(const std::wstring& description) = 0;
    // Takes the entry off the boot menu.
    virtual StoreChange HideEntry(const std::wstring& entry) = 0;
    // The one-time sequence: the entry starts next, once.
    virtual StoreChange SetBootSequence(const std::wstring& entry) = 0;
    // Takes only this entry out of the one-time sequence.
    virtual StoreChange ClearBootSequence(const std::wstring& entry) = 0;
    virtual StoreChange DeleteEntry(const std::wstring& entry) = 0;

    // --- boot.ini (2000 and XP) ---------------------------------------------
    // What its default entry starts; Unknown when boot.ini cannot be read.
    virtual StoredMode ReadBootIni() = 0;
    // Whether the backup of an edit is there, so that there is one to undo.
    virtual bool BootIniBackedUp() = 0;
    // Makes the default entry start the Safe Mode `mode`, keeping it as it was
    // as a second choice and a backup of the untouched file (made once).
    virtual BootIniResult SetBootIniSafeMode(Mode mode) = 0;
    // Puts the backup back in place of boot.ini and deletes it.
    virtual BootIniResult RestoreBootIni() = 0;
};

// `text` as an entry's own identifier ("{guid}"), lower case; empty when it is
// anything else, a well-known name such as "{current}" too.
std::optional<std::wstring> EntryIdentifier(const std::wstring& text);

// The store in force: the real one unless a test installed another.
BootStore& Store();
// Installs `store` (nullptr: the real one again); returns the one it replaced.
BootStore* SetBootStore(BootStore* store);

}  // namespace qv
