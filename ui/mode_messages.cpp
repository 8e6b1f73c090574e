#include "ui/mode_messages.h"

#include "bootmode/way_back.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/shutdown.h"
#include "ui/event_record.h"

namespace qv {

namespace {

std::wstring TrimLineBreaks(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return text;
}

// What a Safe Mode configuration that stopped leaves for the next start.
std::wstring Cleared(const Problem& problem) { return problem.cleared ? L"\r\n\r\nWindows will start normally." : L""; }

// A message as one plain line.
std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n' && !line.empty() && line.back() == L' ') continue;
        line += c == L'\n' ? L' ' : c;
    }
    return line;
}

}  // namespace

std::wstring ProblemLine(const Problem& problem) {
    std::wstring line = (IsWarning(problem.kind) ? L"warning: " : L"error: ") + OneLine(ProblemText(problem));
    if (!problem.reason.empty()) line += L" (" + OneLine(problem.reason) + L")";
    return line;
}

std::vector<std::wstring> ServiceLines(const ModeResult& result) {
    std::vector<std::wstring> lines;
    const auto joined = [](const std::vector<std::wstring>& entries, const wchar_t* note) {
        std::wstring text;
        for (const std::wstring& entry : entries) text += (text.empty() ? L"" : L", ") + entry + note;
        return text;
    };
    if (!result.servicesTakenAway.empty())
        lines.push_back(L"safe mode services taken away: " + joined(result.servicesTakenAway, L""));
    if (result.outcome == ModeOutcome::Configured && (!result.servicesAdded.empty() || !result.servicesFound.empty())) {
        std::wstring both = joined(result.servicesAdded, L" (added)");
        const std::wstring found = joined(result.servicesFound, L" (there before)");
        both += (both.empty() || found.empty() ? L"" : L", ") + found;
        lines.push_back(L"safe mode services: " + both);
    }
    return lines;
}

void TellProblem(const Problem& problem, Telling telling) {
    User().WriteOutputLine(ProblemLine(problem));
    if (telling == Telling::BoxesAndLines) User().ShowMessage(ProblemText(problem), L"", ProblemStyle(problem.kind));
}

