// Normal Mode restoration: take every trace of a Safe Mode configuration away.
#include "bootmode/bootmode.h"

#include "opsys/mod_opsys.h"
#include "startup/module1.h"
#include "system/network.h"
#include "system/platform.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr int kHidden = 0;
constexpr int kNormalFocused = 1;
constexpr int32_t kNoTimeout = 2000000000;

void RunHidden(const std::wstring& command) {
    std::wstring message;
    Sys().RunAndWait(command, kHidden, message, kNoTimeout, false);
}

}  // namespace

void RestoreNormalMode(bool removeHelperScript) {
    if (removeHelperScript) DeleteCommandShortcut();
    Sys().DeleteSetting(L"HKLM", kProgramKey, L"BootMode");
    Sys().DeleteSetting(L"HKLM", kRunOnceKey, RunOnceValueName());
    if (OsIsVista()) {
        RunHidden(L"bcdedit.exe /deletevalue safeboot");
        RunHidden(L"bcdedit.exe /deletevalue safebootalternateshell");
    } else if (FileExists(Sys().GetEnv(L"systemdrive") + BootIniBackupName)) {
        RestoreBootIni(BootIniPath, BootIniBackupName);
    }
    RestoreSavedAutorun();

    // In Safe Mode, after the way back ran, the suite's sibling program follows.
    if (LowerCase(ArgumentText()) == L"/remove" && OsWindowsMode() != 0) {
        const std::wstring sibling = AppFolder() + L"..\\Tessel.exe";
        if (FileExists(sibling)) Sys().StartDetached(L"\"" + sibling + L"\"", kNormalFocused);
    }
}

}  // namespace qv
