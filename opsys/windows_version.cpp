#include "opsys/windows_version.h"

#include <cstddef>

#include "system/program_paths.h"
#include "system/settings.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr uint32_t kExtendedRecordSize = 156;  // OSVERSIONINFOEXA
constexpr uint32_t kPlainRecordSize = 148;     // OSVERSIONINFOA, for systems that refuse the other
constexpr size_t kCsdFieldLength = 128;
constexpr uint32_t kPlatformWin9x = 1;
constexpr uint32_t kPlatformNt = 2;
constexpr int32_t kLastPreUpdate1Revision = 17030;  // 8.1 Update 1 shipped as revision 17031

// The first Windows 11 build and the release builds of each server on the 10.0 kernel.
constexpr uint32_t kWindows11Build = 22000;
constexpr uint32_t kServer2016Build = 14393;
constexpr uint32_t kServer2019Build = 17763;
constexpr uint32_t kServer2022Build = 20348;
constexpr uint32_t kServer2025Build = 26100;

struct Edition {
    int32_t sku;
    const wchar_t* text;
};

// Edition texts are appended to the release name as they stand, blanks included.
constexpr Edition kEditions[] = {
    {0, L" Undefined Edition "},
    {1, L" Ultimate "},
    {2, L" Home Basic "},
    {3, L" Home Premium "},
    {4, L" Enterprise "},
    {5, L" Home Basic N "},
    {6, L" Business "},
    {7, L" Standard "},
    {8, L" Datacenter "},
    {9, L" SBS "},
    {10, L" Enterprise "},
    {11, L" Starter "},
    {12, L" Datacenter Core "},
    {13, L" Standard Core "},
    {14, L" Enterprise Core "},
    {15, L" Enterprise IA64 "},
    {16, L" Business N "},
    {17, L" Web Server "},
    {18, L" Cluster "},
    {19, L" Home Server "},
    {20, L" Storage Express "},
    {21, L"Storage Standard"},
    {22, L" Storage Workgroup "},
    {23, L" Storage Enterprise "},
    {24, L" For Small Business "},
    {25, L" SBS Premium "},
    {42, L" Hyper-V "},
    {48, L" Professional "},
    {74, L" Consumer Preview? "},
    {103, L" Pro w/Media Center "},
    // Editions of Windows 10 and 11 and of the servers built with them.
    {27, L" Enterprise N "},
    {49, L" Professional N "},
    {50, L" Essentials "},
    {72, L" Enterprise Evaluation "},
    {79, L" Standard Evaluation "},
    {80, L" Datacenter Evaluation "},
    {84, L" Enterprise N Evaluation "},
    {98, L" Home N "},
    {99, L" Home China "},
    {100, L" Home Single Language "},
    {101, L" Home "},
    {119, L" Team "},
    {121, L" Education "},
    {122, L" Education N "},
    {125, L" Enterprise LTSC "},
    {126, L" Enterprise N LTSC "},
    {129, L" Enterprise LTSC Evaluation "},
    {130, L" Enterprise N LTSC Evaluation "},
    {138, L" Pro Single Language "},
    {139, L" Pro China "},
    {161, L" Pro for Workstations "},
    {162, L" Pro for Workstations N "},
    {164, L" Pro Education "},
    {165, L" Pro Education N "},
    {171, L" Enterprise G "},
    {172, L" Enterprise G N "},
    {175, L" Enterprise multi-session "},
    {178, L" S "},
    {179, L" S N "},
    {188, L" IoT Enterprise "},
    {191, L" IoT Enterprise LTSC "},
};

std::wstring SkuEditionName(int32_t sku) {
    for (const auto& edition : kEditions)
        if (edition.sku == sku) return edition.text;
    return L" Unknown (SKU Bit " + std::to_wstring(sku) + L") ";
}

