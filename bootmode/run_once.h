// The run-once entry that brings Windows back from Safe Mode at the first
// logon, and the policy that keeps Windows from ever running it.
#pragma once

#include <optional>
#include <string>

#include "system/cause.h"

namespace qv {

inline constexpr const wchar_t* kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// "Do not process the run once list": Windows then never runs the run-once entry.
inline constexpr const wchar_t* kExplorerPolicyKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr const wchar_t* kRunOncePolicyValue = L"DisableLocalMachineRunOnce";

// Where the policy that keeps Windows from running the run-once entry is set
// ("HKLM\..." or, for the user, "HKCU\..."); empty when it is not.
std::optional<std::wstring> RunOncePolicyKey();
bool RunOnceBlockedByPolicy();

std::wstring RunOnceValueName();
// Writes the run-once entry; done when it reads back and starts the way
// back's exe. Failed: what was there before is back in place.
Step ArmRunOnce();

}  // namespace qv
