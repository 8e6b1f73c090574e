#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "system/process.h"

namespace qv {
namespace {

// A process that reports the scripted exit codes, one per query (then the
// last one for ever), under a clock that moves only while it sleeps.
class FakeProcessSystem : public ProcessSystem {
public:
    bool is64Bit = true;
    bool startFails = false;
    bool openFails = false;
    std::deque<uint32_t> exitCodes{0};
    bool queryFails = false;
    uint32_t clock = 0;
    std::vector<std::string> calls;
    int windowStyle = 0;
    int passes = 0;

    bool Is64BitWindows() override { return is64Bit; }
    void DisableFsRedirection() override { calls.push_back("redirection off"); }
    void RevertFsRedirection() override { calls.push_back("redirection back"); }
    bool Start(const std::wstring&, int style, uint32_t& processId, std::wstring& failure) override {
        calls.push_back("start");
        windowStyle = style;
        if (startFails) failure = L"Could not start: nothing.exe (not found)";
        processId = 42;
        return !startFails;
    }
    bool Open(uint32_t processId) override {
        calls.push_back("open " + std::to_string(processId));
        return !openFails;
    }
    bool QueryExitCode(uint32_t& exitCode) override {
        ++passes;
        if (queryFails) return false;
        exitCode = exitCodes.front();
        if (exitCodes.size() > 1) exitCodes.pop_front();
        return true;
    }
    void PumpMessages() override {}
    void SleepFor(uint32_t milliseconds) override { clock += milliseconds; }
    uint32_t ReadClock() override { return clock; }
};

TEST(RunAndWait, WaitsPassByPassUntilTheProcessEndsAndLeavesTheMessage) {
    FakeProcessSystem system;
    system.exitCodes = {259, 259, 1};
    system.clock = 5000;
    std::wstring message = L"as passed";
    EXPECT_TRUE(RunAndWait(system, L"bcdedit.exe /set safeboot minimal", 0, message, 2000000000, false));
    EXPECT_EQ(message, L"as passed");
    EXPECT_EQ(system.passes, 3);
    EXPECT_EQ(system.clock, 5300u) << "the pass that sees the end still sleeps";
    EXPECT_EQ(system.calls, (std::vector<std::string>{"redirection off", "start", "open 42", "redirection back"}));
}

TEST(RunAndWait, ClockPassing2To31Or2To32DoesNotEndTheWait) {
    for (uint32_t start : {0x7FFFFF00u, 0xFFFFFF00u}) {
        for (bool abortOnTimeout : {false, true}) {
            FakeProcessSystem system;
            system.exitCodes = {259, 259, 259, 259, 259, 0};
            system.clock = start;
            std::wstring message;
            EXPECT_TRUE(RunAndWait(system, L"reg.exe import x", 0, message, 2000000000, abortOnTimeout))
                << std::hex << start << " abort " << abortOnTimeout;
            EXPECT_EQ(message, L"");
            EXPECT_EQ(system.passes, 6);
        }
        // The time elapsed across the wrap still counts towards a time-out.
        FakeProcessSystem stuck;
        stuck.exitCodes = {259};
        stuck.clock = start;
        std::wstring message;
        EXPECT_FALSE(RunAndWait(stuck, L"x.exe", 0, message, 300, true));
        EXPECT_EQ(stuck.passes, 4) << std::hex << start;
    }
}

TEST(RunAndWait, GivesUpOnlyOnceMoreThanTheTimeOutHasPassed) {
    FakeProcessSystem system;
    system.exitCodes = {259};  // an exit code of 259 looks like a running process
    std::wstring message = L"as passed";
    EXPECT_FALSE(RunAndWait(system, L"x.exe", 0, message, 300, true));
    EXPECT_EQ(message, L"The process has timed out.");
    EXPECT_EQ(system.passes, 4) << "300 ms is not more than 300 ms";

    // Ended in the pass in which the time-out passed: still a time-out.
    FakeProcessSystem endsLate;
    endsLate.exitCodes = {259, 259, 0};
    EXPECT_FALSE(RunAndWait(endsLate, L"x.exe", 0, message, 250, true));

    FakeProcessSystem noAbort;
    noAbort.exitCodes = {259, 259, 259, 259, 0};
    message = L"";
    EXPECT_TRUE(RunAndWait(noAbort, L"x.exe", 0, message, 100, false));
    EXPECT_EQ(message, L"");
}

TEST(RunAndWait, AFailingStatusQueryEndsTheWaitAfterOnePass) {
    FakeProcessSystem system;
    system.queryFails = true;
    std::wstring message;
    EXPECT_TRUE(RunAndWait(system, L"x.exe", 0, message, 2000000000, false));
    EXPECT_EQ(system.passes, 1);
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
    EXPECT_EQ(notOpened.passes, 0);
    EXPECT_EQ(notOpened.calls.back(), "redirection back");
}

TEST(RunAndWait, On32BitWindowsLeavesTheRedirectionAloneAndPassesTheStyle) {
    FakeProcessSystem system;
    system.is64Bit = false;
    std::wstring message;
    EXPECT_TRUE(RunAndWait(system, L"C:\\Tools\\ets.exe \"C:\\Temp\\x.bat\"", -1, message, 2000000000, false));
    EXPECT_EQ(system.calls, (std::vector<std::string>{"start", "open 42"}));
    EXPECT_EQ(system.windowStyle, -1);
}

}  // namespace
}  // namespace qv