// The fixed service-pack field ends at its first NUL.
std::wstring CutAtNul(const std::wstring& field) {
    std::wstring text = field.substr(0, kCsdFieldLength);
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

}  // namespace

clsOpSys::clsOpSys() {
    // The system's folders from Windows: the user sets the environment, and
    // an elevated program must not follow it.
    SystemDrive = qv::SystemDrive();
    HomeDrive = Program().GetEnv(L"homedrive");
    CurrentUserName = Program().GetEnv(L"username");
    UserProfile = Program().GetEnv(L"userprofile");
    ProgramFilesPath = Program().GetEnv(L"programfiles");
    CommonProgramFilesPath = Program().GetEnv(L"commonprogramfiles");
    TempPath = TmpPath = Windows().WindowsFolder() + L"\\Temp";

    // Windows before NT 4 SP6 refuses the extended record; a failed call leaves it zero.
    auto record = Windows().GetVersionRecord(kExtendedRecordSize);
    if (!record) {
        record = Windows().GetVersionRecord(kPlainRecordSize);
        if (!record) record = VersionRecord{};
        record->size = kPlainRecordSize;
    }
    record_ = *record;
    record_.csdVersion = CutAtNul(record_.csdVersion);

    SettleFlags();
}

bool clsOpSys::AtLeast(uint32_t major, uint32_t minor) const {
    return record_.majorVersion > major || (record_.majorVersion == major && record_.minorVersion >= minor);
}

void clsOpSys::SettleFlags() {
    if (record_.platformId == kPlatformWin9x) {
        isWin95_ = true;
        isWin98_ = record_.minorVersion >= 10;
        isWinME_ = BuildNumber() >= 3000;
    } else if (record_.platformId == kPlatformNt) {
        // Versions compare as (major, minor) pairs, so 10.0 counts as newer than 6.3.
        const bool server = IsServer();
        isWinNT_ = true;
        isWin2K_ = AtLeast(5, 0);
        isWinXP_ = AtLeast(5, 1);
        is2003_ = AtLeast(5, 2);
        isVista_ = AtLeast(6, 0);
        isWin7_ = AtLeast(6, 1);
        isWin8_ = AtLeast(6, 2);
        isWin81_ = AtLeast(6, 3);
        isWin10_ = AtLeast(10, 0);
        is2008_ = server && AtLeast(6, 0);
        is2008R2_ = server && AtLeast(6, 1);
        is2012_ = server && AtLeast(6, 2);
        // Update 1 is a release of 6.3 alone; later versions never read the value.
        isWin81u1_ = record_.majorVersion == 6 && record_.minorVersion == 3 && ReadsAsWin81Update1();
    }
}

bool clsOpSys::ReadsAsWin81Update1() const {
    SettingValue value;
    Settings().ReadSetting(L"HKLM", L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"BuildLabEx", L"S", std::wstring(),
                      value);
    // "9600.17031.amd64fre.winblue_gdr.140221-1952": the second field is the revision.
    const std::wstring buildLab = SettingAsText(value);
    size_t first = buildLab.find(L'.');
    if (first == std::wstring::npos) return false;
    size_t second = buildLab.find(L'.', first + 1);
    std::wstring revision =
        buildLab.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
    // A field that is no number reads as 0 and so as no update.
    return SettingAsInt32(revision) > kLastPreUpdate1Revision;
}

int32_t clsOpSys::BuildNumber() const { return static_cast<int16_t>(record_.buildNumber & 0xFFFF); }

std::wstring clsOpSys::CSDVersion() const { return Trim(record_.csdVersion); }

int16_t clsOpSys::WindowsMode() const { return static_cast<int16_t>(Windows().CleanBootState()); }

