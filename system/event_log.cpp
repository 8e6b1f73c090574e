#include "system/event_log.h"

#include "system/platform.h"

namespace qv {

namespace {

class NoEventLog : public EventLog {
public:
    bool RegisterSource(const std::wstring&) override { return false; }
    bool Report(EventLevel, uint32_t, const std::wstring&) override { return false; }
};

NoEventLog noEventLog;
EventLog* current = &noEventLog;

// The message file where only administrators can change it: a file that
// anyone could swap would put their text under Quorvine's name.
void PlaceMessageFile() {
    const auto bytes = Sys().LoadCustomResource(kEventMessageResource);
    if (!bytes) return;
    const std::wstring folder = Sys().WindowsFolder() + L"\\Quorvine";
    if (!Sys().MakeAdminOnlyFolder(folder)) return;
    const std::wstring file = folder + L"\\" + kEventMessageFileName;
    // Event Viewer may hold the file open: only a different one is replaced.
    if (Sys().ReadBytes(file) != bytes) Sys().WriteBytes(file, *bytes);
    if (Sys().ReadBytes(file) == bytes) Events().RegisterSource(file);
}

}  // namespace

EventLog& Events() { return *current; }

EventLog* SetEventLog(EventLog* log) {
    EventLog* previous = current;
    current = log ? log : &noEventLog;
    return previous;
}

bool WriteEventRecord(EventLevel level, uint32_t eventId, const std::wstring& text) {
    PlaceMessageFile();
    return Events().Report(level, eventId, text);
}

}  // namespace qv
