#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "system/file_security.h"

namespace qv {
namespace {

using testing::ScopedFakePlatform;

constexpr uint32_t kFullControl = 0x001F01FF;
constexpr uint32_t kModify = 0x001301BF;
constexpr uint32_t kReadExecute = 0x001200A9;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
constexpr wchar_t kAuthenticatedUsers[] = L"S-1-5-11";
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
constexpr wchar_t kAllPackages[] = L"S-1-15-2-1";
constexpr wchar_t kUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

AccessEntry Allow(const wchar_t* sid, uint32_t mask, bool inheritOnly = false) {
    return {true, inheritOnly, mask, sid};
}

// Program Files as Windows 10 has it: owned by TrustedInstaller, users read.
SecurityDescription ProgramFiles() {
    return {kTrustedInstallerSid,
            true,
            {Allow(kTrustedInstallerSid, kFullControl), Allow(kTrustedInstallerSid, 0x10000000, true),
             Allow(kSystemSid, kModify), Allow(kSystemSid, kGenericAll, true), Allow(kAdministratorsSid, kModify),
             Allow(kAdministratorsSid, kGenericAll, true), Allow(kUsers, kReadExecute), Allow(kUsers, 0xA0000000, true),
             Allow(kCreatorOwner, kGenericAll, true), Allow(kAllPackages, kReadExecute)}};
}

TEST(OnlyAdministratorsCanChange, JudgesTheDescriptorsWindowsReallyHas) {
    struct Case {
        const char* name;
        SecurityDescription security;
        bool onlyAdministrators;
    };
    SecurityDescription ownedByAdministrators = ProgramFiles();
    ownedByAdministrators.owner = kAdministratorsSid;
    SecurityDescription ownedByTheUser = ProgramFiles();
    ownedByTheUser.owner = kUser;  // the owner may always rewrite the list
    SecurityDescription creatorOwnerApplies = ProgramFiles();
    creatorOwnerApplies.entries.push_back(Allow(kCreatorOwner, kGenericAll));
    SecurityDescription deniedToUsers = ProgramFiles();
    deniedToUsers.entries.insert(deniedToUsers.entries.begin(), {false, false, kFullControl, kUsers});
    const std::vector<Case> cases = {
        {"Program Files", ProgramFiles(), true},
        {"owned by Administrators", ownedByAdministrators, true},
        {"Program Files on XP",
         {kAdministratorsSid,
          true,
          {Allow(kAdministratorsSid, kFullControl), Allow(L"S-1-5-32-547", kModify), Allow(kSystemSid, kFullControl),
           Allow(kCreatorOwner, kGenericAll, true), Allow(kUsers, kReadExecute)}},
         true},
        {"a denying entry", deniedToUsers, true},
        {"Downloads",
         {kUser,
          true,
          {Allow(kSystemSid, kFullControl), Allow(kAdministratorsSid, kFullControl), Allow(kUser, kFullControl)}},
         false},
        {"owned by the user", ownedByTheUser, false},
        {"NULL DACL", {kAdministratorsSid, false, {}}, false},
        {"C:\\ root: users add folders",
         {kSystemSid, true, {Allow(kAdministratorsSid, kFullControl), Allow(kAuthenticatedUsers, 0x00000004)}},
         false},
        {"users may delete", {kSystemSid, true, {Allow(kUsers, 0x00010000)}}, false},
        {"users may change the list", {kSystemSid, true, {Allow(kUsers, 0x00040000)}}, false},
        {"CREATOR OWNER applying to the object", creatorOwnerApplies, false},
        {"an entry of a kind not known", {kSystemSid, true, {Allow(L"", 0xFFFFFFFF)}}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(OnlyAdministratorsCanChange(c.security), c.onlyAdministrators) << c.name;
}

TEST(TrustedCompanion, NeedsTheFileAndItsFolderAndSaysWhyItSkips) {
    ScopedFakePlatform p;
    const std::wstring companion = L"C:\\Users\\ada\\Downloads\\ets.exe";
    EXPECT_FALSE(TrustedCompanion(companion)) << "absent";
    EXPECT_TRUE(p.fake.outputLines.empty());

    p.fake.PutFile(companion, "MZ");
    EXPECT_TRUE(TrustedCompanion(companion));
    p.fake.security[L"c:\\users\\ada\\downloads"] =
        SecurityDescription{kUser, true, {Allow(kUser, kFullControl), Allow(kSystemSid, kFullControl)}};
    EXPECT_FALSE(TrustedCompanion(companion)) << "the user may swap it";
    EXPECT_EQ(p.fake.outputLines, std::vector<std::wstring>{L"skipped: C:\\Users\\ada\\Downloads\\ets.exe, because "
                                                            L"users other than administrators can change "
                                                            L"C:\\Users\\ada\\Downloads"});
    EXPECT_FALSE(OnlyAdministratorsCanChange(L"C:\\Users\\ada\\Downloads"));
    EXPECT_TRUE(OnlyAdministratorsCanChange(L"C:\\Program Files\\Suite"));
    p.fake.security.clear();
    p.fake.security[L"c:\\users\\ada\\downloads\\ets.exe"] = std::nullopt;
    EXPECT_FALSE(TrustedCompanion(companion)) << "unreadable";
    EXPECT_EQ(p.fake.outputLines.back(),
              L"skipped: C:\\Users\\ada\\Downloads\\ets.exe, because the security of "
              L"C:\\Users\\ada\\Downloads\\ets.exe could not be read");
}

}  // namespace
}  // namespace qv
