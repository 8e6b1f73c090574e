// Descriptors as Windows builds them, read back and judged; the lock's name
// and descriptor. Wine 8 keeps no descriptor on files (it makes one from the
// Unix mode bits, owned by the user), so the positive cases start from the
// SDDL of the descriptors Windows really has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <aclapi.h>

#include "system/file_security.h"
#include "system/operation_lock_win32.h"
#include "system/seams_win32.h"
#include "system/security_win32.h"

namespace qv {
namespace {

// Program Files on Windows 10, and a Downloads folder of user ...-1001.
constexpr wchar_t kProgramFilesSddl[] =
    L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
    L"D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    L"(A;CIIO;GA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)(A;;0x1301bf;;;SY)"
    L"(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)"
    L"(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;S-1-15-2-1)";
constexpr wchar_t kDownloadsSddl[] =
    L"O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-1-2-3-1001)";

bool Judged(const wchar_t* sddl) {
    const win32::UniqueLocal descriptor = win32::DescriptorFromSddl(sddl);
    EXPECT_TRUE(descriptor) << "SDDL refused";
    return descriptor && OnlyAdministratorsCanChange(win32::DescribeSecurity(descriptor.get()));
}

TEST(FileSecurity, DescriptorsAsWindowsBuildsThemAreReadAndJudged) {
    EXPECT_TRUE(Judged(kProgramFilesSddl)) << "TrustedInstaller's, users read, CREATOR OWNER inherit-only";
    EXPECT_FALSE(Judged(kDownloadsSddl));
    // Built by hand: Wine reads "D:NO_ACCESS_CONTROL" as an empty list.
    SECURITY_DESCRIPTOR nullDacl;
    InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE);
    const SecurityDescription open = win32::DescribeSecurity(&nullDacl);
    EXPECT_FALSE(open.hasDacl);
    EXPECT_FALSE(OnlyAdministratorsCanChange(open));

    const win32::UniqueLocal descriptor = win32::DescriptorFromSddl(kProgramFilesSddl);
    const SecurityDescription read = win32::DescribeSecurity(descriptor.get());
    EXPECT_EQ(read.owner, kTrustedInstallerSid);
    ASSERT_EQ(read.entries.size(), 10u);
    EXPECT_TRUE(read.entries[8].inheritOnly);
    EXPECT_EQ(read.entries[8].sid, L"S-1-3-0");
    EXPECT_EQ(read.entries[6].mask, 0x1200a9u);

    // What Wine gives a real folder: owned by the user, so never trusted here.
    const auto windows = Files().ReadSecurity(Windows().WindowsFolder());
    ASSERT_TRUE(windows.has_value());
    EXPECT_FALSE(OnlyAdministratorsCanChange(*windows));
    EXPECT_FALSE(Files().ReadSecurity(L"C:\\no such folder\\x.exe").has_value());
}

TEST(OperationLock, IsGlobalAndOpenOnlyToAdministratorsAndSystem) {
    EXPECT_STREQ(win32::kOperationLockName, L"Global\\Tamberlow.Quorvine");
    ASSERT_TRUE(Program().AcquireOperationLock(1000));
    HANDLE lock = OpenMutexW(READ_CONTROL, FALSE, win32::kOperationLockName);
    ASSERT_NE(lock, nullptr) << GetLastError();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(lock, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                              &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    const win32::UniqueLocal owned(descriptor);
    const SecurityDescription security = win32::DescribeSecurity(descriptor);
    std::vector<std::wstring> allowed;
    for (const AccessEntry& entry : security.entries) {
        EXPECT_TRUE(entry.allows);
        allowed.push_back(entry.sid);
    }
    EXPECT_EQ(allowed, (std::vector<std::wstring>{kSystemSid, kAdministratorsSid}));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\Tamberlow.Quorvine"), nullptr) << "no session-bound name";
    CloseHandle(lock);
    Program().ReleaseOperationLock();
}

}  // namespace
}  // namespace qv
