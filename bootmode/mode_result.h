// What a mode operation did, for the switch handler and the window to turn
// into messages, output lines and exit codes. The operations themselves ask
// and report nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

enum class ModeOutcome {
    Configured,   // the Safe Mode setting and its way back are in place
    Declined,     // the user answered No; nothing changed
    Stopped,      // not configured, and what was begun is taken back (see the problems)
    Restored,     // Normal Mode at the next start
    NotRestored,  // Normal Mode was asked for, but a Safe Mode setting may still be there
    Busy,         // another Quorvine did not finish its work in time; nothing done
};

enum class ProblemKind {
    WayBackUnreachable,  // no form of the exe's path reaches it from its folder; nothing changed
    RunOnceBlocked,      // a policy keeps Windows from running the run-once entry; nothing changed
    WayBackNotArmed,     // the way back could not be written, or would not start this exe
    WayBackNotRearmed,   // Safe Mode may stay, and its way back could not be armed again
    CommandFailed,       // detail: the command; reason: why
    BootIniStep,         // detail: the boot.ini editor's own message (critical)
    BootIniAborted,      // the configuration stopped because boot.ini could not be changed
    SafeBootNotRemoved,  // the boot store kept the Safe Mode setting
    StoreUnreadable,     // the boot configuration could not be read
    BackupNotMade,       // detail: the export command (a warning)
    RepairNoFolder,      // the SafeBoot key was not repaired: no private folder (a warning)
    RepairImportFailed,  // the SafeBoot key was not repaired: reg.exe import failed (a warning)
    RestartFailed,       // detail: the error's description; the configuration stays (a warning)
    BackupLeft,          // detail: the editor's message; boot.ini is back, its backup stays (a warning)
    Busy,                // another Quorvine is still at work
    // Safe Mode with Networking for one start:
    OneStartUnsupported,   // boot.ini has no one-time start; nothing changed
    OneStartPending,       // the boot manager already holds a one-time start; nothing changed
    OneStartNotRecorded,   // detail: the copy, whose identifier could not be recorded
    OneStartNotConfirmed,  // detail: the copy; the store did not read back as written
    OneStartStayed,        // detail: the copy, which may still be the next start
    OneStartCopyLeft,      // detail: the copy, which could not be deleted (a warning)
    OneStartStoreUnknown,  // the running entry or the one-time sequence could not be read; nothing changed
    OneStartSafeModeStays,  // the running entry keeps a Safe Mode setting or shell; nothing changed
    ForeignOneStart,        // detail: the entry another program's pending one-time start leads into Safe Mode
    // Services named for Safe Mode:
    ServiceUnknown,       // detail: the name, which is no service; nothing changed
    ServiceGroupMissing,  // detail: a group a service depends on, not in the SafeBoot key (a warning)
    ServiceNotAdded,      // detail: the SafeBoot entry; reason: why; what was added is taken back
    ServiceNotRemoved,    // detail: the SafeBoot entry; reason: why; it stays recorded (a warning)
};

struct Problem {
    ProblemKind kind;
    std::wstring detail = {};
    std::wstring reason = {};
    bool cleared = false;  // CommandFailed: what was begun is known to be gone again
};

// A problem after which what was asked for is done all the same.
inline bool IsWarning(ProblemKind kind) {
    return kind == ProblemKind::BackupNotMade || kind == ProblemKind::RepairNoFolder ||
           kind == ProblemKind::RepairImportFailed || kind == ProblemKind::RestartFailed ||
           kind == ProblemKind::BackupLeft || kind == ProblemKind::OneStartCopyLeft ||
           kind == ProblemKind::ServiceGroupMissing || kind == ProblemKind::ServiceNotRemoved;
}

struct ModeResult {
    // A result that ended before any work: busy, declined, refused.
    static ModeResult Ended(ModeOutcome outcome, std::optional<ProblemKind> why = std::nullopt) {
        ModeResult result;
        result.outcome = outcome;
        if (why) result.Add(*why);
        return result;
    }
    static ModeResult Ended(ModeOutcome outcome, Problem why) {
        ModeResult result;
        result.outcome = outcome;
        result.problems.push_back(std::move(why));
        return result;
    }

    ModeOutcome outcome = ModeOutcome::Configured;
    // In the order they happened; each becomes one message.
    std::vector<Problem> problems;
    bool restartRequested = false;
    // For the plain output lines: what was set, and what brings Windows back.
    std::wstring modeName;
    std::wstring wayBack;
    bool nextStartOnly = false;  // the boot manager's one-time start, not a lasting setting
    // SafeBoot entries ("Network\\Agent") of the services asked for Safe Mode:
    std::vector<std::wstring> servicesAdded;  // added now, and recorded for their removal
    std::vector<std::wstring> servicesFound;  // there before, left as they are
    std::vector<std::wstring> servicesTakenAway;

    void Add(ProblemKind kind, std::wstring detail = {}, std::wstring reason = {}, bool cleared = false) {
        problems.push_back({kind, std::move(detail), std::move(reason), cleared});
    }
    bool Has(ProblemKind kind) const {
        for (const Problem& problem : problems)
            if (problem.kind == kind) return true;
        return false;
    }
    void Append(const ModeResult& other) {
        problems.insert(problems.end(), other.problems.begin(), other.problems.end());
        servicesTakenAway.insert(servicesTakenAway.end(), other.servicesTakenAway.begin(),
                                 other.servicesTakenAway.end());
    }
};

}  // namespace qv
