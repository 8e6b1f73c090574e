// The operating-system snapshot against the version the prefix reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <windows.h>
#include <objbase.h>

#include "opsys/windows_version.h"
#include "system/seams_win32.h"
#include "system/seams.h"

namespace qv {
namespace {

// The version the rig gave the prefix: HKCU\Software\Wine "Version", else QV_WINE_VERSION
// (the rig leaves the value out for win7, which Wine 8.0 then reads from the registry).
std::string PrefixVersion() {
    char data[64] = {};
    DWORD size = sizeof(data) - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine", "Version", RRF_RT_REG_SZ, nullptr, data, &size) ==
        ERROR_SUCCESS)
        return data;
    const char* fromEnv = std::getenv("QV_WINE_VERSION");
    return fromEnv ? fromEnv : "";
}

struct Expected {
    const char* wineVersion;
    uint32_t major, minor;
    const char* name;        // what Platform begins with on a workstation
    const char* serverName;  // and on a server
    bool vista, win7, win8, win81, win10;
};

// The manifest lists 8.1 and 10, so those prefixes report their own versions.
constexpr Expected kExpected[] = {
    {"winxp", 5, 1, "Windows XP", "Windows XP", false, false, false, false, false},
    {"vista", 6, 0, "Windows Vista", "Windows Server 2008", true, false, false, false, false},
    {"win7", 6, 1, "Windows 7", "Windows Server 2008 R2", true, true, false, false, false},
    {"win8", 6, 2, "Windows 8", "Windows Server 2012", true, true, true, false, false},
    {"win81", 6, 3, "Windows 8.1", "Windows Server 2012", true, true, true, true, false},
    {"win10", 10, 0, "Windows 10", "Windows Server 2016", true, true, true, true, true},
};

class OsSysWine : public ::testing::Test {};

TEST_F(OsSysWine, FlagsAndVersionLineMatchThePrefix) {
    const std::string wineVersion = PrefixVersion();
    const Expected* expected = nullptr;
    for (const auto& row : kExpected)
        if (wineVersion == row.wineVersion) expected = &row;
    ASSERT_NE(expected, nullptr) << "prefix version '" << wineVersion << "' has no expectation";

    clsOpSys os;
    const std::wstring version = os.Version();
    std::printf("%s: %ls\n", wineVersion.c_str(), version.c_str());

    EXPECT_EQ(os.MajorVersion(), static_cast<int32_t>(expected->major));
    EXPECT_EQ(os.MinorVersion(), static_cast<int32_t>(expected->minor));
    EXPECT_TRUE(os.IsWinNT() && os.IsWin2K() && os.IsWinXP());
    EXPECT_EQ(os.IsVista(), expected->vista);
    EXPECT_EQ(os.IsWin7(), expected->win7);
    EXPECT_EQ(os.IsWin8(), expected->win8);
    EXPECT_EQ(os.IsWin81(), expected->win81);
    EXPECT_EQ(os.IsWin10(), expected->win10);
    EXPECT_EQ(OsIsVista(), expected->vista);
    EXPECT_EQ(OsIsWin7(), expected->win7);
    EXPECT_EQ(OsIsWin8(), expected->win8);
    EXPECT_EQ(OsIsWin10(), expected->win10);
    EXPECT_EQ(OsWindowsMode(), 0);  // Wine cannot start in Safe Mode

    // Wine 8.0's own "win7" setting reports product type 3, which makes it Server 2008 R2.
    const char* expectedName = os.IsServer() ? expected->serverName : expected->name;
    EXPECT_EQ(os.Is2008R2(), os.IsServer() && expected->win7);
    const std::wstring name(expectedName, expectedName + std::strlen(expectedName));
    EXPECT_EQ(version.rfind(name + L" ", 0), 0u) << version;
    const std::wstring numbers = L" (Version " + std::to_wstring(expected->major) + L"." +
                                 std::to_wstring(expected->minor) + L", Build " + std::to_wstring(os.BuildNumber()) +
                                 L")";
    EXPECT_EQ(version.substr(version.size() - std::min(version.size(), numbers.size())), numbers);
    EXPECT_EQ(version.find(L'\0'), std::wstring::npos);
}

TEST_F(OsSysWine, ExtendedRecordKeepsTheWholeServicePackField) {
    const auto extended = Windows().GetVersionRecord(156);
    ASSERT_TRUE(extended.has_value());
    const VersionRecord& record = *extended;
    EXPECT_EQ(record.size, 156u);
    EXPECT_EQ(record.csdVersion.size(), 128u);
    EXPECT_NE(record.productType, 0);

    const auto shortened = Windows().GetVersionRecord(148);
    ASSERT_TRUE(shortened.has_value());
    const VersionRecord& plain = *shortened;
    EXPECT_EQ(plain.majorVersion, record.majorVersion);
    EXPECT_EQ(plain.productType, 0);
}

TEST_F(OsSysWine, WmiAnswersTheSkuOfGetProductInfo) {
    // Win32_OperatingSystem's OperatingSystemSKU is the product GetProductInfo names.
    DWORD product = 0;
    GetProductInfo(6, 0, 0, 0, &product);
    EXPECT_EQ(Windows().QueryOperatingSystemSku(), static_cast<int32_t>(product));
    EXPECT_NE(product, 0u);
}

TEST_F(OsSysWine, WmiLeavesTheCallersComAsItFoundIt) {
    std::thread([] {
        // Nobody had initialised COM here: the query must undo its own set-up.
        EXPECT_NE(Windows().QueryOperatingSystemSku(), 0);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        // A thread of the other apartment model keeps its COM and gets its answer.
        EXPECT_NE(Windows().QueryOperatingSystemSku(), 0);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    }).join();
}

}  // namespace
}  // namespace qv
