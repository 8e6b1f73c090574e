// What the boot store and the two readers under it (the entries and
// boot.ini) hand back, apart from the store itself so that the readers need
// not include it.
#pragma once

#include <optional>
#include <string>

#include "opsys/mode.h"

namespace qv {

// A Safe Mode setting as the store holds it: a mode (Normal where none is
// set), a "safeboot" value Quorvine never sets (Other, such as DsRepair), or
// Unknown: not read whole.
class StoredMode {
public:
    constexpr StoredMode() = default;
    // A mode is a stored mode, so that a reading compares with one.
    constexpr StoredMode(Mode mode) : kind_(Kind::Known), mode_(mode) {}  // NOLINT(google-explicit-constructor)
    static constexpr StoredMode Other() {
        StoredMode other;
        other.kind_ = Kind::Other;
        return other;
    }
    static constexpr StoredMode Unknown() { return {}; }
    // The mode, when it is one that Quorvine sets.
    constexpr std::optional<Mode> Known() const {
        return kind_ == Kind::Known ? std::optional<Mode>(mode_) : std::nullopt;
    }
    friend constexpr bool operator==(const StoredMode&, const StoredMode&) = default;

private:
    enum class Kind { Unknown, Other, Known };
    Kind kind_ = Kind::Unknown;
    Mode mode_ = Mode::Normal;
};
struct EntryListing {
    StoredMode safeBoot = StoredMode::Unknown();
    bool alternateShell = false;  // "safebootalternateshell" is there, whatever its value
};

struct BootIniResult {
    bool ok = true;
    std::wstring failure;      // the failing step and the path, for a critical message
    bool backInPlace = false;  // RestoreBootIni: boot.ini is the backup again, whatever failed after
    std::wstring cause;        // the failed call's error (cause.h), or what was wrong with the file
};

}  // namespace qv
