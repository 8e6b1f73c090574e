// The network-location check: Safe Mode is held back while the program lies
// where it may not be reachable after the restart.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

inline constexpr uint32_t kErrorMoreDataNet = 234;
inline constexpr uint32_t kErrorNotConnected = 2250;

bool WarnIfOnNetwork();
bool IsNetworkPath(const std::wstring& path);
std::wstring ResolveUncPath(const std::wstring& path);
uint32_t GetRemoteName(const std::wstring& path, std::wstring& remoteName);
std::wstring TextBeforeLast(const std::wstring& text, const std::wstring& delimiter);

}  // namespace qv