std::wstring ProblemText(const Problem& problem) {
    switch (problem.kind) {
        case ProblemKind::WayBackUnreachable:
            return L"Quorvine cannot set up its automatic return to 'Normal Mode' from this folder: the command "
                   L"processor would not find Quorvine.exe by the folder's name (for example because of '%' "
                   L"signs in it).\r\n\r\n"
                   L"Please copy Quorvine.exe to a plain local folder, such as C:\\Tools, and start it from there. "
                   L"Nothing was changed.";
        case ProblemKind::RunOnceBlocked:
            return L"Quorvine cannot set up its automatic return to 'Normal Mode' on this computer: the policy \"Do "
                   L"not process the run once list\" (DisableLocalMachineRunOnce under " +
                   (problem.detail.empty() ? std::wstring(L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer")
                                           : problem.detail) +
                   L") keeps Windows from "
                   L"running it.\r\n\r\nNothing was changed. To use Safe Mode all the same, run 'quorvine "
                   L"/safenet-noreboot' (or 'quorvine /safecmd'), and in Safe Mode run 'quorvine /normal' before you "
                   L"restart.";
        case ProblemKind::WayBackNotArmed:
            return L"Safe Mode was not configured, because the automatic return to 'Normal Mode' could not be "
                   L"set up (the registry entry that starts Quorvine again could not be written, or would not "
                   L"start this Quorvine.exe).\r\n\r\n"
                   L"No changes were made to the boot configuration, and Windows will start normally.";
        case ProblemKind::WayBackNotRearmed:
            return L"Quorvine could not arm its automatic return to 'Normal Mode' again (the registry entry that "
                   L"starts it could not be written, or would not start this Quorvine.exe).\r\n\r\nIf Windows "
                   L"starts in Safe Mode, run \"bcdedit /deletevalue safeboot\" as administrator, then restart.";
        case ProblemKind::CommandFailed:
            return L"Safe Mode could not be configured: the command \"" + problem.detail + L"\" failed." +
                   Cleared(problem);
        case ProblemKind::BootIniStep:
        case ProblemKind::BackupLeft:
            return problem.detail;
        case ProblemKind::BootIniAborted:
            return L"Failed to make the required changes to the Boot.INI file, aborting.";
        case ProblemKind::SafeBootNotRemoved:
            return L"Normal Mode could not be restored: bcdedit.exe could not remove the Safe Mode setting from "
                   L"the boot configuration.\r\n\r\nWindows will start in Safe Mode again, and Quorvine will try "
                   L"again then. To remove the setting by hand, run \"bcdedit /deletevalue safeboot\" as "
                   L"administrator.";
        case ProblemKind::StoreUnreadable:
            return L"Quorvine could not check the boot configuration: bcdedit.exe could not be run.\r\n\r\n"
                   L"If Windows starts in Safe Mode again, run \"bcdedit /deletevalue safeboot\" as "
                   L"administrator.";
        case ProblemKind::BackupNotMade:
            return L"The boot configuration could not be backed up (\"" + problem.detail +
                   L"\" failed).\r\n\r\nSafe Mode is configured all the same.";
        case ProblemKind::RepairNoFolder:
            return L"The SafeBoot registry key could not be repaired: no temporary folder that only "
                   L"administrators can change could be made for its standard content.\r\n\r\nSafe Mode is "
                   L"configured with the key as it is.";
        case ProblemKind::RepairImportFailed:
            return L"The SafeBoot registry key could not be repaired (\"reg.exe import\" of its standard content "
                   L"failed).\r\n\r\nSafe Mode is configured with the key as it is.";
        case ProblemKind::RestartFailed:
            // The system's own text already ends in a line break.
            return L"Safe Mode is configured, but Windows could not be restarted:\r\n\r\n" +
                   TrimLineBreaks(problem.detail) + L"\r\n\r\nPlease restart Windows yourself.";
        case ProblemKind::Busy:
            return L"Quorvine is already running. Please finish it first, then start it again.";
        case ProblemKind::OneStartUnsupported:
            return L"Windows 2000 and XP have no one-time start: Safe Mode with Networking for one start cannot "
                   L"be configured here. Nothing was changed.";
        case ProblemKind::OneStartPending:
            return L"Safe Mode with Networking for one start was not configured: the boot manager already holds a "
                   L"one-time start (another program's, such as the recovery environment's, or an earlier one of "
                   L"Quorvine's that could not be removed). Nothing was changed.";
        case ProblemKind::OneStartNotRecorded:
            return L"Safe Mode with Networking for one start was not configured: the identifier of the copied boot "
                   L"entry " +
                   problem.detail + L" could not be recorded under HKLM\\" + kProgramKey + L"." + Cleared(problem);
        case ProblemKind::OneStartNotConfirmed:
            return L"Safe Mode with Networking for one start was not configured: the boot configuration did not "
                   L"read back as written (entry " +
                   problem.detail + L")." + Cleared(problem);
        case ProblemKind::OneStartStayed:
            return L"Normal Mode could not be restored: the one-time start of Safe Mode with Networking (entry " +
                   problem.detail +
                   L") may still be the next start.\r\n\r\nTo remove it by hand, run \"bcdedit "
                   L"/delete " +
                   problem.detail + L"\" as administrator.";
        case ProblemKind::OneStartStoreUnknown:
            return L"Safe Mode with Networking for one start was not configured: the boot configuration could not "
                   L"be read (the running boot entry, or whether the boot manager already holds a one-time start "
                   L"of another program). Nothing was changed.";
        case ProblemKind::OneStartSafeModeStays:
            return L"Safe Mode with Networking for one start was not configured: the running boot entry keeps a "
                   L"Safe Mode setting (or the command-prompt shell) that bcdedit.exe could not remove, so every "
                   L"start, not only the next one, would be Safe Mode. Nothing else was changed.\r\n\r\nTo remove "
                   L"it by hand, run \"bcdedit /deletevalue safeboot\" and \"bcdedit /deletevalue "
                   L"safebootalternateshell\" as administrator.";
        case ProblemKind::ForeignOneStart:
            return L"Normal Mode could not be restored: the boot manager's one-time start, which Quorvine did not "
                   L"set, leads into Safe Mode (entry " +
                   problem.detail +
                   L"; or its setting could not be read). Quorvine leaves another program's one-time start "
                   L"alone.\r\n\r\nTo remove it by hand, run \"bcdedit /bootsequence " +
                   problem.detail + L" /remove\" as administrator.";
        case ProblemKind::ServiceUnknown:
            return L"There is no service named \"" + problem.detail +
                   L"\" (by its key name or its display name).\r\n\r\nNothing was changed.";
        case ProblemKind::ServiceGroupMissing:
            return L"A service named for Safe Mode depends on the group \"" + problem.detail +
                   L"\", which the SafeBoot key does not name: Windows may not start that service in Safe Mode.";
        case ProblemKind::ServiceNotAdded:
            return L"Safe Mode was not configured: the service entry " + std::wstring(kSafeBootKey) + L"\\" +
                   problem.detail + L" could not be added under HKLM. What was added is taken back.";
        case ProblemKind::ServiceNotRemoved:
            return L"The service entry " + std::wstring(kSafeBootKey) + L"\\" + problem.detail +
                   L" that Quorvine added for Safe Mode could not be removed; Quorvine will try again next time. "
                   L"To remove it by hand, delete that key under HKLM.";
        case ProblemKind::OneStartCopyLeft:
            return L"The boot entry " + problem.detail +
                   L" that Quorvine copied for one start could not be "
                   L"deleted; Quorvine will try again next time. To delete it by hand, run \"bcdedit /delete " +
                   problem.detail + L"\" as administrator.";
    }
    return {};
}

unsigned ProblemStyle(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::WayBackUnreachable:
        case ProblemKind::RunOnceBlocked:
        case ProblemKind::BootIniAborted:
        case ProblemKind::BackupNotMade:
        case ProblemKind::RepairNoFolder:
        case ProblemKind::RepairImportFailed:
        case ProblemKind::OneStartCopyLeft:
        case ProblemKind::ServiceGroupMissing:
        case ProblemKind::ServiceNotRemoved:
            return kMbOk;
        case ProblemKind::Busy:
            return kMbInformation;
        default:
            return kMbCritical;
    }
}

