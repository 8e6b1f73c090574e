#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "safeboot/safeboot_repair.h"
#include "system/process.h"

namespace qv {
namespace {

using testing::FakePlatform;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Also records how each command is launched, and what the document and batch
// files held at that moment (they are gone afterwards).
class RepairPlatform : public FakePlatform {
public:
    struct Run {
        std::wstring commandLine;
        int windowStyle;
        std::wstring message;
        int32_t timeoutMs;
        bool abortOnTimeout;
        std::string document, batch;  // "-" when the file is not there
    };
    std::vector<Run> runs;
    std::wstring documentPath = L"C:\\WINDOWS\\Temp\\Quorvine-1\\sb_7.reg";

    RepairPlatform() {
        previous_ = InstallSeams(All());
        version.majorVersion = 6;
        version.minorVersion = 1;
        for (const wchar_t* name : {L"sb_xp", L"sb_v", L"sb_7", L"sb_8"}) {
            const std::string bytes = "document " + Narrow(name);
            resources[name] = std::vector<uint8_t>(bytes.begin(), bytes.end());
        }
    }
    ~RepairPlatform() override { InstallSeams(previous_); }
    Seams previous_;

    std::string Snapshot(const std::wstring& path) const { return HasFile(path) ? FileText(path) : "-"; }

    bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message, int32_t timeoutMs,
                    bool abortOnTimeout, uint32_t* exitCode) override {
        runs.push_back({commandLine, windowStyle, message, timeoutMs, abortOnTimeout, Snapshot(documentPath),
                        Snapshot(L"C:\\WINDOWS\\Temp\\Quorvine-1\\RegImport.cmd")});
        return FakePlatform::RunAndWait(commandLine, windowStyle, message, timeoutMs, abortOnTimeout, exitCode);
    }
};

TEST(SafeBootRepair, ChoosesTheDocumentOfTheNewestGenerationThatApplies) {
    EXPECT_EQ(ChooseSafeBootDocument(false, false, false), L"sb_xp");
    EXPECT_EQ(ChooseSafeBootDocument(true, false, false), L"sb_v");
    EXPECT_EQ(ChooseSafeBootDocument(true, true, false), L"sb_7");
    EXPECT_EQ(ChooseSafeBootDocument(true, true, true), L"sb_8");
}

TEST(SafeBootRepair, ImportsTheDocumentOfTheRunningWindows) {
    struct Row {
        uint32_t major, minor;
        const wchar_t* document;
    };
    for (const Row& row : {Row{5, 0, L"sb_xp"}, Row{5, 1, L"sb_xp"}, Row{5, 2, L"sb_xp"}, Row{6, 0, L"sb_v"},
                           Row{6, 1, L"sb_7"}, Row{6, 2, L"sb_8"}, Row{6, 3, L"sb_8"}, Row{10, 0, L"sb_8"}}) {
        SCOPED_TRACE(::testing::Message() << row.major << "." << row.minor);
        RepairPlatform p;
        p.version.majorVersion = row.major;
        p.version.minorVersion = row.minor;
        p.documentPath = L"C:\\WINDOWS\\Temp\\Quorvine-1\\" + std::wstring(row.document) + L".reg";
        EXPECT_EQ(RepairSafeBootKey().outcome, RepairOutcome::Repaired);
        ASSERT_EQ(p.runs.size(), 1u);
        EXPECT_EQ(p.runs[0].commandLine, L"\"C:\\WINDOWS\\system32\\reg.exe\" import \"" + p.documentPath + L"\"");
        EXPECT_EQ(p.runs[0].document, "document " + Narrow(row.document));
    }
}

TEST(SafeBootRepair, WithoutCompanionRunsRegHiddenInAPrivateFolderAndLeavesNothing) {
    RepairPlatform p;
    RepairSafeBootKey();
    ASSERT_EQ(p.runs.size(), 1u);
    EXPECT_EQ(p.runs[0].windowStyle, 0);
    EXPECT_EQ(p.runs[0].timeoutMs, kCommandLimitMs);
    EXPECT_TRUE(p.runs[0].abortOnTimeout);
    EXPECT_EQ(p.runs[0].document, "document sb_7") << "the document is there while reg.exe reads it";
    EXPECT_EQ(p.runs[0].batch, "-");
    EXPECT_TRUE(p.files.empty());
    EXPECT_TRUE(p.folders.empty());
}

TEST(SafeBootRepair, CompanionRunsTheTwoLineBatchFromAFolderWithBlanks) {
    RepairPlatform p;
    p.exePath = L"C:\\Program Files\\Quorvine\\Quorvine.exe";
    p.PutFile(L"C:\\Program Files\\Quorvine\\ets.exe", "MZ");
    RepairSafeBootKey();

    ASSERT_EQ(p.runs.size(), 2u);
    EXPECT_EQ(p.runs[1].commandLine,
              L"\"C:\\Program Files\\Quorvine\\ets.exe\" \"C:\\WINDOWS\\Temp\\Quorvine-1\\RegImport.cmd\"");
    EXPECT_EQ(p.runs[1].windowStyle, -1);
    EXPECT_TRUE(p.runs[1].abortOnTimeout);
    EXPECT_EQ(p.runs[1].batch, "pushd \"%~dp0\"\r\nreg import sb_7.reg\r\n");
    EXPECT_EQ(p.runs[1].document, "document sb_7") << "the companion imports the same file";
    EXPECT_TRUE(p.files.size() == 1u && p.folders.empty()) << "only the companion itself is left";
}

TEST(SafeBootRepair, ACompanionInAFolderUsersCanChangeIsSkippedAndRegImportsAlone) {
    RepairPlatform p;
    p.exePath = L"C:\\Users\\Public\\Downloads\\Quorvine.exe";
    p.PutFile(L"C:\\Users\\Public\\Downloads\\ets.exe", "MZ");
    p.security[L"c:\\users\\public\\downloads"] =
        SecurityDescription{kSystemSid, true, {{true, false, 0x001301BF, L"S-1-5-4"}}};
    EXPECT_EQ(RepairSafeBootKey().outcome, RepairOutcome::Repaired);
    ASSERT_EQ(p.runs.size(), 1u);
    EXPECT_EQ(p.runs[0].commandLine, L"\"C:\\WINDOWS\\system32\\reg.exe\" import \"" + p.documentPath + L"\"");
    ASSERT_EQ(p.outputLines.size(), 1u);
    EXPECT_EQ(p.outputLines[0].rfind(L"skipped: C:\\Users\\Public\\Downloads\\ets.exe, because", 0), 0u);
}

TEST(SafeBootRepair, NoPrivateFolderOrNoDocumentIsReportedWithoutAnImport) {
    RepairPlatform noFolder;
    noFolder.noPrivateFolder = true;
    EXPECT_EQ(RepairSafeBootKey().outcome, RepairOutcome::NoPrivateFolder);
    EXPECT_TRUE(noFolder.runs.empty());

    RepairPlatform noDocument;
    noDocument.resources.clear();
    EXPECT_EQ(RepairSafeBootKey().outcome, RepairOutcome::ImportFailed);
    EXPECT_TRUE(noDocument.runs.empty());
    EXPECT_TRUE(noDocument.files.empty() && noDocument.folders.empty());
}

}  // namespace
}  // namespace qv
