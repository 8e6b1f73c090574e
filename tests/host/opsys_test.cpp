#include <gtest/gtest.h>

#include "fake_platform.h"
#include "opsys/windows_version.h"

namespace qv {
namespace {

using testing::FakePlatform;
using testing::ScopedFakePlatform;

constexpr const wchar_t* kCurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

void SetVersion(FakePlatform& fake, uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
                uint8_t productType = 1) {
    fake.version = VersionRecord{};
    fake.version.platformId = platformId;
    fake.version.majorVersion = major;
    fake.version.minorVersion = minor;
    fake.version.buildNumber = build;
    fake.version.productType = productType;
}

std::string FlagsOf(const clsOpSys& os) {
    const std::pair<bool, const char*> flags[] = {
        {os.IsWin95(), "95"},      {os.IsWin98(), "98"}, {os.IsWinME(), "Me"},  {os.IsWin9x(), "9x"},
        {os.IsWinNT(), "NT"},      {os.IsWin2K(), "2K"}, {os.IsWinXP(), "XP"},  {os.Is2003(), "2003"},
        {os.IsVista(), "Vista"},   {os.IsWin7(), "7"},   {os.IsWin8(), "8"},    {os.IsWin81(), "8.1"},
        {os.IsWin81u1(), "8.1u1"}, {os.IsWin10(), "10"}, {os.Is2008(), "2008"}, {os.Is2008R2(), "2008R2"},
        {os.Is2012(), "2012"}};
    std::string names;
    for (const auto& [on, name] : flags)
        if (on) names += (names.empty() ? "" : " ") + std::string(name);
    return names;
}

struct FlagCase {
    const char* system;
    uint32_t platformId, major, minor, build;
    uint8_t type;
    const char* flags;
};

TEST(OsSysFlags, FollowTheVersionAsAPairOfNumbers) {
    const FlagCase cases[] = {
        {"95", 1, 4, 0, 950, 0, "95 9x"},
        {"98", 1, 4, 10, 0x040A07CE, 0, "95 98 9x"},
        {"Me", 1, 4, 90, 0x045A0BB8, 0, "95 98 Me 9x"},
        {"NT 4", 2, 4, 0, 1381, 1, "NT"},
        {"2000", 2, 5, 0, 2195, 1, "NT 2K"},
        {"XP", 2, 5, 1, 2600, 1, "NT 2K XP"},
        {"XP x64", 2, 5, 2, 3790, 1, "NT 2K XP 2003"},
        {"Vista", 2, 6, 0, 6002, 1, "NT 2K XP 2003 Vista"},
        {"2008", 2, 6, 0, 6002, 3, "NT 2K XP 2003 Vista 2008"},
        {"7", 2, 6, 1, 7601, 1, "NT 2K XP 2003 Vista 7"},
        {"8", 2, 6, 2, 9200, 1, "NT 2K XP 2003 Vista 7 8"},
        {"2012 R2", 2, 6, 3, 9600, 3, "NT 2K XP 2003 Vista 7 8 8.1 2008 2008R2 2012"},
        {"10", 2, 10, 0, 19045, 1, "NT 2K XP 2003 Vista 7 8 8.1 10"},
        {"11", 2, 10, 0, 26100, 1, "NT 2K XP 2003 Vista 7 8 8.1 10"},
        {"Server 2022", 2, 10, 0, 20348, 2, "NT 2K XP 2003 Vista 7 8 8.1 10 2008 2008R2 2012"},
        {"unknown platform", 3, 10, 0, 1, 1, ""},
    };
    for (const auto& c : cases) {
        ScopedFakePlatform p;
        SetVersion(p.fake, c.platformId, c.major, c.minor, c.build, c.type);
        EXPECT_EQ(FlagsOf(clsOpSys()), c.flags) << c.system;
    }
}

struct PlatformCase {
    uint32_t platformId, major, minor, build;
    uint8_t type;
    int32_t sku;
    const wchar_t* buildLab;
    const wchar_t* expected;
};

TEST(OsSysPlatform, NamesEveryReleaseWithItsEdition) {
    const wchar_t* update1 = L"9600.17031.amd64fre.winblue_gdr.140221-1952";
    const PlatformCase cases[] = {
        {1, 4, 0, 950, 0, 0, nullptr, L"Windows 95"},
        {1, 4, 10, 1998, 0, 0, nullptr, L"Windows 98"},
        {1, 4, 90, 3000, 0, 0, nullptr, L"Windows Me"},
        {2, 4, 0, 1381, 1, 0, nullptr, L"Windows NT"},
        {2, 5, 0, 2195, 1, 0, nullptr, L"Windows 2000"},
        {2, 5, 1, 2600, 1, 0, nullptr, L"Windows XP Undefined Edition "},
        {2, 5, 2, 3790, 3, 0, nullptr, L"Windows Server 2003"},
        {2, 6, 0, 6002, 1, 1, nullptr, L"Windows Vista Ultimate "},
        {2, 6, 0, 6002, 3, 8, nullptr, L"Windows Server 2008 Datacenter "},
        {2, 6, 1, 7601, 1, 3, nullptr, L"Windows 7 Home Premium "},
        {2, 6, 1, 7601, 3, 7, nullptr, L"Windows Server 2008 R2 Standard "},
        {2, 6, 2, 9200, 1, 48, update1, L"Windows 8 Professional "},
        {2, 6, 2, 9200, 3, 7, nullptr, L"Windows Server 2012 Standard "},
        {2, 6, 3, 9600, 1, 4, L"9600.16404.x86fre.winblue_gdr.130913-2141", L"Windows 8.1 Enterprise "},
        {2, 6, 3, 9600, 1, 48, update1, L"Windows 8.1 Update 1 Professional "},
        {2, 6, 3, 9600, 3, 8, update1, L"Windows Server 2012 Datacenter "},
        {2, 10, 0, 19045, 1, 48, update1, L"Windows 10 Professional "},
        {2, 10, 0, 21999, 1, 101, nullptr, L"Windows 10 Home "},
        {2, 10, 0, 22000, 1, 48, nullptr, L"Windows 11 Professional "},
        // A build past the low word (70000 reads as 4464 there) is still Windows 11.
        {2, 10, 0, 70000, 1, 121, nullptr, L"Windows 11 Education "},
        {2, 10, 0, 14393, 3, 7, nullptr, L"Windows Server 2016 Standard "},
        {2, 10, 0, 17763, 2, 8, nullptr, L"Windows Server 2019 Datacenter "},
        {2, 10, 0, 20348, 3, 13, nullptr, L"Windows Server 2022 Standard Core "},
        {2, 10, 0, 26100, 3, 8, nullptr, L"Windows Server 2025 Datacenter "},
    };
    for (const auto& c : cases) {
        ScopedFakePlatform p;
        SetVersion(p.fake, c.platformId, c.major, c.minor, c.build, c.type);
        p.fake.sku = c.sku;
        if (c.buildLab) p.fake.SetValue(kCurrentVersionKey, L"BuildLabEx", std::wstring(c.buildLab));
        EXPECT_EQ(clsOpSys().Platform(), c.expected) << c.major << "." << c.minor << " build " << c.build;
    }
}

TEST(OsSysPlatform, EditionOfEveryKindOfSku) {
    const std::pair<int32_t, const wchar_t*> cases[] = {
        {0, L" Undefined Edition "},
        {4, L" Enterprise "},
        {10, L" Enterprise "},
        {21, L"Storage Standard"},
        {74, L" Consumer Preview? "},
        {103, L" Pro w/Media Center "},
        {27, L" Enterprise N "},
        {49, L" Professional N "},
        {98, L" Home N "},
        {100, L" Home Single Language "},
        {122, L" Education N "},
        {125, L" Enterprise LTSC "},
        {161, L" Pro for Workstations "},
        {26, L" Unknown (SKU Bit 26) "},
        {102, L" Unknown (SKU Bit 102) "},
        {-1, L" Unknown (SKU Bit -1) "},
        {2147483647, L" Unknown (SKU Bit 2147483647) "},
    };
    for (const auto& [sku, edition] : cases) {
        ScopedFakePlatform p;
        p.fake.sku = sku;
        EXPECT_EQ(clsOpSys().Platform(), std::wstring(L"Windows 10") + edition) << "SKU " << sku;
    }
}

TEST(OsSysPlatform, XpEditionFromTheProductFileAndTheMediaCenterMarker) {
    const wchar_t* prodspec = L"C:\\WINDOWS\\System32\\prodspec.ini|Product Specification|Product";
    const struct {
        const wchar_t* product;  // nullptr: no product file
        bool marker;
        const wchar_t* edition;
    } cases[] = {
        {nullptr, false, L" Undefined Edition "},
        {L"", false, L""},
        {L"Windows XP Tablet PC Edition", false, L""},
        {L"Windows XP Home Edition", false, L" Home "},
        {L"Windows XP HOME Media Edition", false, L" Media Center "},
        {L"Windows XP Professional", false, L" Professional "},
        {L"WINDOWS XP PROFESSIONAL", true, L" Media Center "},
    };
    for (const auto& c : cases) {
        ScopedFakePlatform p;
        SetVersion(p.fake, 2, 5, 1, 2600);
        if (c.product) {
            p.fake.PutFile(L"C:\\WINDOWS\\System32\\prodspec.ini", "");
            if (*c.product) p.fake.iniValues[LowerCase(prodspec)] = c.product;
        }
        if (c.marker) p.fake.PutFile(L"C:\\WINDOWS\\ehome\\ehtray.exe", "");
        EXPECT_EQ(clsOpSys().Platform(), std::wstring(L"Windows XP") + c.edition)
            << (c.product ? c.product : L"(no file)");
    }
}

TEST(OsSysFlags, Win81Update1FromTheRevisionInBuildLabEx) {
    const struct {
        uint32_t major, minor;
        const wchar_t* buildLab;
        bool update1;
    } cases[] = {
        {6, 3, L"9600.17030.amd64fre.winblue_gdr.140221-1952", false},
        {6, 3, L"9600.17031.amd64fre.winblue_gdr.140221-1952", true},
        {6, 3, L"9600.40000.amd64fre", true},
        {6, 3, L"9600.17031", true},
        {6, 3, L"9600.beta.amd64fre", false},
        {6, 3, L"9600", false},
        {6, 3, L"", false},
        {10, 0, L"19041.17031.amd64fre.vb_release.191206-1406", false},
    };
    for (const auto& c : cases) {
        ScopedFakePlatform p;
        SetVersion(p.fake, 2, c.major, c.minor, 9600);
        p.fake.SetValue(kCurrentVersionKey, L"BuildLabEx", std::wstring(c.buildLab));
        EXPECT_EQ(clsOpSys().IsWin81u1(), c.update1) << c.major << "." << c.minor << " " << c.buildLab;
    }
}

TEST(OsSysConstruction, SystemFoldersFromWindowsTheUsersFromTheEnvironment) {
    ScopedFakePlatform p;
    p.fake.env = {{L"windir", L"C:\\fakewin"},
                  {L"systemroot", L"C:\\fakewin"},
                  {L"systemdrive", L"E:"},
                  {L"temp", L"C:\\Users\\ada\\Temp"},
                  {L"os", L"WINDOWS_NT"},
                  {L"username", L"ada"},
                  {L"allusersprofile", L"C:\\ProgramData"}};
    clsOpSys os;
    EXPECT_EQ(os.SystemDrive, L"C:");
    EXPECT_EQ(os.TempPath, L"C:\\WINDOWS\\Temp");
    EXPECT_EQ(os.TmpPath, L"C:\\WINDOWS\\Temp");
    EXPECT_EQ(os.CurrentUserName, L"ada");
    EXPECT_EQ(os.AllUsersProfile, L"");
}

TEST(OsSysConstruction, PlainRecordWhenTheExtendedOneIsRefused) {
    ScopedFakePlatform p;
    SetVersion(p.fake, 2, 4, 0, 1381, 3);
    p.fake.version.suiteMask = 0x10;
    p.fake.extendedVersionFails = true;
    clsOpSys os;
    EXPECT_TRUE(os.IsWinNT());
    EXPECT_FALSE(os.IsServer());
    EXPECT_EQ(os.SuiteMask(), 0);
    EXPECT_EQ(os.ProductTypeName(), L"Unknown");
}

TEST(OsSysConstruction, BothVersionCallsFailing) {
    ScopedFakePlatform p;
    p.fake.extendedVersionFails = p.fake.plainVersionFails = true;
    clsOpSys os;
    EXPECT_EQ(FlagsOf(os), "");
    EXPECT_EQ(os.Platform(), L"");
    EXPECT_EQ(os.Version(), L"  (Version 0.0, Build 0)");
    EXPECT_FALSE(OsIsVista());
}

TEST(OsSysVersion, ExactBlanksAroundEditionAndServicePack) {
    const struct {
        uint32_t major, minor, build;
        uint8_t type;
        int32_t sku;
        std::wstring csd;
        const wchar_t* expected;
    } cases[] = {
        {6, 1, 7601, 1, 1, std::wstring(L"Service Pack 1\0junk", 19) + std::wstring(109, L'\0'),
         L"Windows 7 Ultimate  Service Pack 1 (Version 6.1, Build 7601)"},
        {10, 0, 19045, 1, 48, std::wstring(128, L'\0'), L"Windows 10 Professional   (Version 10.0, Build 19045)"},
        // The one edition text without blanks runs into the name.
        {6, 0, 6002, 3, 21, L"Service Pack 2",
         L"Windows Server 2008Storage Standard Service Pack 2 (Version 6.0, Build 6002)"},
        {5, 0, 0x8000, 1, 0, std::wstring(L"\0Service Pack 4", 15), L"Windows 2000  (Version 5.0, Build -32768)"},
        {5, 2, 3790, 3, 0, L"  Service Pack 2  ", L"Windows Server 2003 Service Pack 2 (Version 5.2, Build 3790)"},
    };
    for (const auto& c : cases) {
        ScopedFakePlatform p;
        SetVersion(p.fake, 2, c.major, c.minor, c.build, c.type);
        p.fake.version.csdVersion = c.csd;
        p.fake.sku = c.sku;
        EXPECT_EQ(clsOpSys().Version(), c.expected);
    }
}

TEST(OsSysProperties, RecordFieldsReadAsTheProgramKeepsThem) {
    ScopedFakePlatform p;
    p.fake.version.csdVersion = std::wstring(127, L'x') + L"y";  // no NUL: all 128 stay
    p.fake.version.buildNumber = 0x0001ABCD;
    p.fake.version.suiteMask = 0x8112;
    clsOpSys os;
    EXPECT_EQ(os.CSDVersion(), std::wstring(127, L'x') + L"y");
    EXPECT_EQ(os.BuildNumber(), -21555);
    EXPECT_EQ(os.SuiteMask(), -32494);
    // Only the low byte of the suite mask counts: 0x0100 is no suite bit.
    const std::vector<bool> suites = {os.HasSBS(), os.HasAS(), os.HasBO(), os.HasTS(), os.HasSBSr(), os.HasDC()};
    EXPECT_EQ(suites, std::vector<bool>({false, true, false, true, false, false}));
}

TEST(OsSysModule, WindowsModeIsAskedOnEveryRead) {
    ScopedFakePlatform p;
    p.fake.cleanBoot = 2;
    clsOpSys os;
    EXPECT_EQ(os.WindowsMode(), 2);
    p.fake.cleanBoot = 1;
    EXPECT_EQ(os.WindowsMode(), 1);
    EXPECT_EQ(OsWindowsMode(), 1);
}

TEST(OsSysModule, Windows10And11TakeTheWindows8Document) {
    // The SafeBoot repair picks its document by OsIsWin8, OsIsWin7 and OsIsVista.
    for (uint32_t build : {10240u, 19045u, 22631u}) {
        ScopedFakePlatform p;
        SetVersion(p.fake, 2, 10, 0, build);
        EXPECT_TRUE(OsIsVista() && OsIsWin7() && OsIsWin8() && OsIsWin10()) << build;
    }
    ScopedFakePlatform p;
    SetVersion(p.fake, 2, 6, 3, 9600);
    EXPECT_TRUE(OsIsWin8());
    EXPECT_FALSE(OsIsWin10());
}

}  // namespace
}  // namespace qv
