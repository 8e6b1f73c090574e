#include "startup/exit_codes.h"

namespace qv {

int ExitCodeOf(const ModeResult& result) {
    switch (result.outcome) {
        case ModeOutcome::Declined:
            return kExitDeclined;
        case ModeOutcome::Stopped:
            return kExitFailed;
        case ModeOutcome::NotRestored:
            return result.Has(ProblemKind::WayBackNotRearmed) ? kExitWayBackLost : kExitSafeModeStays;
        case ModeOutcome::Busy:
            return kExitBusy;
        case ModeOutcome::Configured:
        case ModeOutcome::Restored:
            for (const Problem& problem : result.problems)
                if (IsWarning(problem.kind)) return kExitWarning;
            return kExitDone;
    }
    return kExitFailed;
}

int ExitCodeOf(StoredMode nextStart) {
    const auto mode = nextStart.Known();
    if (!mode) return kExitStatusUnknown;
    switch (*mode) {
        case Mode::Normal:
            return kExitStatusNormal;
        case Mode::Minimal:
            return kExitStatusSafe;
        case Mode::Network:
            return kExitStatusSafeNetwork;
        case Mode::CommandPrompt:
            return kExitStatusSafeCommandPrompt;
    }
    return kExitStatusUnknown;
}

}  // namespace qv
