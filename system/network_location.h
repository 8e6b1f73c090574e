// The network-location check: Safe Mode is held back while the program lies
// where it may not be reachable after the restart.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

bool WarnIfOnNetwork();
bool IsNetworkPath(const std::wstring& path);
// The remote name of the network resource the path's drive is connected to;
// the path itself on a local drive; empty when the lookup failed (local then).
std::wstring ResolveUncPath(const std::wstring& path);

}  // namespace qv
