// Services named for Safe Mode: Windows starts there only the services named
// under the SafeBoot key of the mode (and fails any whose dependencies are
// not), so a remote agent or Windows Installer must be named there first.
// What Quorvine adds is recorded and taken away again with Normal Mode.
#pragma once

#include <string>
#include <vector>

#include "bootmode/mode_result.h"

namespace qv {

// Under the program's key: the SafeBoot entries Quorvine added, "/" between
// them (no service name holds one).
inline constexpr const wchar_t* kSafeBootServicesValue = L"SafeBootServices";
// The default value Windows gives a service's SafeBoot entry.
inline constexpr const wchar_t* kSafeBootServiceValue = L"Service";

struct SafeModeServices {
    std::vector<std::wstring> services;  // key names: those asked for, then what they depend on
    std::vector<std::wstring> groups;    // groups they depend on
};

// The services by key name or display name, with every service they depend
// on, followed through. Each name that is no service is one ServiceUnknown
// problem in `refused`; nothing is changed.
SafeModeServices FindSafeModeServices(const std::vector<std::wstring>& names, std::vector<Problem>& refused);

// Names the services under SafeBoot\Network (or \Minimal) where they are
// not yet, records what it added, and warns of groups the key does not hold.
// False when an entry could not be added: what this call added is gone again.
bool AddSafeModeServices(const SafeModeServices& services, bool network, ModeResult& result);
// Takes away exactly the recorded entries; one that stays is a warning and
// stays recorded for the next run.
void TakeBackSafeModeServices(ModeResult& result);

// The record's text and back.
std::vector<std::wstring> SplitServiceRecord(const std::wstring& text);
std::wstring JoinServiceRecord(const std::vector<std::wstring>& entries);

}  // namespace qv
