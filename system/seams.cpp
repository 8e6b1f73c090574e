#include "system/seams.h"

namespace qv {

namespace {
Seams current;
}

SettingsStore& Settings() { return *current.settings; }
FileSystem& Files() { return *current.files; }
UserChannel& User() { return *current.user; }
RunningWindows& Windows() { return *current.windows; }
ThisProgram& Program() { return *current.program; }
ProgramStarter& Programs() { return *current.programs; }

Seams InstallSeams(const Seams& seams) {
    const Seams previous = current;
    current = seams;
    return previous;
}

}  // namespace qv
