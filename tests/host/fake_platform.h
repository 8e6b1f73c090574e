// An in-memory Windows for the host tests, faked once per seam (fake_<seam>.h)
// over one world (fake_world.h): registry values, files, commands run,
// dialogs answered from a script. Install all six with ScopedFakePlatform.
#pragma once

#include "fake_file_system.h"
#include "fake_program_starter.h"
#include "fake_running_windows.h"
#include "fake_settings_store.h"
#include "fake_this_program.h"
#include "fake_user_channel.h"
#include "fake_world.h"
#include "system/seams.h"

namespace qv::testing {

class FakePlatform : public FakeSettingsStore,
                     public FakeFileSystem,
                     public FakeUserChannel,
                     public FakeRunningWindows,
                     public FakeThisProgram,
                     public FakeProgramStarter {
public:
    Seams All() { return {this, this, this, this, this, this}; }
};

// Installs a fake for the test's lifetime, then puts back the ones it replaced,
// so a nested one leaves the outer fake in force.
class ScopedFakePlatform {
public:
    ScopedFakePlatform() : previous_(InstallSeams(fake.All())) {}
    ~ScopedFakePlatform() { InstallSeams(previous_); }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;
    FakePlatform fake;

private:
    Seams previous_;
};

}  // namespace qv::testing
