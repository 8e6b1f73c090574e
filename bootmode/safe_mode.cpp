// Safe Mode configuration: repair the SafeBoot key, clear an earlier
// configuration, arm the way back, then write the safe-boot setting.
#include "bootmode/bootmode.h"

#include "bootmode/boot_commands.h"
#include "opsys/mod_opsys.h"
#include "safeboot/safeboot.h"
#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/shutdown.h"

namespace qv {

namespace {

bool lastConfigured = false;

enum class Mode { Minimal, CommandPrompt, Network };
enum class WayBack { RunOnce, Autorun, None };

// The way back is armed before the safe-boot setting is written, and proven
// to start this exe: a machine must never start in Safe Mode with nothing to
// bring it back.
bool ArmWayBack(WayBack wayBack) {
    switch (wayBack) {
    case WayBack::RunOnce: return ArmRunOnce();
    case WayBack::Autorun: return SetUpCommandPromptShell();
    case WayBack::None: return true;
    }
    return false;
}

void ReportWayBackFailure() {
    Sys().ShowMessage(
        L"Safe Mode was not configured, because the automatic return to 'Normal Mode' could not be "
        L"set up (the registry entry that starts Quorvine again could not be written, or would not start this "
        L"Quorvine.exe).\r\n\r\n"
        L"No changes were made to the boot configuration, and Windows will start normally.",
        L"", kMbCritical);
}

// The backup is made once; false when it was due and could not be made.
bool ExportBcdOnce(std::wstring& command) {
    if (FileExists(BcdBackupPath)) return true;
    command = L"bcdedit.exe /export " + BcdBackupPath;
    return RunSystemProgram(L"bcdedit.exe", L"/export " + BcdBackupPath);
}

// After a command that could not be watched to its end, the store itself
// tells whether the setting is there.
bool InPlace(Mode mode) {
    const SafeBootState state = ReadSafeBootState();
    switch (mode) {
    case Mode::Minimal: return state == SafeBootState::Minimal;
    case Mode::Network: return state == SafeBootState::Network;
    case Mode::CommandPrompt: return state == SafeBootState::CommandPrompt;
    }
    return false;
}

// Writes the safe-boot setting; on failure names the command that failed.
bool SetSafeBoot(Mode mode, std::wstring& failed) {
    const std::wstring safeBoot = mode == Mode::Network ? L"/set safeboot network" : L"/set safeboot minimal";
    failed = L"bcdedit.exe " + safeBoot;
    if (!RunSystemProgram(L"bcdedit.exe", safeBoot)) return false;
    failed = L"bcdedit.exe /set safebootalternateshell true";
    return mode != Mode::CommandPrompt || RunSystemProgram(L"bcdedit.exe", L"/set safebootalternateshell true");
}

// The SafeBoot key is repaired as a precaution; Safe Mode works with the key
// as it is, so a failed repair is told but stops nothing.
void ReportRepair(RepairOutcome outcome) {
    if (outcome == RepairOutcome::Repaired) return;
    const std::wstring why =
        outcome == RepairOutcome::NoPrivateFolder
            ? L": no temporary folder that only administrators can change could be made for its standard content."
            : L" (\"reg.exe import\" of its standard content failed).";
    Sys().ShowMessage(L"The SafeBoot registry key could not be repaired" + why +
                          L"\r\n\r\nSafe Mode is configured with the key as it is.",
                      L"", kMbOk);
}

// Everything after the restart question. Returns true when the configuration
// was written; false when it stopped (and has then told the user why).
bool Configure(Mode mode, WayBack wayBack, bool reportBootIniFailure) {
    const RepairOutcome repaired = RepairSafeBootKey();
    RestoreNormalMode(false, false);
    if (!ArmWayBack(wayBack)) {
        ReportWayBackFailure();
        return false;
    }
    if (OsIsVista()) {
        std::wstring exportCommand;
        const bool exported = ExportBcdOnce(exportCommand);
        std::wstring failed;
        if (!SetSafeBoot(mode, failed) && !InPlace(mode)) {
            // Whatever part was written goes, and the way back only once the
            // store shows it gone (else that has been told and the way back stays).
            const bool cleared = RestoreNormalMode(false, true);
            Sys().ShowMessage(L"Safe Mode could not be configured: the command \"" + failed + L"\" failed." +
                                  (cleared ? L"\r\n\r\nWindows will start normally." : L""),
                              L"", kMbCritical);
            return false;
        }
        if (!exported) {
            Sys().ShowMessage(L"The boot configuration could not be backed up (\"" + exportCommand +
                                  L"\" failed).\r\n\r\nSafe Mode is configured all the same.",
                              L"", kMbOk);
        }
        ReportRepair(repaired);
        return true;
    }
    if (SetBootIniSafeMode(BootIniPath, BootIniBackupName, EntryTitle, mode == Mode::CommandPrompt,
                           mode == Mode::Network)) {
        ReportRepair(repaired);
        return true;
    }
    if (reportBootIniFailure) {
        Sys().ShowMessage(L"Failed to make the required changes to the Boot.INI file, aborting.", L"",
                          kMbOk);
    }
    // The Safe Mode entry is not in force after a failed edit, so nothing may
    // stay armed for it; boot.ini goes back from its backup as well.
    if (wayBack != WayBack::None) {
        RestoreNormalMode(false, false);
        DisarmWayBack(false);
    }
    return false;
}

bool AskFirst(const std::wstring& question) {
    if (Sys().ShowMessage(question, L"", kMbYesNoQuestion) == kAnswerNo) {
        SafeModeDeclined = true;
        return false;
    }
    return true;
}

void RestartIfAsked(bool askAndRestart) {
    if (!askAndRestart) return;
    try {
        Sys().ShutdownSystem(kRestartFlags);
    } catch (const ShutdownError& error) {
        // The configuration and its way back stay; the user restarts by hand.
        Sys().ShowMessage(L"Safe Mode is configured, but Windows could not be restarted:\r\n\r\n" +
                              error.Description() + L"\r\n\r\nPlease restart Windows yourself.",
                          L"", kMbCritical);
    }
}

}  // namespace

bool LastSafeModeConfigured() { return lastConfigured; }

void ConfigureSafeMode(bool commandPromptOnly, bool askAndRestart) {
    lastConfigured = false;
    if (!WayBackCanReachExe(commandPromptOnly)) return;
    if (askAndRestart) {
        const std::wstring question =
            commandPromptOnly
                ? L"Restart into Safe Mode with Command Prompt Only?\r\n\r\n(Once there, you may restart "
                  L"Windows using internal Windows commands (e.g. 'shutdown -r -t 0') or 'quorvine "
                  L"/reboot', use the 'quorvine /normal' command to restart directly to 'Normal Mode', "
                  L"or simply type 'quorvine' for all options.)"
                : L"Restart into Safe Mode?";
        if (!AskFirst(question)) return;
    }
    lastConfigured = Configure(commandPromptOnly ? Mode::CommandPrompt : Mode::Minimal,
                               commandPromptOnly ? WayBack::Autorun : WayBack::RunOnce, true);
    if (lastConfigured) RestartIfAsked(askAndRestart);
}

void ConfigureSafeModeNetwork(bool askAndRestart) {
    lastConfigured = false;
    if (!WayBackCanReachExe(false)) return;
    if (askAndRestart && !AskFirst(L"Restart into Safe Mode with Networking?")) return;
    lastConfigured = Configure(Mode::Network, WayBack::RunOnce, true);
    if (lastConfigured) RestartIfAsked(askAndRestart);
}

void ConfigureSafeNetworkNoReboot() {
    // No way back here by design: the technician takes it by hand.
    lastConfigured = Configure(Mode::Network, WayBack::None, false);
}

}  // namespace qv
