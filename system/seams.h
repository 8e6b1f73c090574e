// The seams between Quorvine's decisions and Windows, each cut along what it
// answers. The Windows build installs their Win32 side (system/seams_win32.h),
// host tests their fakes. No windows.h here.
#pragma once

#include "system/file_system.h"
#include "system/program_starter.h"
#include "system/running_windows.h"
#include "system/settings_store.h"
#include "system/this_program.h"
#include "system/user_channel.h"

namespace qv {

struct Seams {
    SettingsStore* settings = nullptr;
    FileSystem* files = nullptr;
    UserChannel* user = nullptr;
    RunningWindows* windows = nullptr;
    ThisProgram* program = nullptr;
    ProgramStarter* programs = nullptr;
};

// Installs all six at once (at start-up, or for a test) and returns the ones
// they replace, so a test can put them back.
Seams InstallSeams(const Seams& seams);

}  // namespace qv
