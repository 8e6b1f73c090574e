#include "bootmode/one_start.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "bootmode/boot_store.h"
#include "system/cause.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/settings.h"

namespace qv {

namespace {

// Only an identifier of the shape a copy gets is used: a well-known one such
// as {current} in the record must never be deleted.
std::optional<std::wstring> RecordedEntry() {
    const auto stored = ReadMachineText(kProgramKey, kOneStartEntryValue);
    return stored ? EntryIdentifier(*stored) : std::nullopt;
}

bool Holds(const std::vector<std::wstring>& sequence, const std::wstring& entry) {
    return std::find(sequence.begin(), sequence.end(), entry) != sequence.end();
}

OneStartTakeBack TakeBack(const std::wstring& entry) {
    OneStartTakeBack taken;
    taken.entry = entry;
    Store().RunningEntry();  // every read of the store starts with it (boot_store.h)
    const auto before = Store().ReadBootSequence();
    // "/remove" takes only this entry out: a sequence of another's stays.
    const bool pending = !before || Holds(*before, entry);
    StoreChange cleared{true, {}, {}};
    if (pending) cleared = Store().ClearBootSequence(entry);
    const StoreChange deletion = Store().DeleteEntry(entry);
    bool deleted = deletion.ok;
    // Deleted by hand already: the store shows no such entry.
    if (!deleted && Store().EntryInStore(entry) == false) deleted = true;
    if (deleted) Settings().DeleteSetting(L"HKLM", kProgramKey, kOneStartEntryValue);
    taken.copyLeft = !deleted;
    if (!deleted) taken.copyCause = deletion.Cause();
    if (pending) {
        const auto after = Store().ReadBootSequence();
        taken.sequenceStayed = after ? Holds(*after, entry) : !deleted;
        if (taken.sequenceStayed)
            taken.sequenceCause = !cleared.ok ? cleared.Cause()
                                  : after     ? L"the one-time sequence still names it"
                                              : std::wstring(kSequenceUnreadable);
    }
    return taken;
}

// After a failed step: everything made goes, and the result says whether
// the next start is a normal one.
bool Fail(ModeResult& result, const std::wstring& entry, ProblemKind kind, std::wstring detail,
          std::wstring reason = {}) {
    const OneStartTakeBack taken = TakeBack(entry);
    result.Add(kind, std::move(detail), std::move(reason), !taken.sequenceStayed);
    if (taken.copyLeft) result.Add(ProblemKind::OneStartCopyLeft, entry, taken.copyCause);
    return false;
}

}  // namespace

bool SetUpOneStart(ModeResult& result) {
    // An earlier copy that could not be removed keeps its record: no second
    // one. A sequence that cannot be read may be another program's: it is
    // never written over.
    const auto running = Store().RunningEntry();
    const auto sequence = Store().ReadBootSequence();
    if (const auto recorded = RecordedEntry()) {
        result.Add(ProblemKind::OneStartPending, {}, L"the copy " + *recorded + L" is still recorded");
        return false;
    }
    if (sequence && !sequence->empty()) {
        result.Add(ProblemKind::OneStartPending, {}, L"the one-time sequence names " + sequence->front());
        return false;
    }
    if (!sequence || !running) {
        result.Add(ProblemKind::OneStartStoreUnknown, {},
                   !running ? L"the running boot entry could not be read" : kSequenceUnreadable);
        return false;
    }
    // The copy inherits the running entry: a Safe Mode setting or shell that
    // stayed there would make every start after the one start Safe Mode too.
    const EntryListing current = Store().ReadEntry(*running);
    if (current.safeBoot != Mode::Normal || current.alternateShell) {
        if (current.safeBoot == StoredMode::Unknown())
            result.Add(ProblemKind::OneStartStoreUnknown, {},
                       L"the running boot entry " + *running + L" could not be read");
        else
            result.Add(ProblemKind::OneStartSafeModeStays);
        return false;
    }
    const EntryCopy copied = Store().CopyRunningEntry(kOneStartDescription);
    const auto& entry = copied.entry;
    if (!entry) {
        result.Add(ProblemKind::CommandFailed, copied.change.command, copied.change.reason, true);
        return false;
    }
    // Recorded at once, so that nothing stops between the copy and its record.
    const int32_t recorded = Settings().WriteSetting(L"HKLM", kProgramKey, kOneStartEntryValue, L"S", *entry);
    if (RecordedEntry() != entry)
        return Fail(result, *entry, ProblemKind::OneStartNotRecorded, *entry,
                    recorded != kStatusOk ? StatusCause(recorded) : L"it did not read back as written");
    StoreChange done = Store().SetSafeMode(Mode::Network, *entry);
    // Off the boot menu: with one entry listed there is no menu and no wait.
    if (done.ok) done = Store().HideEntry(*entry);
    if (done.ok) done = Store().SetBootSequence(*entry);
    if (!done.ok) return Fail(result, *entry, ProblemKind::CommandFailed, done.command, done.reason);
    const auto after = Store().ReadBootSequence();
    if (!after || *after != std::vector<std::wstring>{*entry})
        return Fail(result, *entry, ProblemKind::OneStartNotConfirmed, *entry,
                    after ? L"the one-time sequence does not name the copy alone" : kSequenceUnreadable);
    if (Store().ReadEntry(*entry).safeBoot != Mode::Network)
        return Fail(result, *entry, ProblemKind::OneStartNotConfirmed, *entry,
                    L"the copy's safeboot does not read back as network");
    return true;
}

OneStartTakeBack TakeBackOneStart() {
    const auto entry = RecordedEntry();
    return entry ? TakeBack(*entry) : OneStartTakeBack{};
}

}  // namespace qv
