#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fake_platform.h"
#include "system/process.h"

namespace qv {
namespace {

// A process that ends when the clock reaches `endsAt` (never when unset); the
// clock moves only while the program waits. It brings a 64-bit Windows along,
// which the wait asks whether to switch the redirection off.
class FakeProcessSystem {
public:
    FakeProcessSystem() { platform.fake.is64BitWindows = true; }
    testing::ScopedFakePlatform platform;
    bool startFails = false;
    bool openFails = false;
    std::optional<uint32_t> endsAt;
    uint32_t exitCode = 0;
    bool queryFails = false;
    bool terminated = false;
    uint32_t clock = 0;
    std::vector<std::string> calls;
    int windowStyle = 0;
    int waits = 0;

    void DisableFsRedirection() { calls.push_back("redirection off"); }
    void RevertFsRedirection() { calls.push_back("redirection back"); }
    bool Start(const std::wstring&, int style, uint32_t& processId, std::wstring& failure) {
        calls.push_back("start");
        windowStyle = style;
        if (startFails) failure = L"Could not start: nothing.exe (not found)";
        processId = 42;
        return !startFails;
    }
    bool Open(uint32_t processId) {
        calls.push_back("open " + std::to_string(processId));
        return !openFails;
    }
    bool WaitForEnd(uint32_t milliseconds) {
        ++waits;
        if (endsAt && uint32_t(*endsAt - clock) <= milliseconds) {
            clock = *endsAt;  // woken by the end itself
            return true;
        }
        clock += milliseconds;
        return false;
    }
    bool QueryExitCode(uint32_t& code) {
        if (queryFails) return false;
        code = exitCode;
        return true;
    }
    std::optional<uint32_t> outputOpenFor;  // after the end, until the output closes
    uint32_t outputLimit = 0;
    bool FinishOutput(uint32_t milliseconds) {
        outputLimit = milliseconds;
        if (!outputOpenFor) return true;
        clock += std::min(*outputOpenFor, milliseconds);
        return *outputOpenFor <= milliseconds;
    }
    void Terminate() { terminated = true; }
    void PumpMessages() {}
    uint32_t ReadClock() { return clock; }
};

TEST(RunAndWait, ReturnsWhenTheProcessEndsWithItsExitCodeAndLeavesTheMessage) {
    FakeProcessSystem system;
    system.clock = 5000;
    system.endsAt = 5230;
    system.exitCode = 259;  // an ended process: 259 is its exit code, not "still running"
    std::wstring message = L"as passed";
    uint32_t exitCode = 0;
    EXPECT_TRUE(RunAndWait(system, L"bcdedit.exe /set safeboot minimal", 0, message, 2000000000, false, &exitCode));
    EXPECT_EQ(message, L"as passed");
    EXPECT_EQ(exitCode, 259u);
    EXPECT_EQ(system.clock, 5230u) << "no poll interval is added after the end";
    // Back before the wait, which handles window messages and may load DLLs.
    EXPECT_EQ(system.calls, (std::vector<std::string>{"redirection off", "start", "redirection back", "open 42"}));
}

TEST(RunAndWait, OutputStillOnItsWayIsAwaitedWithinTheRestOfTheLimit) {
    FakeProcessSystem late;
    late.endsAt = 700;
    late.outputOpenFor = 250;
    std::wstring message = L"as passed";
    EXPECT_TRUE(RunAndWait(late, L"bcdedit.exe /enum", 0, message, 1000, true));
    EXPECT_EQ(late.outputLimit, 300u);

    FakeProcessSystem held;  // a writer that never lets go fails the command
    held.endsAt = 700;
    held.outputOpenFor = 5000;
    EXPECT_FALSE(RunAndWait(held, L"bcdedit.exe /enum", 0, message, 1000, true));
    EXPECT_EQ(message, L"The output of the process did not end.");
    EXPECT_EQ(held.clock, 1000u);
}

TEST(RunAndWait, ClockPassing2To31Or2To32NeitherEndsNorStretchesTheWait) {
    for (uint32_t start : {0x7FFFFF00u, 0xFFFFFF00u}) {
        FakeProcessSystem system;
        system.clock = start;
        system.endsAt = start + 550;
        std::wstring message;
        EXPECT_TRUE(RunAndWait(system, L"reg.exe import x", 0, message, 1000, true)) << std::hex << start;
        EXPECT_EQ(message, L"");
        // The time elapsed across the wrap still counts towards the limit.
        FakeProcessSystem stuck;
        stuck.clock = start;
        EXPECT_FALSE(RunAndWait(stuck, L"x.exe", 0, message, 300, true));
        EXPECT_EQ(stuck.waits, 4) << std::hex << start;
    }
}

TEST(RunAndWait, AProcessPastItsLimitIsEndedAndReportedAsTimedOut) {
    FakeProcessSystem system;
    std::wstring message = L"as passed";
    EXPECT_FALSE(RunAndWait(system, L"x.exe", 0, message, 300, true));
    EXPECT_EQ(message, L"The process has timed out.");
    EXPECT_EQ(system.waits, 4) << "300 ms is not more than 300 ms";
    EXPECT_TRUE(system.terminated);

    FakeProcessSystem noAbort;  // without abortOnTimeout the limit has no effect
    noAbort.endsAt = 900;
    message = L"";
    EXPECT_TRUE(RunAndWait(noAbort, L"x.exe", 0, message, 100, false));
    EXPECT_FALSE(noAbort.terminated);
}

TEST(RunAndWait, AnExitCodeThatCannotBeReadIsNoSuccess) {
    FakeProcessSystem system;
    system.endsAt = 10;
    system.queryFails = true;
    std::wstring message;
    EXPECT_FALSE(RunAndWait(system, L"x.exe", 0, message, 2000000000, false));
    EXPECT_EQ(message, L"The exit code of the process could not be read.");
}

TEST(RunAndWait, FailuresSwitchTheRedirectionBackAndSayWhy) {
    FakeProcessSystem notStarted;
    notStarted.startFails = true;
    std::wstring message = L"as passed";
    EXPECT_FALSE(RunAndWait(notStarted, L"nothing.exe", 0, message, 2000000000, false));
    EXPECT_EQ(message, L"Could not start: nothing.exe (not found)");
    EXPECT_EQ(notStarted.calls, (std::vector<std::string>{"redirection off", "start", "redirection back"}));

    FakeProcessSystem notOpened;
    notOpened.openFails = true;
    EXPECT_FALSE(RunAndWait(notOpened, L"x.exe", 0, message, 2000000000, false));
    EXPECT_EQ(message,
              L"This program could not determine whether the process started.Please watch the program and check "
              L"it completes.");
    EXPECT_EQ(notOpened.waits, 0);
    EXPECT_TRUE(notOpened.terminated) << "a process nobody watches is ended";
}

TEST(RunAndWait, On32BitWindowsLeavesTheRedirectionAloneAndPassesTheStyle) {
    FakeProcessSystem system;
    system.platform.fake.is64BitWindows = false;
    system.endsAt = 0;
    std::wstring message;
    EXPECT_TRUE(RunAndWait(system, L"C:\\Tools\\ets.exe \"C:\\Temp\\x.bat\"", -1, message, 2000000000, false));
    EXPECT_EQ(system.calls, (std::vector<std::string>{"start", "open 42"}));
    EXPECT_EQ(system.windowStyle, -1);
}

TEST(SystemPrograms, StartByTheirFullPathWithinALimitThatTheEnvironmentMayOnlyShorten) {
    testing::ScopedFakePlatform platform;
    EXPECT_EQ(SystemProgramCommand(L"bcdedit.exe", L"/set safeboot minimal"),
              L"\"C:\\WINDOWS\\system32\\bcdedit.exe\" /set safeboot minimal");
    const std::vector<std::pair<std::wstring, int32_t>> limits = {{L"", kCommandLimitMs},
                                                                  {L"2000", 2000},
                                                                  {L"999999", kCommandLimitMs},
                                                                  {L"0", kCommandLimitMs},
                                                                  {L"2s", kCommandLimitMs}};
    for (const auto& [text, limit] : limits) {
        platform.fake.env[L"quorvine_command_limit_ms"] = text;
        EXPECT_EQ(CommandLimitMs(), limit) << "\"" << std::string(text.begin(), text.end()) << "\"";
    }
    RunSystemProgram(L"reg.exe", L"import x");
    EXPECT_EQ(platform.fake.limits, std::vector<int32_t>{kCommandLimitMs});
    EXPECT_EQ(kCommandLimitMs, 2 * 60 * 1000);  // the two minutes the README promises
}

}  // namespace
}  // namespace qv
