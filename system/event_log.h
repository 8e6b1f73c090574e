// The Windows event log: Quorvine's records in the Application log under the
// source "Quorvine". A seam of its own beside those of seams.h: the Windows build
// installs event_log_win32.cpp, host tests a fake.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

inline constexpr const wchar_t* kEventSource = L"Quorvine";
inline constexpr const wchar_t* kEventSourceKey =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quorvine";
// The message file, in the folder of the way back's copy (which only
// administrators may change): whatever happens to the exe, Event Viewer still
// finds the texts there. Every message of it is its one insertion string.
inline constexpr const wchar_t* kEventMessageFileName = L"QuorvineEvents.dll";
inline constexpr const wchar_t* kEventMessageResource = L"QV_EVENTS";

enum class EventLevel { Information, Warning, Error };

class EventLog {
public:
    virtual ~EventLog() = default;
    // Names `messageFile` as the source's message file (EventMessageFile,
    // TypesSupported). Returns a Windows error code, 0 when done.
    virtual uint32_t RegisterSource(const std::wstring& messageFile) = 0;
    // One record with `text` as its one insertion string and the user who
    // runs the program. Returns a Windows error code, 0 when Windows took it.
    virtual uint32_t Report(EventLevel level, uint32_t eventId, const std::wstring& text) = 0;
};

// The log in force; one that keeps nothing until another is set.
EventLog& Events();
// Returns the one it replaces, so a test can put it back.
EventLog* SetEventLog(EventLog* log);

// Puts the message file in place (written again only when it differs from
// the one the exe carries), registers the source and writes the record.
// What failed, for a warning line; empty when all was done.
std::wstring WriteEventRecord(EventLevel level, uint32_t eventId, const std::wstring& text);

}  // namespace qv
