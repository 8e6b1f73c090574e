// The real boot store over the fake platform: the bcdedit command lines it
// runs, what it reads of real listings and of the store's hive, and boot.ini
// through its editor. Every other test steers the fake boot store instead.
#include <gtest/gtest.h>

#include <iterator>

#include "bootmode/boot_entries.h"
#include "bootmode/boot_store.h"
#include "fake_platform.h"
#include "system/program_paths.h"

namespace qv {
namespace {

using testing::FakePlatform;
using testing::ScopedFakePlatform;

const std::wstring kEntry = L"{5c1a3e2f-7b4d-11ef-9a0c-00155d0a1b2c}";
const std::wstring kCopy = L"{49916baf-0e08-11db-9af4-000bdbd316a0}";
const std::wstring kEnum = L"bcdedit.exe /enum {current} /v";

// The fake platform alone: the real store reaches bcdedit and the hive through it.
class RealStore : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramConstants();
        previous_ = SetBootStore(nullptr);
        Put(kEntry, L"", {});
        Put(kBootManagerId, L"23000003", Text(1, kEntry));
        fake().outputs[kEnum] =
            L"Windows Boot Loader\r\n-------------------\r\nidentifier              " + kEntry + L"\r\n";
    }
    void TearDown() override { SetBootStore(previous_); }
    FakePlatform& fake() { return platform.fake; }

    // An element of the hive by its type; no type: the entry's Elements key alone.
    void Put(const std::wstring& entry, const std::wstring& type, const RawSetting& value) {
        const std::wstring key =
            L"BCD00000000\\Objects\\" + entry + L"\\Elements" + (type.empty() ? L"" : L"\\" + type);
        fake().registry[FakePlatform::Key(L"HKLM", key)];
        if (!type.empty()) fake().rawValues[FakePlatform::Key(L"HKLM", key)][L"element"] = value;
    }
    void Remove(const std::wstring& entry, const std::wstring& type) {
        const std::wstring key = FakePlatform::Key(L"HKLM", L"BCD00000000\\Objects\\" + entry + L"\\Elements\\" + type);
        fake().registry.erase(key);
        fake().rawValues.erase(key);
    }
    // A REG_SZ (1) or REG_MULTI_SZ (7) of blank-separated strings.
    static RawSetting Text(uint32_t type, const std::wstring& strings) {
        RawSetting raw{type, {}};
        std::wstring list = strings;
        for (wchar_t& c : list)
            if (c == L' ') c = L'\0';
        for (wchar_t c : list + std::wstring(type == 7 ? 2 : 1, L'\0'))
            raw.data.insert(raw.data.end(), {uint8_t(c), uint8_t(c >> 8)});
        return raw;
    }
    static RawSetting Integer(uint8_t value) { return {3, {value, 0, 0, 0, 0, 0, 0, 0}}; }

    ScopedFakePlatform platform;

private:
    BootStore* previous_ = nullptr;
};

TEST_F(RealStore, EachChangeIsOneBcdeditCommandThatNamesItselfAndSaysWhyItFailed) {
    EXPECT_TRUE(Store().SetSafeMode(Mode::Minimal).ok);
    EXPECT_TRUE(Store().SetSafeMode(Mode::CommandPrompt).ok);
    EXPECT_TRUE(Store().SetSafeMode(Mode::Network, kCopy).ok);
    EXPECT_TRUE(Store().RemoveSafeMode().ok);
    EXPECT_TRUE(Store().ExportBackup(L"C:\\BCDbak").ok);
    EXPECT_TRUE(Store().HideEntry(kCopy).ok);
    EXPECT_TRUE(Store().SetBootSequence(kCopy).ok);
    EXPECT_TRUE(Store().ClearBootSequence(kCopy).ok);
    EXPECT_TRUE(Store().DeleteEntry(kCopy).ok);
    EXPECT_EQ(fake().commands, (std::vector<std::wstring>{
                                   L"bcdedit.exe /set safeboot minimal",
                                   L"bcdedit.exe /set safeboot minimal",
                                   L"bcdedit.exe /set safebootalternateshell true",
                                   L"bcdedit.exe /set " + kCopy + L" safeboot network",
                                   L"bcdedit.exe /deletevalue safeboot",
                                   L"bcdedit.exe /deletevalue safebootalternateshell",
                                   L"bcdedit.exe /export C:\\BCDbak",
                                   L"bcdedit.exe /displayorder " + kCopy + L" /remove",
                                   L"bcdedit.exe /bootsequence " + kCopy,
                                   L"bcdedit.exe /bootsequence " + kCopy + L" /remove",
                                   L"bcdedit.exe /delete " + kCopy,
                               }));
    EXPECT_EQ(fake().rawCommands.front(), L"\"C:\\WINDOWS\\system32\\bcdedit.exe\" /set safeboot minimal");
    EXPECT_FALSE(Store().SetSafeMode(Mode::Normal).ok) << "no Safe Mode to set";
    EXPECT_FALSE(Store().SetBootIniSafeMode(Mode::Normal).ok);
    EXPECT_EQ(fake().commands.size(), 11u);

    // The command-prompt mode stops at the shell; either removal failing fails.
    fake().exitCodes[L"bcdedit.exe /set safebootalternateshell true"] = 5;
    const StoreChange shell = Store().SetSafeMode(Mode::CommandPrompt);
    EXPECT_FALSE(shell.ok);
    EXPECT_EQ(shell.command, L"bcdedit.exe /set safebootalternateshell true");
    EXPECT_FALSE(shell.reason.empty());
    EXPECT_EQ(Store().ShellRemovalCommand(), L"bcdedit.exe /deletevalue safebootalternateshell");
    fake().exitCodes[L"bcdedit.exe /deletevalue safebootalternateshell"] = 1;
    EXPECT_FALSE(Store().RemoveSafeMode().ok);
    EXPECT_EQ(fake().commands.back(), L"bcdedit.exe /deletevalue safebootalternateshell");
}

