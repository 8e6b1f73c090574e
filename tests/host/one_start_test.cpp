// One start in Safe Mode with Networking: bcdedit's listings read whole and in
// any language, and the boot manager's one-time start made, read back and
// taken back whole against a small store kept by the fake's commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "bootmode/boot_entries.h"
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

TEST(BootEntries, TheCopysIdentifierIsReadInAnyLanguage) {
    EXPECT_EQ(CopiedEntryId(L"The entry was successfully copied to " + kCopy + L".\r\n"), kCopy);
    EXPECT_EQ(CopiedEntryId(L"Der Eintrag wurde erfolgreich in {49916BAF-0E08-11DB-9AF4-000BDBD316A0} kopiert."),
              kCopy);
    EXPECT_FALSE(CopiedEntryId(L"Copied {current} to {49916baf-0e08-11db-9af4-000bdbd316a}."));
}

// The fake's commands keep the copy and the sequence as bcdedit would.
class OneStart : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    // A fresh Windows: no copy, no sequence.
    void Reset() {
        platform.reset();
        platform.emplace();
        copied = safeBoot = sequenceRefused = false;
        sequence.clear();
        SetProgramConstants();
        fake().outputs[L"bcdedit.exe /copy {current} /d \"" + std::wstring(kOneStartDescription) + L"\""] =
            L"The entry was successfully copied to " + kCopy + L".";
        Show();
        fake().onStep = [this](const std::wstring& step) {
            const std::wstring run = L"run:bcdedit.exe ";
            if (step.rfind(run, 0) != 0 || fake().failingCommands.count(step.substr(4))) return;
            const std::wstring args = step.substr(run.size());
            if (args.rfind(L"/copy", 0) == 0) copied = true;
            if (args == L"/set " + kCopy + L" safeboot network") safeBoot = true;
            if (args == L"/bootsequence " + kCopy && !sequenceRefused) sequence = kCopy;
            if (args == L"/bootsequence " + kCopy + L" /remove") sequence.clear();
            if (args == L"/delete " + kCopy) copied = false, sequence.clear();
            Show();
        };
    }
    // The store as the fake's commands left it.
    void Show() {
        if (copied) {
            fake().AddBcdEntry(kCopy);
            if (safeBoot) fake().SetBcd(kCopy, L"safeboot", L"Network");
        } else {
            fake().RemoveBcdEntry(kCopy);
        }
        fake().SetBcd(testing::FakePlatform::kBootManager, L"bootsequence", sequence);
    }
    testing::FakePlatform& fake() { return platform->fake; }
    std::optional<std::wstring> Record() { return ReadMachineText(kProgramKey, kOneStartEntryValue); }
    std::vector<std::wstring> Bcd() const {
        std::vector<std::wstring> out;
        for (const auto& c : platform->fake.commands)
            if (c.rfind(L"bcdedit.exe", 0) == 0) out.push_back(c.substr(12));
        return out;
    }
    int Run(const std::wstring& arguments) {
        fake().commandLine = L"\"C:\\Tools\\Quorvine.exe\" " + arguments;
        return Main([] {});
    }

    std::optional<ScopedFakePlatform> platform;
    bool copied = false;
    bool safeBoot = false;
    bool sequenceRefused = false;
    std::wstring sequence;
};

TEST_F(OneStart, CopiesSetsHidesSequencesRecordsAndReadsBack) {
    EXPECT_EQ(Run(L"/safenet-once"), 0);
    const std::vector<std::wstring> expected = {
        L"/deletevalue safeboot",
        L"/deletevalue safebootalternateshell",
        L"/export C:\\BCDbak",
        L"/enum {current} /v",
        L"/copy {current} /d \"Quorvine - Safe Mode with Networking for one start\"",
        L"/set " + kCopy + L" safeboot network",
        L"/displayorder " + kCopy + L" /remove",
        L"/bootsequence " + kCopy,
    };
    EXPECT_EQ(Bcd(), expected);
    EXPECT_EQ(Record(), kCopy);
    EXPECT_TRUE(fake().dialogs.empty());
    EXPECT_EQ(fake().outputLines.back(), L"safe mode with networking set for the next start only; way back: none");

    EXPECT_EQ(Run(L"/status"), 11);
    EXPECT_EQ(fake().outputLines.back(), L"next start: Safe Mode with Networking, next start only; way back: none");
    // A second one start first removes the first: the sequence, then the copy.
    fake().commands.clear();
    EXPECT_EQ(Run(L"/safenet-once"), 0);
    const std::vector<std::wstring> again = {L"/enum {current} /v", L"/bootsequence " + kCopy + L" /remove",
                                             L"/delete " + kCopy, L"/deletevalue safeboot"};
    EXPECT_TRUE(std::equal(again.begin(), again.end(), Bcd().begin()));
    EXPECT_EQ(Record(), kCopy);
}