std::wstring clsOpSys::Platform() const {
    // The full build number: the low word alone would turn negative past 32767.
    const uint32_t build = record_.buildNumber;
    const bool server10 = isWin10_ && IsServer();
    const bool desktop10 = isWin10_ && !IsServer();
    struct Row {
        bool matches;
        const wchar_t* name;
        bool withEdition;
    };
    // The first row that matches names the system, so newer rows stand above older ones.
    const Row rows[] = {
        {isWinME_, L"Windows Me", false},
        {isWin98_, L"Windows 98", false},
        {isWin95_, L"Windows 95", false},
        {server10 && build >= kServer2025Build, L"Windows Server 2025", true},
        {server10 && build >= kServer2022Build, L"Windows Server 2022", true},
        {server10 && build >= kServer2019Build, L"Windows Server 2019", true},
        {server10 && build >= kServer2016Build, L"Windows Server 2016", true},
        {desktop10 && build >= kWindows11Build, L"Windows 11", true},
        {desktop10, L"Windows 10", true},
        {is2012_, L"Windows Server 2012", true},
        {is2008R2_, L"Windows Server 2008 R2", true},
        {isWin81u1_, L"Windows 8.1 Update 1", true},
        {isWin81_, L"Windows 8.1", true},
        {isWin8_, L"Windows 8", true},
        {isWin7_, L"Windows 7", true},
        {is2008_, L"Windows Server 2008", true},
        {isVista_, L"Windows Vista", true},
        {is2003_, L"Windows Server 2003", false},
        {isWinXP_, L"Windows XP", true},
        {isWin2K_, L"Windows 2000", false},
        {isWinNT_, L"Windows NT", false},
    };
    for (const auto& row : rows) {
        if (!row.matches) continue;
        return row.withEdition ? row.name + EditionName() : std::wstring(row.name);
    }
    return {};
}

std::wstring clsOpSys::Version() const {
    return Platform() + L" " + CSDVersion() + L" (Version " + std::to_wstring(MajorVersion()) + L"." +
           std::to_wstring(MinorVersion()) + L", Build " + std::to_wstring(BuildNumber()) + L")";
}

std::wstring clsOpSys::ProductTypeName() const {
    switch (record_.productType) {
        case 0:
            return L"Unknown";
        case 1:
            return L"NT Workstation";
        case 2:
            return L"Domain Controller";
        case 3:
            return L"NT Server";
        default:
            return {};
    }
}

std::wstring clsOpSys::EditionName() const {
    if (record_.majorVersion >= 6) return SkuEditionName(QueryOperatingSystemSku());

    // XP names its edition only in the product file; Media Center ships as Professional.
    const std::wstring productFile = Windows().SystemFolder() + L"\\prodspec.ini";
    if (!Files().FileExists(productFile)) return L" Undefined Edition ";
    const std::wstring product = LowerCase(Settings().ReadIniValue(productFile, L"Product Specification", L"Product"));
    std::wstring edition;
    if (product.find(L"home") != std::wstring::npos) edition = L" Home ";
    if (product.find(L"media") != std::wstring::npos) edition = L" Media Center ";
    if (product.find(L"professional") != std::wstring::npos) {
        edition = Files().FileExists(Windows().WindowsFolder() + L"\\ehome\\ehtray.exe") ? L" Media Center " : L" Professional ";
    }
    return edition;
}

int32_t clsOpSys::QueryOperatingSystemSku() const { return Windows().QueryOperatingSystemSku(); }

bool OsIsVista() { return clsOpSys().IsVista(); }
bool OsIsWin7() { return clsOpSys().IsWin7(); }
bool OsIsWin8() { return clsOpSys().IsWin8(); }
bool OsIsWin10() { return clsOpSys().IsWin10(); }
int16_t OsWindowsMode() { return clsOpSys().WindowsMode(); }
std::optional<Mode> OsStartMode() {
    switch (OsWindowsMode()) {
        case 0:
            return Mode::Normal;
        case 1:
            return Mode::Minimal;
        case 2:
            return Mode::Network;
    }
    return std::nullopt;
}
std::wstring OsVersion() { return clsOpSys().Version(); }

}  // namespace qv
