#include "bootmode/one_start.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "bootmode/boot_entries.h"
#include "system/seams.h"
#include "system/process.h"
#include "system/program_paths.h"
#include "system/settings.h"

namespace qv {

namespace {

constexpr const wchar_t* kBcdedit = L"bcdedit.exe";

// Only an identifier of the shape /copy gives is used: a well-known one such
// as {current} in the record must never reach "/delete".
std::optional<std::wstring> RecordedEntry() {
    const auto stored = ReadMachineText(kProgramKey, kOneStartEntryValue);
    if (!stored) return std::nullopt;
    const auto entry = CopiedEntryId(*stored);
    if (!entry || entry->size() != stored->size()) return std::nullopt;
    return entry;
}

bool Holds(const std::vector<std::wstring>& sequence, const std::wstring& entry) {
    return std::find(sequence.begin(), sequence.end(), entry) != sequence.end();
}

OneStartTakeBack TakeBack(const std::wstring& entry) {
    OneStartTakeBack taken;
    taken.entry = entry;
    ReadRunningEntryId();  // every read of the store starts with the listing (boot_entries.h)
    const auto before = ReadBootSequence();
    // "/remove" takes only this entry out: a sequence of another's stays.
    const bool pending = !before || Holds(*before, entry);
    if (pending) RunSystemProgram(kBcdedit, L"/bootsequence " + entry + L" /remove");
    bool deleted = RunSystemProgram(kBcdedit, L"/delete " + entry).ok;
    // Deleted by hand already: the store shows no such entry.
    if (!deleted && EntryInStore(entry) == false) deleted = true;
    if (deleted) Settings().DeleteSetting(L"HKLM", kProgramKey, kOneStartEntryValue);
    taken.copyLeft = !deleted;
    if (pending) {
        const auto after = ReadBootSequence();
        taken.sequenceStayed = after ? Holds(*after, entry) : !deleted;
    }
    return taken;
}

// After a failed step: everything made goes, and the result says whether
// the next start is a normal one.
bool Fail(ModeResult& result, const std::wstring& entry, ProblemKind kind, std::wstring detail,
          std::wstring reason = {}) {
    const OneStartTakeBack taken = TakeBack(entry);
    result.Add(kind, std::move(detail), std::move(reason), !taken.sequenceStayed);
    if (taken.copyLeft) result.Add(ProblemKind::OneStartCopyLeft, entry);
    return false;
}

}  // namespace

bool SetUpOneStart(ModeResult& result) {
    // An earlier copy that could not be removed keeps its record: no second
    // one. A sequence that cannot be read may be another program's: it is
    // never written over.
    const auto running = ReadRunningEntryId();
    const auto sequence = ReadBootSequence();
    if (RecordedEntry() || (sequence && !sequence->empty())) {
        result.Add(ProblemKind::OneStartPending);
        return false;
    }
    if (!sequence || !running) {
        result.Add(ProblemKind::OneStartStoreUnknown);
        return false;
    }
    // The copy inherits the running entry: a Safe Mode setting or shell that
    // stayed there would make every start after the one start Safe Mode too.
    const EntryListing current = ReadEntry(*running);
    if (current.safeBoot != SafeBootState::Absent || current.alternateShell) {
        result.Add(current.safeBoot == SafeBootState::Unknown ? ProblemKind::OneStartStoreUnknown
                                                              : ProblemKind::OneStartSafeModeStays);
        return false;
    }
    const std::wstring copy = L"/copy {current} /d \"" + std::wstring(kOneStartDescription) + L"\"";
    const auto copied = ReadSystemProgram(kBcdedit, copy);
    const auto entry = copied ? CopiedEntryId(*copied) : std::nullopt;
    if (!entry) {
        result.Add(ProblemKind::CommandFailed, L"bcdedit.exe " + copy,
                   copied ? L"no identifier of a new entry in its output" : L"", true);
        return false;
    }
    // Recorded at once, so that nothing stops between the copy and its record.
    Settings().WriteSetting(L"HKLM", kProgramKey, kOneStartEntryValue, L"S", *entry);
    if (RecordedEntry() != entry) return Fail(result, *entry, ProblemKind::OneStartNotRecorded, *entry);
    // Off the boot menu: with one entry listed there is no menu and no wait.
    for (const std::wstring& step : {L"/set " + *entry + L" safeboot network", L"/displayorder " + *entry + L" /remove",
                                     L"/bootsequence " + *entry}) {
        const CommandResult done = RunSystemProgram(kBcdedit, step);
        if (!done.ok) return Fail(result, *entry, ProblemKind::CommandFailed, L"bcdedit.exe " + step, done.reason);
    }
    const auto after = ReadBootSequence();
    if (!after || *after != std::vector<std::wstring>{*entry} || ReadEntry(*entry).safeBoot != SafeBootState::Network)
        return Fail(result, *entry, ProblemKind::OneStartNotConfirmed, *entry);
    return true;
}

OneStartTakeBack TakeBackOneStart() {
    const auto entry = RecordedEntry();
    return entry ? TakeBack(*entry) : OneStartTakeBack{};
}

}  // namespace qv
