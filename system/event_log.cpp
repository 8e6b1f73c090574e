#include "system/event_log.h"

#include "system/cause.h"
#include "system/seams.h"

namespace qv {

namespace {

class NoEventLog : public EventLog {
public:
    uint32_t RegisterSource(const std::wstring&) override { return 0; }
    uint32_t Report(EventLevel, uint32_t, const std::wstring&) override { return 0; }
};

NoEventLog noEventLog;
EventLog* current = &noEventLog;

// The message file where only administrators can change it: a file that
// anyone could swap would put their text under Quorvine's name. What failed;
// empty when the source is registered with it.
std::wstring PlaceMessageFile() {
    const auto bytes = Program().LoadCustomResource(kEventMessageResource);
    if (!bytes) return {};
    const std::wstring folder = Windows().WindowsFolder() + L"\\Quorvine";
    const std::wstring file = folder + L"\\" + kEventMessageFileName;
    const std::wstring failed = L"the message file " + file + L" could not be written (";
    if (const Done made = Files().MakeAdminOnlyFolder(folder); !made) return failed + ErrorCause(made) + L")";
    // Event Viewer may hold the file open: only a different one is replaced.
    if (Files().ReadBytes(file) != bytes) {
        if (const Done written = Files().WriteBytes(file, *bytes); !written) return failed + ErrorCause(written) + L")";
    }
    if (Files().ReadBytes(file) != bytes) return failed + L"it did not read back as written)";
    if (const uint32_t error = Events().RegisterSource(file))
        return L"the source could not be registered (" + ErrorCause(error) + L")";
    return {};
}

}  // namespace

EventLog& Events() { return *current; }

EventLog* SetEventLog(EventLog* log) {
    EventLog* previous = current;
    current = log ? log : &noEventLog;
    return previous;
}

std::wstring WriteEventRecord(EventLevel level, uint32_t eventId, const std::wstring& text) {
    const std::wstring placed = PlaceMessageFile();
    if (const uint32_t error = Events().Report(level, eventId, text))
        return L"the record could not be written (" + ErrorCause(error) + L")";
    // Written all the same; Event Viewer then shows it without its text.
    return placed;
}

}  // namespace qv