TEST_F(RealStore, TheCopysIdentifierIsReadFromItsSentenceInAnyLanguage) {
    const std::wstring copy = L"bcdedit.exe /copy {current} /d \"Q\"";
    fake().outputs[copy] = L"Der Eintrag wurde erfolgreich in {49916BAF-0E08-11DB-9AF4-000BDBD316A0} kopiert.";
    EXPECT_EQ(Store().CopyRunningEntry(L"Q").entry, kCopy);
    EXPECT_EQ(CopiedEntryId(L"The entry was successfully copied to " + kCopy + L".\r\n"), kCopy);
    EXPECT_FALSE(CopiedEntryId(L"Copied {current} to {49916baf-0e08-11db-9af4-000bdbd316a}."));

    fake().outputs[copy] = L"Copied.";
    const EntryCopy unnamed = Store().CopyRunningEntry(L"Q");
    EXPECT_FALSE(unnamed.entry);
    EXPECT_EQ(unnamed.change.command, copy);
    EXPECT_EQ(unnamed.change.reason, L"no identifier of a new entry in its output");
    fake().exitCodes[copy] = 1;
    EXPECT_EQ(Store().CopyRunningEntry(L"Q").change.reason, L"");

    EXPECT_EQ(EntryIdentifier(L"{49916BAF-0E08-11DB-9AF4-000BDBD316A0}"), kCopy);
    EXPECT_FALSE(EntryIdentifier(L"{current}"));
    EXPECT_FALSE(EntryIdentifier(L" " + kCopy));
}

// "bcdedit /enum {current} /v" of a Windows 10 machine, as its lines come.
const wchar_t* const kRunningListing[] = {
    L"Windows Boot Loader",
    L"-------------------",
    L"identifier              {3f1c8a52-6d0e-11ee-8c99-0242ac120002}",
    L"device                  partition=C:",
    L"path                    \\WINDOWS\\system32\\winload.exe",
    L"description             Windows 10",
    L"locale                  en-US",
    L"inherit                 {6efb52bf-1766-41db-a6b3-0ee5eff72bd7}",
    L"recoverysequence        {0cb3b571-2f2e-4343-a879-d86a476d7215}",
    L"recoveryenabled         Yes",
    L"osdevice                partition=C:",
    L"systemroot              \\WINDOWS",
    L"resumeobject            {e3c5fc98-2c0f-11e9-a2b5-e4b1b1c4c5f2}",
    L"nx                      OptIn",
    L"bootmenupolicy          Standard",
    L"safeboot                Network",
};

TEST_F(RealStore, AListingCutAfterAnyLineGivesTheIdentifierOrNothing) {
    std::wstring listing;
    for (size_t lines = 0; lines <= std::size(kRunningListing); ++lines) {
        fake().outputs[kEnum] = listing;
        const auto id = Store().RunningEntry();
        if (lines < 3)
            EXPECT_FALSE(id) << lines;
        else
            EXPECT_EQ(std::optional<std::wstring>(L"{3f1c8a52-6d0e-11ee-8c99-0242ac120002}"), id) << lines;
        if (lines < std::size(kRunningListing)) listing += std::wstring(kRunningListing[lines]) + L"\r\n";
    }
    EXPECT_EQ(fake().commands.back(), kEnum);
    // Cut inside the identifier, without /v, an error text, or another entry first: nothing.
    for (const wchar_t* partial :
         {L"Windows Boot Loader\r\n-------------------\r\nidentifier  {3f1c8a52-6d0e-11ee-8c99-0242ac12",
          L"Windows-Startladeprogramm\r\n-------------------------\r\nidentifier   {current}\r\n",
          L"The boot configuration data store could not be opened.\r\n",
          L"identifier {3f1c8a52-6d0e-11ee-8c99-0242ac120002}\r\n",
          L"Windows Boot Manager\r\n---\r\ndevice partition=C:\r\nidentifier "
          L"{3f1c8a52-6d0e-11ee-8c99-0242ac120002}\r\n"})
        EXPECT_FALSE(ListedEntryId(partial)) << partial;
    fake().exitCodes[kEnum] = 1;
    EXPECT_FALSE(Store().RunningEntry());
}

