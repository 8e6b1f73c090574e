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

int ExitCodeOf(SafeBootState nextStart) {
    switch (nextStart) {
        case SafeBootState::Absent:
            return kExitStatusNormal;
        case SafeBootState::Minimal:
            return kExitStatusSafe;
        case SafeBootState::Network:
            return kExitStatusSafeNetwork;
        case SafeBootState::CommandPrompt:
            return kExitStatusSafeCommandPrompt;
        case SafeBootState::Other:
        case SafeBootState::Unknown:
            return kExitStatusUnknown;
    }
    return kExitStatusUnknown;
}

}  // namespace qv
