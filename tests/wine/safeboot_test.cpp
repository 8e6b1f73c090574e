// SafeBoot key repair against the prefix's registry and its real reg.exe.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "safeboot/documents/safeboot_documents.h"
#include "safeboot/safeboot_repair.h"
#include "system/program_paths.h"
#include "system/seams_win32.h"
#include "system/security_win32.h"

namespace qv {
namespace {

const std::string kSafeBoot = "SYSTEM\\CurrentControlSet\\Control\\SafeBoot";

std::string Ansi(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Temp() {
    char buffer[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("temp", buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

// The document this Windows should get, from its version alone: 8 and later,
// 10 and 11 included, share "sb_8".
size_t ExpectedDocument() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    GetVersionExA(&info);
    if (info.dwMajorVersion < 6) return 0;
    if (info.dwMajorVersion == 6 && info.dwMinorVersion < 2) return info.dwMinorVersion + 1;
    return 3;
}

std::optional<std::string> ReadText(const std::string& keyPath, const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = {};
    DWORD size = sizeof(data) - 1, type = 0;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data);  // the stored NUL, if any, ends it
}

void WriteText(const std::string& keyPath, const char* valueName, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << keyPath;
    // RegSetValueExA stores the bytes it is given: the NUL must be counted.
    RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void DeleteKey(const std::string& keyPath) { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_WOW64_64KEY, 0); }

std::vector<std::string> FilesIn(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string ReadFileText(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing " + path + ">";
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

std::string WindowsTemp() {
    char buffer[MAX_PATH];
    UINT length = GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0) + "\\Temp";
}

void ExpectNoTemporaryFilesLeft() {
    EXPECT_EQ(FilesIn(Temp() + "\\sb_*.reg"), std::vector<std::string>{});
    EXPECT_EQ(FilesIn(Temp() + "\\RegImport.cmd"), std::vector<std::string>{});
    EXPECT_EQ(FilesIn(WindowsTemp() + "\\Quorvine-*"), std::vector<std::string>{});
}

class SafeBootRepair : public ::testing::Test {};
// Wine 8 keeps no descriptor on files: the one Windows gives Program Files
// stands in for the companion's folder, where Windows would report it.
class AdministratorsOnlyFolders : public win32::Win32FileSystem {
public:
    std::optional<SecurityDescription> ReadSecurity(const std::wstring&) override {
        const win32::UniqueLocal descriptor = win32::DescriptorFromSddl(
            L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;SY)(A;;FA;;;BA)"
            L"(A;;0x1200a9;;;BU)");
        return win32::DescribeSecurity(descriptor.get());
    }
};

class SafeBootCompanion : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = InstallSeams({});
        Seams seams = previous_;
        seams.files = &files_;
        InstallSeams(seams);
    }
    void TearDown() override { InstallSeams(previous_); }
    AdministratorsOnlyFolders files_;
    Seams previous_;
};
using SafeBootCompanionCopy = SafeBootCompanion;

TEST_F(SafeBootRepair, FindsTheFourDocumentsByTheirLowerCaseNames) {
    for (size_t document = 0; document < kSafeBootDocumentNames.size(); ++document) {
        const std::wstring name(kSafeBootDocumentNames[document].begin(), kSafeBootDocumentNames[document].end());
        const auto bytes = Program().LoadCustomResource(name);
        ASSERT_TRUE(bytes.has_value()) << Ansi(name);
        EXPECT_TRUE(*bytes == BuildSafeBootDocument(document)) << Ansi(name) << ": " << bytes->size() << " bytes";
    }
}

TEST_F(SafeBootRepair, LeavesTheWholeDocumentAndKeepsWhatElseIsThere) {
    const std::string kept = kSafeBoot + "\\Network\\QvNotInAnyDocument";
    WriteText(kept, nullptr, "Service");
    WriteText(kSafeBoot, "AlternateShell", "explorer.exe");

    RepairSafeBootKey();

    const size_t document = ExpectedDocument();
    SCOPED_TRACE(kSafeBootDocumentNames[document]);
    EXPECT_EQ(ReadText(kSafeBoot, "AlternateShell"), "cmd.exe");
    for (auto [section, name] :
         {std::pair{SafeBootPlacement::Minimal, "Minimal"}, std::pair{SafeBootPlacement::Network, "Network"}}) {
        const auto subkeys = SafeBootSection(document, section);
        EXPECT_FALSE(subkeys.empty());
        for (const SafeBootSubkey* subkey : subkeys) {
            const std::string path = kSafeBoot + "\\" + name + "\\" + std::string(subkey->name);
            EXPECT_EQ(ReadText(path, nullptr), std::string(subkey->defaultValue)) << path;
        }
    }
    EXPECT_EQ(ReadText(kept, nullptr), "Service");
    ExpectNoTemporaryFilesLeft();
    DeleteKey(kept);
}

TEST_F(SafeBootRepair, AHeldDocumentCanBeReadButNotChangedReplacedOrDeleted) {
    std::wstring made;
    ASSERT_TRUE(Files().CreatePrivateFolder(made));
    const std::optional<std::wstring> folder = made;
    EXPECT_EQ(Ansi(*folder).rfind(WindowsTemp() + "\\Quorvine-", 0), 0u) << Ansi(*folder);
    const std::wstring document = *folder + L"\\sb_7.reg";
    const std::vector<uint8_t> bytes{0xFF, 0xFE, 'W', 0};
    ASSERT_TRUE(Files().WriteHeldFile(document, bytes));

    const std::string path = Ansi(document);
    // reg.exe's own open: reading, with others reading and writing allowed.
    HANDLE reader =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".old").c_str()));
    EXPECT_FALSE(Files().WriteHeldFile(document, bytes)) << "an existing file is never written over";

    EXPECT_TRUE(Files().RemoveFile(document));
    EXPECT_TRUE(Files().RemoveFolder(*folder));
}