TEST_F(RealStore, TheHiveShowsAnElementAbsentOnlyWhereItsEntryOpens) {
    const RawSetting on{3, {1}};
    const RawSetting off{3, {0}};
    const struct {
        std::vector<std::pair<const wchar_t*, RawSetting>> elements;
        StoredMode expected;
        bool shell;
    } rows[] = {
        {{}, Mode::Normal, false},
        {{{L"25000080", Integer(1)}}, Mode::Network, false},
        {{{L"25000080", Integer(0)}, {L"26000081", on}}, Mode::CommandPrompt, true},
        {{{L"25000080", Integer(0)}, {L"26000081", off}}, Mode::Minimal, true},
        {{{L"26000081", on}}, Mode::Normal, true},
        {{{L"25000080", Integer(2)}}, StoredMode::Other(), false},
    };
    for (const auto& row : rows) {
        Remove(kEntry, L"25000080");
        Remove(kEntry, L"26000081");
        for (const auto& [type, value] : row.elements) Put(kEntry, type, value);
        const EntryListing listing = Store().ReadEntry(kEntry);
        EXPECT_EQ(row.expected, listing.safeBoot) << row.elements.size();
        EXPECT_EQ(row.shell, listing.alternateShell) << row.elements.size();
    }
    // An element that cannot be read, an entry the store does not hold, no
    // identifier: unknown, never absent.
    fake().unreadableKeys = {L"26000081"};
    EXPECT_EQ(StoredMode::Unknown(), Store().ReadEntry(kEntry).safeBoot);
    fake().unreadableKeys.clear();
    EXPECT_EQ(StoredMode::Unknown(), Store().ReadEntry(kCopy).safeBoot);
    EXPECT_EQ(std::optional<bool>(false), Store().EntryInStore(kCopy));
    EXPECT_EQ(std::optional<bool>(true), Store().EntryInStore(kEntry));
    EXPECT_EQ(StoredMode::Unknown(), Store().ReadEntry(L"{current}").safeBoot);

    EXPECT_EQ(std::optional<std::vector<std::wstring>>(std::vector<std::wstring>{}), Store().ReadBootSequence());
    Put(kBootManagerId, L"24000002", Text(7, L"{0CB3B571-2F2E-4343-A879-D86A476D7215} {memdiag}"));
    EXPECT_EQ((std::vector<std::wstring>{L"{0cb3b571-2f2e-4343-a879-d86a476d7215}", L"{memdiag}"}),
              Store().ReadBootSequence().value_or(std::vector<std::wstring>{}));
    fake().unreadableKeys = {L"24000002"};
    EXPECT_FALSE(Store().ReadBootSequence());
    EXPECT_EQ(std::optional<std::wstring>(kEntry), Store().ReadDefaultEntry());
    fake().unreadableKeys = {L"Objects"};
    EXPECT_FALSE(Store().EntryInStore(kCopy));
}

TEST_F(RealStore, BootIniIsEditedAsACopyAndPutBackFromItsBackup) {
    EXPECT_EQ(Store().ReadBootIni(), StoredMode::Unknown()) << "no boot.ini";
    const std::string bootIni =
        "[boot loader]\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"XP\" /fastdetect\r\n";
    fake().PutFile(L"C:\\boot.ini", bootIni, 7);
    EXPECT_EQ(Store().ReadBootIni(), Mode::Normal);
    for (Mode mode : {Mode::CommandPrompt, Mode::Network, Mode::Minimal}) {
        EXPECT_TRUE(Store().SetBootIniSafeMode(mode).ok);
        EXPECT_EQ(Store().ReadBootIni(), mode == Mode::Network         ? Mode::Network
                                         : mode == Mode::CommandPrompt ? Mode::CommandPrompt
                                                                       : Mode::Minimal);
        EXPECT_TRUE(Store().BootIniBackedUp());
    }
    EXPECT_EQ(fake().FileText(L"C:\\boot.Tamberlow"), bootIni) << "made once, of the untouched file";
    EXPECT_TRUE(Store().RestoreBootIni().ok);
    EXPECT_EQ(fake().FileText(L"C:\\boot.ini"), bootIni);
    EXPECT_FALSE(Store().BootIniBackedUp());
    EXPECT_EQ(Store().RestoreBootIni().failure,  // nothing to put back
              L"Could not find:  C:\\boot.Tamberlow\r\nor could not write to:  C:\\boot.ini");
}

}  // namespace
}  // namespace qv
