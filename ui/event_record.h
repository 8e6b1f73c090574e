// Every change Quorvine makes or takes back, and every failure of one, as one
// record per run in the Application log (source "Quorvine"). The event IDs
// stay the same from version to version: the README's table lists them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bootmode/mode_result.h"

namespace qv {

inline constexpr uint32_t kEventSafeModeSet = 1000;     // the setting, its way back, the services added
inline constexpr uint32_t kEventSafeModeOnce = 1001;    // the one-start entry, the services added
inline constexpr uint32_t kEventNormalRestored = 1002;  // everything of a Safe Mode configuration taken away
inline constexpr uint32_t kEventSafeModeKept = 1003;    // the way back's question answered No: armed again
inline constexpr uint32_t kEventRestartAsked = 1004;    // "/reboot", "/restart"
inline constexpr uint32_t kEventNotConfigured = 1100;   // Safe Mode not configured (what began is taken back)
inline constexpr uint32_t kEventNotRestored = 1101;     // the Safe Mode setting may still be there
inline constexpr uint32_t kEventRestartFailed = 1102;   // a restart asked for did not happen
inline constexpr uint32_t kEventBusy = 1103;            // another Quorvine was at work: nothing done

// The record's event ID; 0 for a result that changed nothing and failed at nothing (declined).
uint32_t EventIdOf(const ModeResult& result);

// The result's lines (as written to the standard output), the command line,
// and "restarting windows" when a restart is asked for next.
void RecordResult(const ModeResult& result, bool restarting);
// Records of their own: the way back's question answered No (with the
// problem when the way back could not be armed again, as its line told), a restart.
void RecordSafeModeKept(const std::optional<Problem>& unarmed);
void RecordRestartAsked();
void RecordRestartFailed(const std::wstring& description);

}  // namespace qv