// A companion in a folder with blanks needs the program itself there: a copy
// of this program runs this part (see RunCopyOfThisProgram).
TEST_F(SafeBootCompanionCopy, DISABLED_RepairInCopiedProgram) { RepairSafeBootKey(); }

// Runs this program from `folder` with only the test above selected.
DWORD RunCopyOfThisProgram(const std::string& folder) {
    const std::string copy = folder + "wine_tests.exe";
    if (!CopyFileA(Ansi(AppExePath()).c_str(), copy.c_str(), FALSE)) return 0xFFFFFFFF;
    std::string line = "\"" + copy +
                       "\" --gtest_also_run_disabled_tests"
                       " --gtest_filter=SafeBootCompanionCopy.DISABLED_RepairInCopiedProgram";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    DWORD exitCode = 0xFFFFFFFF;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileA(copy.c_str());
    return exitCode;
}

// Puts the stand-in companion into `folder`, leaves an old batch file in the
// temporary folder, repairs and checks what the companion was given.
void CheckCompanionRun(const std::string& folder, bool ownFolder) {
    const std::string standIn = Ansi(AppFolder()) + "ets-standin.exe";
    ASSERT_TRUE(CopyFileA(standIn.c_str(), (folder + "ets.exe").c_str(), FALSE))
        << standIn << " is built beside the test program";

    if (ownFolder)
        RepairSafeBootKey();
    else
        EXPECT_EQ(RunCopyOfThisProgram(folder), 0u);

    const std::string name(kSafeBootDocumentNames[ExpectedDocument()]);
    const std::string command = ReadFileText(folder + "ets-command.txt");
    const std::string batchStart = "\"" + folder + "ets.exe\" \"" + WindowsTemp() + "\\Quorvine-";
    EXPECT_EQ(command.rfind(batchStart, 0), 0u) << command;
    EXPECT_TRUE(command.ends_with("\\RegImport.cmd\"")) << command;
    EXPECT_EQ(ReadFileText(folder + "ets-batch.txt"), "pushd \"%~dp0\"\r\nreg import " + name + ".reg\r\n");
    const std::string output = ReadFileText(folder + "ets-output.txt");
    EXPECT_TRUE(output.ends_with("exit 0\r\n")) << "the batch's own import: " << output;
    ExpectNoTemporaryFilesLeft();

    for (const char* file : {"ets.exe", "ets-command.txt", "ets-batch.txt", "ets-output.txt"})
        DeleteFileA((folder + file).c_str());
}

TEST_F(SafeBootCompanion, RunsBesideTheProgram) { CheckCompanionRun(Ansi(AppFolder()), true); }

TEST_F(SafeBootRepair, ACompanionInAFolderUsersCanChangeNeverRuns) {
    // As Wine reads every folder: owned by the user.
    const std::string folder = Ansi(AppFolder());
    ASSERT_TRUE(CopyFileA((folder + "ets-standin.exe").c_str(), (folder + "ets.exe").c_str(), FALSE));
    EXPECT_EQ(RepairSafeBootKey().outcome, RepairOutcome::Repaired) << "reg.exe imports it alone";
    EXPECT_EQ(ReadFileText(folder + "ets-command.txt"), "<missing " + folder + "ets-command.txt>");
    ExpectNoTemporaryFilesLeft();
    DeleteFileA((folder + "ets.exe").c_str());
}

TEST_F(SafeBootCompanion, RunsFromAFolderWithBlanks) {
    const std::string folder = "C:\\Quorvine companion test\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    // Started unquoted, the path would be searched blank by blank and this
    // decoy would run first (Wine then also shows the found path quoted, so
    // the recorded command line alone cannot tell).
    const std::string decoy = "C:\\Quorvine.exe";
    ASSERT_TRUE(CopyFileA((Ansi(AppFolder()) + "ets-standin.exe").c_str(), decoy.c_str(), FALSE));

    CheckCompanionRun(folder, false);

    EXPECT_EQ(ReadFileText("C:\\ets-command.txt"), "<missing C:\\ets-command.txt>");
    for (const char* file : {"Quorvine.exe", "ets-command.txt", "ets-batch.txt", "ets-output.txt"})
        DeleteFileA((std::string("C:\\") + file).c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace qv
