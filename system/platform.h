// The one seam between Quorvine's decisions and Windows.
//
// Everything the program asks of the system passes through `Platform`. The
// Windows build installs the Win32 implementation (system/platform_win32.h);
// host tests install a fake. This header must not include windows.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/file_security.h"
#include "system/settings.h"

namespace qv {

// OSVERSIONINFOEXA as the program keeps it (sizes count as in that record).
struct VersionRecord {
    uint32_t size = 0;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    std::wstring csdVersion;  // the raw 128-character field, NULs included
    uint16_t servicePackMajor = 0;
    uint16_t servicePackMinor = 0;
    uint16_t suiteMask = 0;
    uint8_t productType = 0;
    uint8_t reserved = 0;
};

// Message-box styles and answers the program uses.
inline constexpr unsigned kMbOk = 0;
inline constexpr unsigned kMbCritical = 16;
inline constexpr unsigned kMbYesNoCancelQuestion = 35;
inline constexpr unsigned kMbYesNoQuestion = 36;
inline constexpr unsigned kMbInformation = 64;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// File attributes the boot.ini editor sets.
inline constexpr uint32_t kAttributeReadOnly = 1;
inline constexpr uint32_t kAttributeHidden = 2;
inline constexpr uint32_t kAttributeSystem = 4;

// What GetDriveTypeW answers for a drive's root.
inline constexpr uint32_t kDriveNoRootDir = 1;
inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;
inline constexpr uint32_t kDriveRemote = 4;

// The code page of "Use Unicode UTF-8 for worldwide language support".
inline constexpr uint32_t kCodePageUtf8 = 65001;

struct Connection {
    enum class State { NotConnected, Connected, Unknown };
    State state = State::NotConnected;
    std::wstring remoteName;  // "\\server\share" when connected
};

struct TextFile {
    std::wstring text;
    bool utf16 = false;  // UTF-16 with its byte-order mark, else the ANSI code page
};

class Platform {
public:
    virtual ~Platform() = default;

    // Process identity and environment.
    virtual std::wstring GetEnv(const std::wstring& name) = 0;  // empty when unset
    virtual std::wstring CommandLine() = 0;                     // the whole command line
    virtual std::wstring ExecutablePath() = 0;                  // full path of the running exe

    // A modal message box; an empty title shows "Quorvine". Returns the answer.
    virtual int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) = 0;

