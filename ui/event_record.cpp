#include "ui/event_record.h"

#include "system/event_log.h"
#include "system/seams.h"
#include "ui/mode_messages.h"

namespace qv {

namespace {

// A record that could not be written is told, but changes no exit code: that
// tells of the change itself.
void Write(EventLevel level, uint32_t id, const std::wstring& text) {
    const std::wstring failed = WriteEventRecord(level, id, text);
    if (!failed.empty()) User().WriteOutputLine(L"warning: event log: " + failed);
}

// Who started it and how tells a technician's run from anybody else's.
std::wstring CommandLineLine() { return L"command line: " + Program().CommandLine(); }

EventLevel LevelOf(const ModeResult& result) {
    if (result.outcome == ModeOutcome::Stopped || result.outcome == ModeOutcome::NotRestored) return EventLevel::Error;
    if (result.outcome == ModeOutcome::Busy) return EventLevel::Warning;
    for (const Problem& problem : result.problems)
        if (IsWarning(problem.kind)) return EventLevel::Warning;
    return EventLevel::Information;
}

}  // namespace

uint32_t EventIdOf(const ModeResult& result) {
    switch (result.outcome) {
        case ModeOutcome::Configured:
            return result.nextStartOnly ? kEventSafeModeOnce : kEventSafeModeSet;
        case ModeOutcome::Restored:
            return kEventNormalRestored;
        case ModeOutcome::Stopped:
            return kEventNotConfigured;
        case ModeOutcome::NotRestored:
            return kEventNotRestored;
        case ModeOutcome::Busy:
            return kEventBusy;
        case ModeOutcome::Declined:
            return 0;
    }
    return 0;
}

void RecordResult(const ModeResult& result, bool restarting) {
    const uint32_t id = EventIdOf(result);
    if (id == 0) return;
    std::wstring text;
    for (const Problem& problem : result.problems) text += ProblemLine(problem) + L"\r\n";
    for (const std::wstring& line : ServiceLines(result)) text += line + L"\r\n";
    text += OutcomeLine(result) + L"\r\n";
    if (restarting) text += L"restarting windows\r\n";
    Write(LevelOf(result), id, text + CommandLineLine());
}

void RecordSafeModeKept(const std::optional<Problem>& unarmed) {
    Write(unarmed ? EventLevel::Error : EventLevel::Information, kEventSafeModeKept,
          (unarmed ? ProblemLine(*unarmed) + L"\r\ndeclined: safe mode stays for the next start; way back: none"
                   : std::wstring(L"declined: safe mode stays for the next start; way back armed")) +
              L"\r\n" + CommandLineLine());
}

void RecordRestartAsked() {
    Write(EventLevel::Information, kEventRestartAsked, L"restarting windows\r\n" + CommandLineLine());
}

void RecordRestartFailed(const std::wstring& description) {
    Write(EventLevel::Error, kEventRestartFailed,
          L"error: windows could not be restarted: " + description + L"\r\n" + CommandLineLine());
}

}  // namespace qv
