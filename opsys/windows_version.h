// clsOpSys (the Windows version): a snapshot of the running Windows (environment, version record,
// release flags) and its names. Only the modOpSys functions construct one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "opsys/mode.h"
#include "system/seams.h"

namespace qv {

class clsOpSys {
public:
    // Filled at construction: the system drive and Temp from Windows, the
    // user's folders from the environment; AllUsersProfile stays empty. The
    // Windows and system folders are Windows().WindowsFolder() and SystemFolder().
    std::wstring HomeDrive;
    std::wstring SystemDrive;
    std::wstring CurrentUserName;
    std::wstring AllUsersProfile;
    std::wstring UserProfile;
    std::wstring ProgramFilesPath;
    std::wstring CommonProgramFilesPath;
    std::wstring TempPath;
    std::wstring TmpPath;

    clsOpSys();

    int32_t BuildNumber() const;  // low word of the build, signed
    std::wstring CSDVersion() const;
    int32_t MajorVersion() const { return static_cast<int32_t>(record_.majorVersion); }
    int32_t MinorVersion() const { return static_cast<int32_t>(record_.minorVersion); }
    int32_t PlatformID() const { return static_cast<int32_t>(record_.platformId); }
    int32_t ProductType() const { return record_.productType; }
    int16_t ServicePackMajor() const { return static_cast<int16_t>(record_.servicePackMajor); }
    int16_t ServicePackMinor() const { return static_cast<int16_t>(record_.servicePackMinor); }
    int16_t SuiteMask() const { return static_cast<int16_t>(record_.suiteMask); }
    // Asked of Windows on every read: 0 normal, 1 Safe Mode, 2 with networking.
    int16_t WindowsMode() const;

    bool HasAS() const { return SuiteBit(0x0002); }
    bool HasBO() const { return SuiteBit(0x0004); }
    bool HasDC() const { return SuiteBit(0x0080); }
    bool HasSBS() const { return SuiteBit(0x0001); }
    bool HasSBSr() const { return SuiteBit(0x0020); }
    bool HasTS() const { return SuiteBit(0x0010); }

    bool Is2012() const { return is2012_; }
    bool IsWin8() const { return isWin8_; }
    bool IsWin81() const { return isWin81_; }
    bool IsWin81u1() const { return isWin81u1_; }
    bool IsWin7() const { return isWin7_; }
    bool Is2003() const { return is2003_; }
    bool Is2008() const { return is2008_; }
    bool Is2008R2() const { return is2008R2_; }
    bool IsVista() const { return isVista_; }
    const std::wstring& VistaSKU() const { return vistaSku_; }
    bool IsWinXP() const { return isWinXP_; }
    bool IsServer() const { return record_.productType > 1; }
    bool IsWin2K() const { return isWin2K_; }
    bool IsWinNT() const { return isWinNT_; }
    bool IsWin9x() const { return isWinME_ || isWin98_ || isWin95_; }
    bool IsWin95() const { return isWin95_; }
    bool IsWin98() const { return isWin98_; }
    bool IsWinME() const { return isWinME_; }
    bool IsWin10() const { return isWin10_; }  // version 10.0 and later, Windows 11 included

    std::wstring Platform() const;
    std::wstring Version() const;
    std::wstring ProductTypeName() const;

private:
    VersionRecord record_;

    bool isWinNT_ = false;
    bool isWin2K_ = false;
    bool isWinXP_ = false;
    bool isWin95_ = false;
    bool isWin98_ = false;
    bool isWinME_ = false;
    bool is2003_ = false;
    bool is2008_ = false;
    bool is2008R2_ = false;
    bool isVista_ = false;
    std::wstring vistaSku_;
    bool isWin7_ = false;
    bool isWin8_ = false;
    bool isWin81_ = false;
    bool isWin81u1_ = false;
    bool is2012_ = false;
    bool isWin10_ = false;

    bool SuiteBit(uint16_t bit) const { return (record_.suiteMask & 0xFF & bit) != 0; }
    bool AtLeast(uint32_t major, uint32_t minor) const;
    void SettleFlags();
    bool ReadsAsWin81Update1() const;
    std::wstring EditionName() const;
    int32_t QueryOperatingSystemSku() const;
};

// modOpSys: the questions the program asks about the running Windows. Each
// call takes a fresh snapshot, so the answer reflects the moment of the call.

bool OsIsVista();          // Vista and later
bool OsIsWin7();           // 7 and later
bool OsIsWin8();           // 8 and later, so also 8.1, 10 and 11
bool OsIsWin10();          // 10 and later, Windows 11 included
int16_t OsWindowsMode();   // 0 normal start, 1 Safe Mode, 2 Safe Mode with networking
std::wstring OsVersion();  // the one-line description: name, edition, service pack, version, build
// OsWindowsMode as a mode: Minimal for the command prompt's start too, which
// only the SafeBoot option tells apart; none for a number Windows never gives.
std::optional<Mode> OsStartMode();

}  // namespace qv