std::wstring OutcomeLine(const ModeResult& result) {
    switch (result.outcome) {
        case ModeOutcome::Configured:
            return result.modeName +
                   (result.nextStartOnly ? L" set for the next start only" : L" set for the next start") +
                   L"; way back: " + result.wayBack;
        case ModeOutcome::Declined:
            return L"declined: nothing changed";
        case ModeOutcome::Stopped:
            return L"safe mode not configured";
        case ModeOutcome::Restored:
            return L"normal mode set for the next start";
        case ModeOutcome::NotRestored:
            return std::wstring(L"normal mode not restored: the safe mode setting may still be there; ") +
                   (result.Has(ProblemKind::WayBackNotRearmed) ? L"way back: none" : L"way back armed");
        case ModeOutcome::Busy:
            return L"another Quorvine is still running; nothing done";
    }
    return {};
}

void TellProblems(const ModeResult& result, Telling telling) {
    for (const Problem& problem : result.problems) TellProblem(problem, telling);
    for (const std::wstring& line : ServiceLines(result)) User().WriteOutputLine(line);
    User().WriteOutputLine(OutcomeLine(result));
}

void FinishConfiguration(ModeResult& result, Telling telling) {
    TellProblems(result, telling);
    // Before the restart, which may end this program before it could write it.
    RecordResult(result, result.restartRequested);
    if (!result.restartRequested) return;
    try {
        Programs().ShutdownSystem(kRestartFlags);
        User().WriteOutputLine(L"restarting windows");
    } catch (const ShutdownError& error) {
        // The configuration and its way back stay; the user restarts by hand.
        result.Add(ProblemKind::RestartFailed, error.Description());
        TellProblem(result.problems.back(), telling);
        RecordRestartFailed(error.Description());
    }
}

bool FinishRestoration(const ModeResult& result, RestartOffer offer, Telling telling) {
    TellProblems(result, telling);
    // A setting that stayed has been told; no word of a normal start then.
    if (result.outcome != ModeOutcome::Restored || telling == Telling::LinesOnly) {
        RecordResult(result, false);
        return true;
    }
    if (offer == RestartOffer::None) {
        RecordResult(result, false);
        User().ShowMessage(L"Windows is now configured to start normally.", L"", kMbOk);
        return true;
    }
    const int answer =
        User().ShowMessage(L"Windows is now configured to restart in 'Normal Mode', would you like to restart now?",
                          L"Restart Windows normally?", kMbYesNoQuestion);
    RecordResult(result, answer == kAnswerYes);
    if (answer != kAnswerYes) {
        User().ShowMessage(L"Windows will start normally the next time you restart.", L"", kMbOk);
        return true;
    }
    try {
        Programs().ShutdownSystem(kRestartFlags);
        User().WriteOutputLine(L"restarting windows");
        return true;
    } catch (const ShutdownError& error) {
        RecordRestartFailed(error.Description());
        // Told as the program's top would tell it, but Normal Mode stays set.
        User().WriteOutputLine(L"warning: " + DescribeUnhandledError(error));
        User().ShowMessage(DescribeUnhandledError(error), L"", kMbCritical);
        return false;
    }
}

}  // namespace qv
