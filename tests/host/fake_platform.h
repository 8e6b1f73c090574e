// An in-memory Windows for the host tests, faked once per seam (fake_<seam>.h)
// over one world (fake_world.h): registry values, files, commands run,
// dialogs answered from a script. Install all six, and a fake boot store
// beside them, with ScopedFakePlatform.
#pragma once

#include "fake_boot_store.h"
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

// Installs the fakes of the seams and a fake boot store beside them (whose
// changes are steps of the world) for the test's lifetime, then puts back
// what they replaced, so a nested one leaves the outer fakes in force.
class ScopedFakePlatform {
public:
    ScopedFakePlatform() : previous_(InstallSeams(fake.All())), previousStore_(SetBootStore(&store)) {
        store.onChange = [this](const std::wstring& label) { fake.Step(label); };
    }
    ~ScopedFakePlatform() {
        SetBootStore(previousStore_);
        InstallSeams(previous_);
    }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;
    FakePlatform fake;
    FakeBootStore store;

private:
    Seams previous_;
    BootStore* previousStore_;
};

}  // namespace qv::testing
