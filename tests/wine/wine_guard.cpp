// Entry point of wine_tests.exe. The tests change boot settings, the registry
// and files of the machine they run on, so they run only inside a throw-away
// Wine prefix that the test rig made and marked.

#include <cstdio>

#include <windows.h>

#include <gtest/gtest.h>

#include "system/seams_win32.h"

namespace {

constexpr char kMarker[] = "C:\\quorvine-test-prefix.marker";
constexpr int kRefused = 2;

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

int main(int argc, char** argv) {
    if (!RunningUnderWine()) {
        std::fprintf(stderr,
                     "wine_tests: refusing to run: this is not Wine, and these tests would change "
                     "this machine's boot settings. Run them with tools/rig/run-wine-tests.\n");
        return kRefused;
    }
    if (GetFileAttributesA(kMarker) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr,
                     "wine_tests: refusing to run: %s is missing, so this is not a prefix the test "
                     "rig made. Run them with tools/rig/run-wine-tests.\n",
                     kMarker);
        return kRefused;
    }
    // The code under test reaches Windows through the Win32 seams, as in Quorvine.exe.
    qv::win32::Win32Seams seams;
    qv::InstallSeams(seams.All());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
