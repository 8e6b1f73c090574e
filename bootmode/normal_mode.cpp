// Normal Mode restoration: take every trace of a Safe Mode configuration away.
// The safe-boot setting goes first and the way back last, the mirror of the
// order of configuring, so that nothing can stop it half-way with Safe Mode set
// and nothing left to undo it.
#include "bootmode/normal_mode.h"

#include "bootmode/autorun.h"
#include "bootmode/boot_state.h"
#include "bootmode/boot_store.h"
#include "bootmode/one_start.h"
#include "bootmode/run_once.h"
#include "bootmode/safe_services.h"
#include "bootmode/way_back.h"
#include "bootmode/way_back_copy.h"
#include "opsys/windows_version.h"
#include "system/file_security.h"
#include "system/seams.h"
#include "system/operation_lock.h"
#include "system/process.h"
#include "system/program_paths.h"

namespace qv {

namespace {

// A Safe Mode setting that may still be there keeps its way back (the run-once
// entry is re-armed: Windows consumed it to start this run), so the next start
// in Safe Mode tries again instead of stranding the user.
// Failed when it could not be armed again: the user must then hear that
// nothing will bring Windows back by itself.
Step KeepTheWayBack(bool commandPrompt) {
    const Step armed = ArmRunOnce();
    if (!commandPrompt || OwnAutorunArmed()) return armed;
    const Step shell = SetUpCommandPromptShell();
    return armed ? shell : armed;
}

void KeepTheWayBack(bool commandPrompt, ModeResult& result) {
    if (const Step armed = KeepTheWayBack(commandPrompt); !armed)
        result.Add(ProblemKind::WayBackNotRearmed, {}, armed.Cause());
}

// What keeps a pending one-time start of another program from being a
// normal one: its entry holds a Safe Mode setting, or the sequence or the
// entry cannot be read.
std::optional<Problem> ForeignOneStartStays() {
    const auto sequence = Store().ReadBootSequence();
    if (!sequence) return Problem{ProblemKind::StoreUnreadable, {}, kSequenceUnreadable};
    if (sequence->empty()) return std::nullopt;
    const EntryListing entry = Store().ReadEntry(sequence->front());
    if (entry.safeBoot == Mode::Normal && !entry.alternateShell) return std::nullopt;
    return Problem{ProblemKind::ForeignOneStart, sequence->front()};
}

}  // namespace

ModeResult RestoreNormalMode(CommandFile commandFile, StoreCheck storeCheck) {
    // Nested when a configuration clears the earlier one first.
    const OperationLock lock;
    if (!lock.Held()) return ModeResult::Ended(ModeOutcome::Busy, ProblemKind::Busy);
    ModeResult result;
    result.outcome = ModeOutcome::Restored;
    result.modeName = L"normal mode";
    // Only whether the way back asks first; never what brings Windows back.
    Settings().DeleteSetting(L"HKLM", kProgramKey, kBootModeValue);
    const bool commandPromptArmed = OwnAutorunArmed();
    bool gone = true;
    if (OsIsVista()) {
        // A one-time start would come before the setting: it goes first.
        const OneStartTakeBack oneStart = TakeBackOneStart();
        const StoreChange removed = Store().RemoveSafeMode();
        if (!removed.ok) {
            // A missing element fails too; only a look at the store tells them
            // apart. Before a new configuration the way back is simply left.
            gone = false;
            if (storeCheck == StoreCheck::Read) {
                const EntryListing entry = ReadCurrentEntry();
                // A shell left behind would make the next Safe Mode a prompt
                // that no run-once entry leaves: it counts as a setting that stayed.
                gone = entry.safeBoot == Mode::Normal && !entry.alternateShell;
                if (!gone) {
                    result.Add(entry.safeBoot == StoredMode::Unknown() ? ProblemKind::StoreUnreadable
                                                                       : ProblemKind::SafeBootNotRemoved,
                               {}, removed.Cause());
                    KeepTheWayBack(commandPromptArmed || entry.alternateShell, result);
                }
            }
        }
        // A one-time start comes before any setting of the running entry:
        // one that still leads into Safe Mode, Quorvine's own or another
        // program's (which is left alone), keeps Safe Mode and its way back.
        std::optional<Problem> oneTimeStays;
        if (oneStart.sequenceStayed) {
            oneTimeStays = Problem{ProblemKind::OneStartStayed, oneStart.entry, oneStart.sequenceCause};
        } else {
            if (oneStart.copyLeft) result.Add(ProblemKind::OneStartCopyLeft, oneStart.entry, oneStart.copyCause);
            if (storeCheck == StoreCheck::Read) oneTimeStays = ForeignOneStartStays();
        }
        if (oneTimeStays) {
            if (gone && storeCheck == StoreCheck::Read) KeepTheWayBack(commandPromptArmed, result);
            gone = false;
            if (!result.Has(oneTimeStays->kind)) result.problems.push_back(*oneTimeStays);
        }
    } else if (Store().BootIniBackedUp()) {
        const BootIniResult restored = Store().RestoreBootIni();
        // Once boot.ini is back, a backup that stays is only a leftover: the
        // Safe Mode entry is gone, and nothing needs re-arming for it.
        gone = restored.ok || restored.backInPlace;
        if (!restored.ok)
            result.Add(gone ? ProblemKind::BackupLeft : ProblemKind::BootIniStep, restored.failure, restored.cause);
        if (!gone && storeCheck == StoreCheck::Read) KeepTheWayBack(commandPromptArmed, result);
    }
    if (gone) {
        // The services stay named as long as Safe Mode may come.
        TakeBackSafeModeServices(result);
        DisarmWayBack(commandFile);
        // Not before a new configuration, which may arm that very copy again.
        if (storeCheck == StoreCheck::Read) RemoveWayBackCopy();
    } else
        result.outcome = ModeOutcome::NotRestored;
    return result;
}

void StartSiblingInSafeMode() {
    if (OsStartMode() == Mode::Normal) return;
    const std::wstring sibling = AppFolder() + L"..\\Tessel.exe";
    if (TrustedCompanion(sibling)) Programs().StartDetached(L"\"" + sibling + L"\"", kShowNormal);
}

}  // namespace qv
