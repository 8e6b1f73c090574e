#include "ui/mode_messages.h"

#include "system/platform.h"
#include "system/shutdown.h"

namespace qv {

std::wstring ProblemText(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::WayBackUnreachable:
            return L"Quorvine cannot set up its automatic return to 'Normal Mode' from this folder: the command "
                   L"processor would not find Quorvine.exe by the folder's name (for example because of '%' "
                   L"signs in it).\r\n\r\n"
                   L"Please copy Quorvine.exe to a plain local folder, such as C:\\Tools, and start it from there. "
                   L"Nothing was changed.";
        case ProblemKind::WayBackNotArmed:
            return L"Safe Mode was not configured, because the automatic return to 'Normal Mode' could not be "
                   L"set up (the registry entry that starts Quorvine again could not be written, or would not start "
                   L"this Quorvine.exe).\r\n\r\n"
                   L"No changes were made to the boot configuration, and Windows will start normally.";
        case ProblemKind::CommandFailed:
            return L"Safe Mode could not be configured: the command \"" + problem.detail + L"\" failed." +
                   (problem.cleared ? L"\r\n\r\nWindows will start normally." : L"");
        case ProblemKind::BootIniStep:
            return problem.detail;
        case ProblemKind::BootIniAborted:
            return L"Failed to make the required changes to the Boot.INI file, aborting.";
        case ProblemKind::SettingStayed:
            return L"Normal Mode could not be restored: bcdedit.exe could not remove the Safe Mode setting from the "
                   L"boot configuration.\r\n\r\nWindows will start in Safe Mode again, and Quorvine will try "
                   L"again then. To remove the setting by hand, run \"bcdedit /deletevalue safeboot\" as "
                   L"administrator.";
        case ProblemKind::StoreUnreadable:
            return L"Quorvine could not check the boot configuration: bcdedit.exe could not be run.\r\n\r\n"
                   L"If Windows starts in Safe Mode again, run \"bcdedit /deletevalue safeboot\" as administrator.";
        case ProblemKind::BackupNotMade:
            return L"The boot configuration could not be backed up (\"" + problem.detail +
                   L"\" failed).\r\n\r\nSafe Mode is configured all the same.";
        case ProblemKind::RepairNoFolder:
            return L"The SafeBoot registry key could not be repaired: no temporary folder that only administrators "
                   L"can change could be made for its standard content.\r\n\r\nSafe Mode is configured with the key "
                   L"as it is.";
        case ProblemKind::RepairImportFailed:
            return L"The SafeBoot registry key could not be repaired (\"reg.exe import\" of its standard content "
                   L"failed).\r\n\r\nSafe Mode is configured with the key as it is.";
        case ProblemKind::RestartFailed:
            return L"Safe Mode is configured, but Windows could not be restarted:\r\n\r\n" + problem.detail +
                   L"\r\n\r\nPlease restart Windows yourself.";
    }
    return {};
}

unsigned ProblemStyle(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::WayBackUnreachable:
        case ProblemKind::BootIniAborted:
        case ProblemKind::BackupNotMade:
        case ProblemKind::RepairNoFolder:
        case ProblemKind::RepairImportFailed:
            return kMbOk;
        default:
            return kMbCritical;
    }
}

void TellProblems(const ModeResult& result) {
    for (const Problem& problem : result.problems)
        Sys().ShowMessage(ProblemText(problem), L"", ProblemStyle(problem.kind));
}

void FinishConfiguration(ModeResult& result) {
    TellProblems(result);
    if (!result.restartRequested) return;
    try {
        Sys().ShutdownSystem(kRestartFlags);
    } catch (const ShutdownError& error) {
        // The configuration and its way back stay; the user restarts by hand.
        Problem failed{ProblemKind::RestartFailed, error.Description(), {}, false};
        result.problems.push_back(failed);
        Sys().ShowMessage(ProblemText(failed), L"", ProblemStyle(failed.kind));
    }
}

void FinishRestoration(const ModeResult& result, bool offerRestart) {
    TellProblems(result);
    // A setting that stayed has been told; no word of a normal start then.
    if (result.outcome != ModeOutcome::Restored) return;
    if (!offerRestart) {
        Sys().ShowMessage(L"Windows is now configured to start normally.", L"", kMbOk);
        return;
    }
    const int answer =
        Sys().ShowMessage(L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?",
                          L"Restart Windows normally?", kMbYesNoQuestion);
    if (answer == kAnswerYes) {
        // A ShutdownError goes up to the top of the program from here.
        Sys().ShutdownSystem(kRestartFlags);
    } else {
        Sys().ShowMessage(L"Windows will start normally the next time you restart.", L"", kMbOk);
    }
}

}  // namespace qv