    // Settings store (registry or INI file).
    virtual int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                                const std::wstring& valueName, const std::wstring& type,
                                const SettingValue& defaultValue, SettingValue& result) = 0;
    virtual int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                                 const std::wstring& valueName, const std::wstring& type,
                                 const SettingValue& value) = 0;
    // A registry value's type and bytes as stored, in the view ReadSetting uses.
    virtual RawRead ReadRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                   const std::wstring& valueName) = 0;
    virtual int32_t WriteRawSetting(const std::wstring& location, const std::wstring& keyPath,
                                    const std::wstring& valueName, const RawSetting& value) = 0;
    virtual int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                                  const std::wstring& valueName) = 0;

    // Processes.
    // `exitCode`, when given, receives the command's exit code after a true answer.
    virtual bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message, int32_t timeoutMs,
                            bool abortOnTimeout, uint32_t* exitCode = nullptr) = 0;
    virtual bool StartDetached(const std::wstring& commandLine, int windowStyle) = 0;
    // Runs a command hidden and returns its standard output (console code page),
    // read through a pipe; empty when it did not end with exit code 0 in time.
    virtual std::optional<std::wstring> RunAndRead(const std::wstring& commandLine, int32_t timeoutMs) = 0;
    // The system folder (system32) that the system's programs are started from.
    virtual std::wstring SystemFolder() = 0;
    // The Windows folder as Windows reports it (never from the environment,
    // which the user sets), without a trailing backslash.
    virtual std::wstring WindowsFolder() = 0;

    // Files.
    virtual bool FileExists(const std::wstring& path) = 0;
    // The short (8.3) form of an existing path; empty when the system gives none.
    virtual std::optional<std::wstring> ShortPath(const std::wstring& path) = 0;
    // True when both paths name the same existing file (same volume and file index).
    virtual bool SameFile(const std::wstring& first, const std::wstring& second) = 0;
    // The text in the console (OEM) code page, when every character has an exact byte there; else empty.
    virtual std::optional<std::string> ToOemText(const std::wstring& text) = 0;
    // A directory search that also finds hidden and system files and folders.
    // Whether the entry is there; empty when the search itself failed.
    virtual std::optional<bool> FindAnyEntry(const std::wstring& path) = 0;
    virtual bool CopyFileOver(const std::wstring& source, const std::wstring& target) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // The attributes SetAttributes can give back; empty for a missing file.
    virtual std::optional<uint32_t> GetAttributes(const std::wstring& path) = 0;
    virtual bool SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
    // The owner and access list of a file or folder; empty when unreadable.
    virtual std::optional<SecurityDescription> ReadSecurity(const std::wstring& path) = 0;
    // Whole text files, in the ANSI code page or, after a byte-order mark, UTF-16.
    virtual std::optional<TextFile> ReadTextFile(const std::wstring& path) = 0;
    virtual bool WriteTextFile(const std::wstring& path, const TextFile& content) = 0;
    // Writes the whole file anew, cut to the length of `bytes`.
    virtual bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) = 0;
    // Puts `replacement` in the place of `target` in one step, once its bytes
    // are on the disk: a failure leaves `target` as it was.
    virtual bool ReplaceWith(const std::wstring& target, const std::wstring& replacement) = 0;
    // A new folder that only administrators and the system may write to, for
    // files handed to elevated commands; empty when none could be made.
    virtual std::optional<std::wstring> CreatePrivateFolder() = 0;
    virtual bool RemoveFolder(const std::wstring& path) = 0;
    // Writes the file and keeps it from being changed, replaced or deleted
    // by anyone else until RemoveFile; false when the bytes did not stay as written.
    virtual bool WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) = 0;
    virtual std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section,
                                      const std::wstring& key) = 0;
    virtual bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) = 0;

    // Windows facts.
    // GetVersionEx with the record of the given size; false when the call fails.
    virtual std::optional<VersionRecord> GetVersionRecord(uint32_t size) = 0;
    virtual int CleanBootState() = 0;               // GetSystemMetrics(SM_CLEANBOOT)
    virtual int32_t QueryOperatingSystemSku() = 0;  // WMI; 0 when it cannot be reached
    virtual std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name) = 0;
    // The network resource a drive ("Z:") is connected to.
    virtual Connection GetConnection(const std::wstring& drive) = 0;
    // Asked of Windows itself: the environment of the user who started an
    // elevated program can say anything.
    virtual bool Is64BitWindows() = 0;
    virtual uint32_t DriveType(const std::wstring& root) = 0;  // of "X:\"; kDrive...
    virtual uint32_t OemCodePage() = 0;                        // what cmd.exe reads batch files in

    // The way back's own copy of the exe, on the system drive.
    virtual std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) = 0;
    // Makes the folder, or takes over the one there, so that only
    // administrators and the system may change it.
    virtual bool MakeAdminOnlyFolder(const std::wstring& path) = 0;
    // A file or empty folder that goes at the next start of Windows.
    virtual bool DeleteAtRestart(const std::wstring& path) = 0;
    // A new name on the same drive, also for the running program's own file
    // (which cannot be deleted); a file of that name is replaced.
    virtual bool RenameFile(const std::wstring& from, const std::wstring& to) = 0;

    // One plain line to the standard output the program was started with (a
    // pipe, a file, or the console it was started from); nothing without one.
    virtual void WriteOutputLine(const std::wstring& line) = 0;
    // The work of two Quorvines must not overlap; false when the other one did
    // not finish within `timeoutMs`. Taken again by the same run, it nests.
    virtual bool AcquireOperationLock(uint32_t timeoutMs) = 0;
    virtual void ReleaseOperationLock() = 0;

    // Restart; throws ShutdownError.
    virtual bool ShutdownSystem(int32_t flags) = 0;
};

// The platform in force; set once at start-up (or by a test).
Platform& Sys();
// Returns the one it replaces, so a test can put it back.
Platform* SetPlatform(Platform* platform);

}  // namespace qv
