// One start in Safe Mode with Networking: the boot manager's one-time start
// made, read back and taken back whole against the fake boot store.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "bootmode/boot_state.h"
#include "bootmode/normal_mode.h"
#include "bootmode/one_start.h"
#include "bootmode/safe_mode.h"
#include "bootmode/way_back.h"
#include "fake_platform.h"
#include "startup/switches.h"
#include "system/program_paths.h"

namespace qv {
namespace {

using testing::ScopedFakePlatform;

const std::wstring kCopy = L"{49916baf-0e08-11db-9af4-000bdbd316a0}";

class OneStart : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    // A fresh Windows: no copy, no sequence.
    void Reset() {
        platform.reset();
        platform.emplace();
        SetProgramConstants();
    }
    testing::FakePlatform& fake() { return platform->fake; }
    testing::FakeBootStore& store() { return platform->store; }
    bool Copied() { return store().entries.count(kCopy) != 0; }
    std::optional<std::wstring> Record() { return ReadMachineText(kProgramKey, kOneStartEntryValue); }
    int Run(const std::wstring& arguments) {
        fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" " + arguments;
        return Main([] {});
    }

    std::optional<ScopedFakePlatform> platform;
};

TEST_F(OneStart, CopiesSetsHidesSequencesRecordsAndReadsBack) {
    EXPECT_EQ(Run(L"/safenet-once"), 0);
    const std::vector<std::wstring> expected = {
        L"RemoveSafeMode",
        L"ExportBackup C:\\BCDbak",
        L"CopyRunningEntry Quorvine - Safe Mode with Networking for one start",
        L"SetSafeMode network " + kCopy,
        L"HideEntry " + kCopy,
        L"SetBootSequence " + kCopy,
    };
    EXPECT_EQ(store().changes, expected);
    EXPECT_FALSE(store().entries[kCopy].onMenu);
    EXPECT_EQ(store().entries[kCopy].description, kOneStartDescription);
    EXPECT_EQ(store().RunningMode(), L"") << "the running entry stays as it was";
    EXPECT_EQ(Record(), kCopy);
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_EQ(fake().outputLines.back(), L"safe mode with networking set for the next start only; way back: none");

    EXPECT_EQ(Run(L"/status"), 11);
    EXPECT_EQ(fake().outputLines.back(), L"next start: Safe Mode with Networking, next start only; way back: none");
    // A second one start first removes the first: the sequence, then the copy.
    store().changes.clear();
    EXPECT_EQ(Run(L"/safenet-once"), 0);
    const std::vector<std::wstring> again = {L"ClearBootSequence " + kCopy, L"DeleteEntry " + kCopy, L"RemoveSafeMode"};
    EXPECT_TRUE(std::equal(again.begin(), again.end(), store().changes.begin()));
    EXPECT_EQ(Record(), kCopy);
}

TEST_F(OneStart, EachFailedStepTakesTheCopyAndTheSequenceBack) {
    for (const std::wstring failing : {L"SetSafeMode", L"HideEntry", L"SetBootSequence", L"readback", L"record"}) {
        Reset();
        if (failing == L"readback")  // the change ends well, the store holds no sequence
            fake().onStep = [this](const std::wstring& step) {
                if (step == L"store:SetBootSequence " + kCopy) store().bootSequence.clear();
            };
        else if (failing == L"record")
            fake().refusedKeys.insert(kProgramKey);
        else
            store().failures[failing] = {L"exit code 1"};
        EXPECT_EQ(Run(L"/safenet-once"), 1) << failing;
        EXPECT_FALSE(Copied()) << failing;
        EXPECT_TRUE(store().bootSequence.empty()) << failing;
        EXPECT_FALSE(Record()) << failing;
        EXPECT_EQ(fake().outputLines.back(), L"safe mode not configured") << failing;
        EXPECT_NE(fake().outputLines.front().find(L"Windows will start normally."), std::wstring::npos) << failing;
        EXPECT_TRUE(fake().dialogs.empty());
    }
}

TEST_F(OneStart, AnotherPendingStartOrXpOrAForeignRecordIsLeftAlone) {
    const std::wstring recovery = L"{0cb3b571-2f2e-4343-a879-d86a476d7215}";
    store().entries[recovery];
    store().bootSequence = {recovery};
    EXPECT_EQ(Run(L"/safenet-once"), 1);
    EXPECT_FALSE(Copied());
    EXPECT_NE(fake().outputLines.front().find(L"already holds a one-time start"), std::wstring::npos);
    // A record that names no copy is never deleted, nor its sequence cleared.
    fake().SetValue(kProgramKey, kOneStartEntryValue, std::wstring(L"{current}"));
    store().changes.clear();
    EXPECT_EQ(Run(L"/normal"), 0);
    for (const auto& change : store().changes) EXPECT_EQ(change.find(L"{current}"), std::wstring::npos) << change;
    EXPECT_EQ(store().bootSequence, std::vector<std::wstring>{recovery});

    fake().version.majorVersion = 5;
    fake().version.minorVersion = 1;
    store().changes.clear();
    fake().outputLines.clear();
    EXPECT_EQ(Run(L"/safenet-once"), 1);
    EXPECT_TRUE(store().changes.empty());
    EXPECT_NE(fake().outputLines.front().find(L"Windows 2000 and XP have no one-time start"), std::wstring::npos);
}

TEST_F(OneStart, NormalTakesItBackAndKeepsTheWayBackWhereTheSequenceStays) {
    ASSERT_EQ(Run(L"/safenet-once"), 0);
    store().failures[L"ClearBootSequence"] = {L"exit code 1"};
    store().failures[L"DeleteEntry"] = {L"exit code 1"};
    EXPECT_EQ(Run(L"/normal"), 3);
    EXPECT_EQ(Record(), kCopy);
    EXPECT_EQ(store().bootSequence, std::vector<std::wstring>{kCopy});
    EXPECT_EQ(ArmedWayBack(), kRunOnceWayBack);
    EXPECT_NE(fake().dialogs.back().text.find(L"bcdedit /delete " + kCopy), std::wstring::npos);

    store().failures.clear();
    EXPECT_EQ(Run(L"/normal"), 0);
    EXPECT_FALSE(Record());
    EXPECT_FALSE(Copied());
    EXPECT_EQ(ArmedWayBack(), kNoWayBack);
    EXPECT_EQ(Run(L"/status"), 0);
}

}  // namespace
}  // namespace qv