TEST_F(OneStart, EachFailedStepTakesTheCopyAndTheSequenceBack) {
    for (const std::wstring& failing :
         std::vector<std::wstring>{L"/set " + kCopy + L" safeboot network", L"/displayorder " + kCopy + L" /remove",
                                   L"/bootsequence " + kCopy, L"readback", L"record"}) {
        Reset();
        if (failing == L"readback")
            sequenceRefused = true;  // the command ends well, the store holds no sequence
        else if (failing == L"record")
            fake().refusedKeys.insert(kProgramKey);
        else
            fake().failingCommands.insert(L"bcdedit.exe " + failing);
        EXPECT_EQ(Run(L"/safenet-once"), 1) << failing;
        EXPECT_FALSE(copied) << failing;
        EXPECT_TRUE(sequence.empty()) << failing;
        EXPECT_FALSE(Record()) << failing;
        EXPECT_EQ(fake().outputLines.back(), L"safe mode not configured") << failing;
        EXPECT_NE(fake().outputLines.front().find(L"Windows will start normally."), std::wstring::npos) << failing;
        EXPECT_TRUE(fake().dialogs.empty());
    }
}

TEST_F(OneStart, AnotherPendingStartOrXpOrAForeignRecordIsLeftAlone) {
    const std::wstring recovery = L"{0cb3b571-2f2e-4343-a879-d86a476d7215}";
    fake().AddBcdEntry(recovery);
    sequence = recovery;
    Show();
    EXPECT_EQ(Run(L"/safenet-once"), 1);
    const std::vector<std::wstring> refused = Bcd();
    EXPECT_EQ(std::count_if(refused.begin(), refused.end(), [](auto& c) { return c.rfind(L"/copy", 0) == 0; }), 0);
    EXPECT_NE(fake().outputLines.front().find(L"already holds a one-time start"), std::wstring::npos);
    // A record that names no copy is never deleted, nor its sequence cleared.
    fake().SetValue(kProgramKey, kOneStartEntryValue, std::wstring(L"{current}"));
    fake().commands.clear();
    EXPECT_EQ(Run(L"/normal"), 0);
    for (const auto& command : Bcd())  // read, never changed
        if (command.rfind(L"/enum", 0) != 0) EXPECT_EQ(command.find(L"{current}"), std::wstring::npos) << command;

    fake().version.majorVersion = 5;
    fake().version.minorVersion = 1;
    fake().commands.clear();
    fake().outputLines.clear();
    EXPECT_EQ(Run(L"/safenet-once"), 1);
    EXPECT_TRUE(fake().commands.empty());
    EXPECT_NE(fake().outputLines.front().find(L"Windows 2000 and XP have no one-time start"), std::wstring::npos);
}

TEST_F(OneStart, NormalTakesItBackAndKeepsTheWayBackWhereTheSequenceStays) {
    ASSERT_EQ(Run(L"/safenet-once"), 0);
    fake().failingCommands = {L"bcdedit.exe /bootsequence " + kCopy + L" /remove", L"bcdedit.exe /delete " + kCopy};
    EXPECT_EQ(Run(L"/normal"), 3);
    EXPECT_EQ(Record(), kCopy);
    EXPECT_EQ(sequence, kCopy);
    EXPECT_EQ(ArmedWayBack(), kRunOnceWayBack);
    EXPECT_NE(fake().dialogs.back().text.find(L"bcdedit /delete " + kCopy), std::wstring::npos);

    fake().failingCommands.clear();
    EXPECT_EQ(Run(L"/normal"), 0);
    EXPECT_FALSE(Record());
    EXPECT_FALSE(copied);
    EXPECT_EQ(ArmedWayBack(), kNoWayBack);
    EXPECT_EQ(Run(L"/status"), 0);
}

}  // namespace
}  // namespace qv
