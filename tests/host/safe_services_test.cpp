// Services named for Safe Mode: what is typed, what it depends on, and that
// exactly what Quorvine added goes again.
#include <gtest/gtest.h>

#include <algorithm>

#include "bootmode/normal_mode.h"
#include "bootmode/safe_services.h"
#include "bootmode/way_back.h"
#include "fake_seams.h"
#include "startup/arguments.h"
#include "startup/exit_codes.h"
#include "startup/switches.h"
#include "system/program_paths.h"
#include "ui/event_record.h"

namespace qv {
namespace {

using testing::ScopedFakePlatform;
using testing::ScopedFakeSeams;

TEST(ReadSwitch, TakesServiceNamesAfterTheSwitchOnly) {
    struct Row {
        const wchar_t* typed;
        std::optional<TypedSwitch> expected;
    };
    const Row rows[] = {
        {L"/SafeNet-Once", TypedSwitch{L"/safenet-once", {}}},
        {L"/safe /service:Agent /SERVICE:\"Remote Agent\"", TypedSwitch{L"/safe", {L"Agent", L"Remote Agent"}}},
        {L"/safecmd \"/service:Remote Agent\"\t/service:MSIServer",
         TypedSwitch{L"/safecmd", {L"Remote Agent", L"MSIServer"}}},
        {L"/safe now", std::nullopt},
        {L"/safe /service:", std::nullopt},
        {L"/safe /service:\"\"", std::nullopt},
        {L"/safe /service:\"Remote Agent", std::nullopt},
        {L"/safe /services:Agent", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto typed = ReadSwitch(row.typed);
        ASSERT_EQ(row.expected.has_value(), typed.has_value()) << row.typed;
        if (!typed) continue;
        EXPECT_EQ(row.expected->text, typed->text) << row.typed;
        EXPECT_EQ(row.expected->services, typed->services) << row.typed;
    }
}

class Services : public ::testing::Test {
protected:
    void SetUp() override { SetProgramConstants(); }
    int Run(const std::wstring& arguments) {
        platform.fake.commandLine = L"\"C:\\Tools\\Quorvine.exe\" " + arguments;
        return Main([] {});
    }
    bool Has(const std::wstring& entry) { return *seams.keys.KeyExists(std::wstring(kSafeBootKey) + L"\\" + entry); }
    std::wstring Record() {
        const auto value = platform.fake.Value(kProgramKey, kSafeBootServicesValue);
        return value ? SettingAsText(*value) : L"";
    }
    size_t StepAt(const std::wstring& prefix) {
        const auto& steps = platform.fake.steps;
        const auto at = std::find_if(steps.begin(), steps.end(),
                                     [&](const std::wstring& step) { return step.rfind(prefix, 0) == 0; });
        EXPECT_NE(steps.end(), at) << "no step " << std::string(prefix.begin(), prefix.end());
        return static_cast<size_t>(at - steps.begin());
    }

    ScopedFakePlatform platform;
    ScopedFakeSeams seams{platform.fake};
};

TEST_F(Services, DependenciesAreFollowedThroughOnceEachAndOnlyTypedNamesAreRefused) {
    seams.services.Add(L"RemoteAgent", L"Remote Agent", {L"AgentHelper", L"RpcSs", L"GoneService"});
    seams.services.Add(L"AgentHelper", L"Agent Helper", {L"remoteagent", L"RpcSs"}, {L"NetworkProvider"});
    seams.services.Add(L"RpcSs", L"Remote Procedure Call (RPC)", {}, {L"NetworkProvider"});
    std::vector<Problem> refused;
    const SafeModeServices found = FindSafeModeServices({L"remote agent", L"NoSuchThing", L"RPCSS"}, refused);
    EXPECT_EQ((std::vector<std::wstring>{L"RemoteAgent", L"RpcSs", L"AgentHelper"}), found.services);
    EXPECT_EQ(std::vector<std::wstring>{L"NetworkProvider"}, found.groups);
    ASSERT_EQ(1u, refused.size());
    EXPECT_EQ(ProblemKind::ServiceUnknown, refused[0].kind);
    EXPECT_EQ(L"NoSuchThing", refused[0].detail);
}

TEST_F(Services, OnlyWhatWasAddedGoesWithNormalModeAndEachRunIsOneRecord) {
    seams.services.Add(L"RemoteAgent", L"Remote Agent", {L"RpcSs"}, {L"NetworkProvider"});
    seams.services.Add(L"RpcSs", L"Remote Procedure Call (RPC)");
    platform.fake.SetValue(std::wstring(kSafeBootKey) + L"\\Network\\RpcSs", L"", std::wstring(L"Service"));
    EXPECT_EQ(kExitWarning, Run(L"/safenet-noreboot /service:\"Remote Agent\""));
    EXPECT_TRUE(Has(L"Network\\RemoteAgent"));
    EXPECT_EQ(L"Network\\RemoteAgent", Record());
    // Named before the boot configuration changes.
    EXPECT_LT(StepAt(L"mkkey:"), StepAt(L"store:SetSafeMode"));
    EXPECT_EQ((std::vector<std::wstring>{
                  L"warning: A service named for Safe Mode depends on the group \"NetworkProvider\", which the "
                  L"SafeBoot key does not name: Windows may not start that service in Safe Mode.",
                  L"safe mode services: Network\\RemoteAgent (added), Network\\RpcSs (there before)",
                  L"safe mode with networking set for the next start; way back: none"}),
              platform.fake.outputLines);

    platform.fake.answers = {kAnswerNo};
    EXPECT_EQ(kExitDone, Run(L"/normal"));
    EXPECT_FALSE(Has(L"Network\\RemoteAgent"));
    EXPECT_TRUE(Has(L"Network\\RpcSs"));
    EXPECT_EQ(L"", Record());

    ASSERT_EQ(2u, seams.events.records.size());
    EXPECT_EQ(kEventSafeModeSet, seams.events.records[0].id);
    EXPECT_EQ(EventLevel::Warning, seams.events.records[0].level);
    EXPECT_EQ(kEventNormalRestored, seams.events.records[1].id);
    EXPECT_EQ(
        L"safe mode services taken away: Network\\RemoteAgent\r\nnormal mode set for the next start\r\n"
        L"command line: \"C:\\Tools\\Quorvine.exe\" /normal",
        seams.events.records[1].text);
}

TEST_F(Services, AnEarlierRunsEntriesGoBeforeTheRepairSoItsStandardOnesComeBack) {
    // Recorded by a run whose repair had failed; the standard document names it too.
    seams.services.Add(L"AgentHelper", L"Agent Helper");
    platform.fake.SetValue(std::wstring(kSafeBootKey) + L"\\Minimal\\RpcSs", L"", std::wstring(L"Service"));
    platform.fake.SetValue(kProgramKey, kSafeBootServicesValue, std::wstring(L"Minimal\\RpcSs"));
    EXPECT_EQ(kExitDone, Run(L"/safenet-noreboot /service:AgentHelper"));
    EXPECT_LT(StepAt(L"rmkey:" + std::wstring(kSafeBootKey) + L"\\Minimal\\RpcSs"), StepAt(L"run:reg.exe import"));
    EXPECT_EQ(L"Network\\AgentHelper", Record());
}

TEST_F(Services, AnUnknownNameOrAnEntryThatCannotBeAddedChangesNothing) {
    seams.services.Add(L"RemoteAgent", L"Remote Agent", {L"AgentHelper"});
    seams.services.Add(L"AgentHelper", L"Agent Helper");
    EXPECT_EQ(kExitFailed, Run(L"/safenet-once /service:RemoteAgent /service:Nobody"));
    EXPECT_TRUE(platform.fake.commands.empty());
    EXPECT_EQ(
        L"error: There is no service named \"Nobody\" (by its key name or its display name). Nothing was "
        L"changed. (The specified service does not exist.)",
        platform.fake.outputLines.at(0));
    ASSERT_EQ(1u, seams.events.records.size());
    EXPECT_EQ(kEventNotConfigured, seams.events.records[0].id);

    seams.keys.refused = {LowerCase(std::wstring(kSafeBootKey) + L"\\Network\\AgentHelper")};
    EXPECT_EQ(kExitFailed, Run(L"/safenet-noreboot /service:RemoteAgent"));
    EXPECT_FALSE(Has(L"Network\\RemoteAgent"));
    EXPECT_EQ(L"", Record());
    for (const auto& command : platform.fake.commands) EXPECT_EQ(command.find(L"/set"), std::wstring::npos) << command;
}

TEST_F(Services, AnEntryThatCannotBeRemovedStaysRecordedWithAWarning) {
    seams.services.Add(L"MSIServer", L"Windows Installer");
    EXPECT_EQ(kExitDone, Run(L"/safenet-noreboot /service:\"Windows Installer\""));
    seams.keys.refused = {LowerCase(std::wstring(kSafeBootKey) + L"\\Network\\MSIServer")};
    platform.fake.answers = {kAnswerNo};
    EXPECT_EQ(kExitWarning, Run(L"/normal"));
    EXPECT_EQ(L"Network\\MSIServer", Record());
    seams.keys.refused.clear();
    platform.fake.answers = {kAnswerNo};
    EXPECT_EQ(kExitDone, Run(L"/normal"));
    EXPECT_EQ(L"", Record());
    EXPECT_FALSE(Has(L"Network\\MSIServer"));
}

TEST_F(Services, OtherSwitchesTakeNoServices) {
    seams.services.Add(L"MSIServer", L"Windows Installer");
    for (const wchar_t* typed : {L"/normal /service:MSIServer", L"/status /service:MSIServer", L"/service:MSIServer",
                                 L"/reboot /service:MSIServer"}) {
        EXPECT_EQ(kExitNoSuchSwitch, Run(typed)) << typed;
        EXPECT_TRUE(platform.fake.steps.empty()) << typed;
    }
}

TEST_F(Services, ARecordTheEventLogRefusesIsToldAndChangesNoExitCode) {
    seams.events.reportError = 1502;
    seams.services.Add(L"MSIServer", L"Windows Installer");
    EXPECT_EQ(kExitDone, Run(L"/safenet-noreboot /service:MSIServer"));
    EXPECT_EQ(L"warning: event log: the record could not be written (error 1502)", platform.fake.outputLines.back());
}

}  // namespace
}  // namespace qv
