#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/shutdown.h"

namespace qv {
namespace {

// Records the Windows calls a restart makes; each can be made to fail.
class FakeShutdownApi {
public:
    uint32_t platformId = 2;
    bool versionFails = false, lookupFails = false, noProcess = false, tokenFails = false, adjustFails = false,
         exitFails = false;
    int32_t lastError = 5;
    std::vector<std::string> calls;
    uint32_t exitFlags = 0, exitReason = 0;

    bool GetPlatformId(uint32_t& id) {
        calls.push_back("version");
        id = platformId;
        return !versionFails;
    }
    bool LookupShutdownPrivilege() {
        calls.push_back("lookup");
        return !lookupFails;
    }
    bool HaveCurrentProcess() {
        calls.push_back("process");
        return !noProcess;
    }
    bool OpenProcessToken() {
        calls.push_back("open");
        return !tokenFails;
    }
    bool EnablePrivilegeInToken() {
        calls.push_back("adjust");
        return !adjustFails;
    }
    void CloseToken() { calls.push_back("close"); }
    bool RequestRestart(uint32_t flags, uint32_t reason) {
        calls.push_back("exit");
        exitFlags = flags;
        exitReason = reason;
        return !exitFails;
    }
    int32_t LastError() { return lastError; }
    std::wstring SystemErrorText(int32_t code) { return code == 5 ? L"Access denied.\r\n" : L""; }
    std::wstring ExecutableBaseName() { return L"Quorvine"; }
};

class Shutdown : public ::testing::Test {
protected:
    void SetUp() override { ForgetNtPlatformAnswer(); }
    void TearDown() override { ForgetNtPlatformAnswer(); }

    ShutdownError RaisedBy(FakeShutdownApi& api, int32_t flags) {
        try {
            ShutdownSystem(api, flags);
        } catch (const ShutdownError& error) {
            return error;
        }
        ADD_FAILURE() << "no error raised";
        return ShutdownError(0, L"", L"");
    }
};

TEST_F(Shutdown, RestartEnablesThePrivilegeThenAsksWithEveryReasonBit) {
    FakeShutdownApi api;
    EXPECT_TRUE(ShutdownSystem(api, 6));
    EXPECT_EQ(api.calls, (std::vector<std::string>{"version", "lookup", "process", "open", "adjust", "close", "exit"}));
    EXPECT_EQ(api.exitFlags, 6u);
    EXPECT_EQ(api.exitReason, 0xFFFFFFFFu);
}

TEST_F(Shutdown, FlagsOutsideZeroToThirtyOneChangeNothing) {
    for (int32_t flags : {-1, 32}) {
        FakeShutdownApi api;
        ShutdownError error = RaisedBy(api, flags);
        EXPECT_EQ(error.Number(), 0x8004062Fu);
        EXPECT_EQ(error.Description(), L"Invalid parameter to ShutdownSystem: " + std::to_wstring(flags));
        EXPECT_EQ(error.Source(), L"Quorvine.mShutDown");
        EXPECT_TRUE(api.calls.empty());
    }
    for (int32_t flags : {0, 31}) {
        FakeShutdownApi api;
        EXPECT_TRUE(ShutdownSystem(api, flags));
    }
}

TEST_F(Shutdown, EachFailingStepRaisesItsOwnError) {
    struct Case {
        void (*arrange)(FakeShutdownApi&);
        uint32_t number;
        std::wstring description;
    };
    const std::vector<Case> cases = {
        {[](FakeShutdownApi& a) { a.lookupFails = true; }, 0x8004062C,
         L"Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value.[Access denied.\r\n]"},
        {[](FakeShutdownApi& a) { a.noProcess = true; }, 0x8004062D,
         L"Can't enable shutdown: Can't determine the current process. [Access denied.\r\n]"},
        {[](FakeShutdownApi& a) { a.tokenFails = true; }, 0x8004062E,
         L"Can't enable shutdown: You do not have the privileges to shutdown this system. "
         L"[Access denied.\r\n]"},
        {[](FakeShutdownApi& a) { a.adjustFails = true; }, 0x8004062E,
         L"Can't enable shutdown: You do not have the privileges to shutdown this system. "
         L"[Access denied.\r\n]"},
        {[](FakeShutdownApi& a) { a.exitFails = true; }, 0x8004062B, L"ShutdownSystem failed: Access denied.\r\n"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        ForgetNtPlatformAnswer();
        FakeShutdownApi api;
        cases[i].arrange(api);
        ShutdownError error = RaisedBy(api, 6);
        EXPECT_EQ(error.Number(), cases[i].number);
        EXPECT_EQ(error.Description(), cases[i].description);
        bool exitAsked = std::find(api.calls.begin(), api.calls.end(), "exit") != api.calls.end();
        EXPECT_EQ(exitAsked, cases[i].number == 0x8004062B);
    }
}

TEST_F(Shutdown, TheTokenIsClosedAlsoWhenEnablingFails) {
    FakeShutdownApi api;
    api.adjustFails = true;
    RaisedBy(api, 6);
    EXPECT_EQ(api.calls.back(), "close");
}

TEST_F(Shutdown, ACodeWithoutMessageLeavesTheBracketsEmpty) {
    FakeShutdownApi api;
    api.tokenFails = true;
    api.lastError = 12345;
    EXPECT_EQ(RaisedBy(api, 6).Description(),
              L"Can't enable shutdown: You do not have the privileges to shutdown this system. []");
    FakeShutdownApi refused;
    refused.exitFails = true;
    refused.lastError = 12345;
    EXPECT_EQ(RaisedBy(refused, 6).Description(), L"ShutdownSystem failed: ");
}

TEST_F(Shutdown, TheNinetyFiveFamilyNeedsNoPrivilege) {
    FakeShutdownApi api;
    api.platformId = 1;
    EXPECT_TRUE(ShutdownSystem(api, 6));
    EXPECT_EQ(api.calls, (std::vector<std::string>{"version", "exit"}));
}

TEST_F(Shutdown, ThePlatformAnswerIsRememberedOnlyAfterSuccess) {
    FakeShutdownApi api;
    api.versionFails = true;
    EXPECT_FALSE(IsNtPlatform(api));
    api.versionFails = false;
    EXPECT_TRUE(IsNtPlatform(api));
    api.calls.clear();
    EXPECT_TRUE(IsNtPlatform(api));
    EXPECT_TRUE(api.calls.empty());
}

TEST_F(Shutdown, TheTopOfTheProgramShowsDescriptionNumberAndSource) {
    ShutdownError error(0x8004062B, L"Quorvine.mShutDown", L"ShutdownSystem failed: Access denied.\r\n");
    EXPECT_EQ(DescribeUnhandledError(error),
              L"ShutdownSystem failed: Access denied.\r\n\r\nError 0x8004062B (Quorvine.mShutDown)");
}

}  // namespace
}  // namespace qv
