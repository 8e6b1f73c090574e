// What the running Windows says of itself: its version, how it started, its
// folders, drives and code pages. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

class RunningWindows {
public:
    virtual ~RunningWindows() = default;

    // GetVersionEx with the record of the given size; empty when the call fails.
    virtual std::optional<VersionRecord> GetVersionRecord(uint32_t size) = 0;
    virtual int CleanBootState() = 0;               // GetSystemMetrics(SM_CLEANBOOT)
    virtual int32_t QueryOperatingSystemSku() = 0;  // WMI; 0 when it cannot be reached
    // Asked of Windows itself: the environment of the user who started an
    // elevated program can say anything. The registry view and the
    // redirection around commands follow this one answer.
    virtual bool Is64BitWindows() = 0;
    // The system folder (system32) that the system's programs are started from,
    // and the Windows folder, as Windows reports them (never from the
    // environment, which the user sets), without a trailing backslash.
    virtual std::wstring SystemFolder() = 0;
    virtual std::wstring WindowsFolder() = 0;
    virtual uint32_t OemCodePage() = 0;  // what cmd.exe reads batch files in
    // The text in the console (OEM) code page, when every character has an exact byte there; else empty.
    virtual std::optional<std::string> ToOemText(const std::wstring& text) = 0;
    virtual uint32_t DriveType(const std::wstring& root) = 0;  // of "X:\"; kDrive...
    // The network resource a drive ("Z:") is connected to.
    virtual Connection GetConnection(const std::wstring& drive) = 0;
    // Windows' own words for an error code, as it gives them (line break
    // included); empty when it has none. ErrorCause (cause.h) words a failure.
    virtual std::wstring ErrorText(uint32_t code) = 0;
};

// The running Windows in force (seams.h installs it).
RunningWindows& Windows();

}  // namespace qv
