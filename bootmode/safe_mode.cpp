#include "bootmode/safe_mode.h"

#include "bootmode/boot_state.h"
#include "bootmode/boot_store.h"
#include "bootmode/normal_mode.h"
#include "bootmode/one_start.h"
#include "bootmode/run_once.h"
#include "bootmode/safe_services.h"
#include "bootmode/way_back.h"
#include "opsys/windows_version.h"
#include "safeboot/safeboot_repair.h"
#include "system/file_checks.h"
#include "system/operation_lock.h"
#include "system/program_paths.h"

namespace qv {

namespace {

enum class WayBack { RunOnce, Autorun, None };
// A failed boot.ini edit: Tell adds the word that the configuration stopped
// because of it; unattended use has its output line only.
enum class BootIniStop { Tell, Quiet };

// The way back is armed before the safe-boot setting is written, and proven
// to start this exe: a machine must never start in Safe Mode with nothing to
// bring it back.
Step ArmWayBack(WayBack wayBack) {
    switch (wayBack) {
        case WayBack::RunOnce:
            return ArmRunOnce();
        case WayBack::Autorun:
            return SetUpCommandPromptShell();
        case WayBack::None:
            return {};
    }
    return Step::Failed(L"no such way back");
}

// The backup is made once; a failure is a warning: Safe Mode works without it.
void ExportBcdOnce(ModeResult& result) {
    if (FileExists(BcdBackupPath)) return;
    const StoreChange exported = Store().ExportBackup(BcdBackupPath);
    if (!exported.ok) result.Add(ProblemKind::BackupNotMade, exported.command, exported.reason);
}

// After a command that could not be watched to its end, the store itself
// tells whether the setting is there.
bool InPlace(Mode mode) { return ReadStoredMode() == mode; }

void NoteRepair(const SafeBootRepair& repair, ModeResult& result) {
    if (repair.outcome == RepairOutcome::NoPrivateFolder) result.Add(ProblemKind::RepairNoFolder, {}, repair.cause);
    if (repair.outcome == RepairOutcome::ImportFailed) result.Add(ProblemKind::RepairImportFailed, {}, repair.cause);
}

const wchar_t* ModeName(Mode mode) {
    switch (mode) {
        case Mode::Minimal:
            return L"safe mode";
        case Mode::Network:
            return L"safe mode with networking";
        case Mode::CommandPrompt:
            return L"safe mode with command prompt";
        case Mode::Normal:
            break;
    }
    return L"";
}

const wchar_t* WayBackName(WayBack wayBack) {
    switch (wayBack) {
        case WayBack::RunOnce:
            return kRunOnceWayBack;
        case WayBack::Autorun:
            return kAutorunWayBack;
        case WayBack::None:
            return kNoWayBack;
    }
    return L"";
}

// Everything after the restart question.
ModeResult Configure(Mode mode, WayBack wayBack, BootIniStop bootIniStop, const SafeModeServices& services) {
    const OperationLock lock;
    if (!lock.Held()) return ModeResult::Ended(ModeOutcome::Busy, ProblemKind::Busy);
    ModeResult result;
    result.modeName = ModeName(mode);
    result.wayBack = WayBackName(wayBack);
    // An earlier run's services go before the repair, which then puts back
    // any standard entry among them.
    TakeBackSafeModeServices(result);
    const SafeBootRepair repaired = RepairSafeBootKey();
    result.Append(RestoreNormalMode(CommandFile::Keep, StoreCheck::Skip));
    // A command-prompt shell that could not be removed would turn this mode
    // into a prompt that its run-once entry never leaves.
    if (OsIsVista() && mode != Mode::CommandPrompt && ReadCurrentEntry().alternateShell) {
        result.outcome = ModeOutcome::Stopped;
        result.Add(ProblemKind::CommandFailed, Store().ShellRemovalCommand(),
                   L"the running boot entry still holds safebootalternateshell", true);
        return result;
    }
    // After the repair, so its documents cannot change what was found there.
    if (!AddSafeModeServices(services, mode == Mode::Network, result)) {
        result.outcome = ModeOutcome::Stopped;
        return result;
    }
    if (const Step armed = ArmWayBack(wayBack); !armed) {
        result.outcome = ModeOutcome::Stopped;
        result.Add(ProblemKind::WayBackNotArmed, {}, armed.Cause());
        TakeBackSafeModeServices(result);
        return result;
    }
    if (OsIsVista()) {
        ModeResult warnings;
        ExportBcdOnce(warnings);
        const StoreChange set = Store().SetSafeMode(mode);
        if (!set.ok && !InPlace(mode)) {
            // Whatever part was written goes, and the way back only once the
            // store shows it gone (else that has been told and the way back stays).
            result.outcome = ModeOutcome::Stopped;
            const ModeResult takenBack = RestoreNormalMode(CommandFile::Keep, StoreCheck::Read);
            result.Append(takenBack);
            result.Add(ProblemKind::CommandFailed, set.command, set.reason, takenBack.outcome == ModeOutcome::Restored);
            return result;
        }
        result.Append(warnings);
        NoteRepair(repaired, result);
        return result;
    }
    const BootIniResult edited = Store().SetBootIniSafeMode(mode);
    if (edited.ok) {
        NoteRepair(repaired, result);
        return result;
    }
    result.outcome = ModeOutcome::Stopped;
    result.Add(ProblemKind::BootIniStep, edited.failure, edited.cause);
    if (bootIniStop == BootIniStop::Tell) result.Add(ProblemKind::BootIniAborted, {}, edited.cause);
    // The Safe Mode entry is not in force after a failed edit, so nothing may
    // stay armed for it; boot.ini goes back from its backup as well.
    if (wayBack != WayBack::None) {
        result.Append(RestoreNormalMode(CommandFile::Keep, StoreCheck::Skip));
        DisarmWayBack(CommandFile::Keep);
    }
    TakeBackSafeModeServices(result);
    return result;
}

ModeResult WithRestart(ModeResult result, Restart restart) {
    result.restartRequested = restart == Restart::Now && result.outcome == ModeOutcome::Configured;
    return result;
}

}  // namespace

std::optional<Problem> SafeModeRefusal(Mode mode) {
    const bool commandPromptOnly = mode == Mode::CommandPrompt;
    if (!commandPromptOnly) return SafeModeNetworkRefusal();
    if (!WayBackCanReachExe(true)) return Problem{ProblemKind::WayBackUnreachable};
    return std::nullopt;
}

std::optional<Problem> SafeModeNetworkRefusal() {
    if (const auto policy = RunOncePolicyKey()) return Problem{ProblemKind::RunOnceBlocked, *policy};
    if (!WayBackCanReachExe(false)) return Problem{ProblemKind::WayBackUnreachable};
    return std::nullopt;
}

ModeResult ConfigureSafeMode(Mode mode, Restart restart, const SafeModeServices& services) {
    if (const auto why = SafeModeRefusal(mode)) return ModeResult::Ended(ModeOutcome::Stopped, *why);
    const bool commandPromptOnly = mode == Mode::CommandPrompt;
    return WithRestart(Configure(commandPromptOnly ? Mode::CommandPrompt : Mode::Minimal,
                                 commandPromptOnly ? WayBack::Autorun : WayBack::RunOnce, BootIniStop::Tell, services),
                       restart);
}

ModeResult ConfigureSafeModeNetwork(Restart restart, const SafeModeServices& services) {
    if (const auto why = SafeModeNetworkRefusal()) return ModeResult::Ended(ModeOutcome::Stopped, *why);
    return WithRestart(Configure(Mode::Network, WayBack::RunOnce, BootIniStop::Tell, services), restart);
}

ModeResult ConfigureSafeNetworkNoReboot(const SafeModeServices& services) {
    // No way back here by design: the technician takes it by hand.
    return Configure(Mode::Network, WayBack::None, BootIniStop::Quiet, services);
}

ModeResult ConfigureSafeNetworkOnce(const SafeModeServices& services) {
    if (!OsIsVista()) return ModeResult::Ended(ModeOutcome::Stopped, ProblemKind::OneStartUnsupported);
    const OperationLock lock;
    if (!lock.Held()) return ModeResult::Ended(ModeOutcome::Busy, ProblemKind::Busy);
    ModeResult result;
    result.modeName = ModeName(Mode::Network);
    result.wayBack = kNoWayBack;
    result.nextStartOnly = true;
    TakeBackSafeModeServices(result);
    const SafeBootRepair repaired = RepairSafeBootKey();
    // An earlier configuration, and a copy of an earlier one start, go first.
    result.Append(RestoreNormalMode(CommandFile::Keep, StoreCheck::Skip));
    if (!AddSafeModeServices(services, true, result)) {
        result.outcome = ModeOutcome::Stopped;
        return result;
    }
    ModeResult warnings;
    ExportBcdOnce(warnings);
    if (!SetUpOneStart(result)) {
        result.outcome = ModeOutcome::Stopped;
        TakeBackSafeModeServices(result);
        return result;
    }
    result.Append(warnings);
    NoteRepair(repaired, result);
    return result;
}

}  // namespace qv
