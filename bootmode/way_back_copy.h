// The way back's copy of the exe on the system drive, for an exe Windows may
// not find or start at the next logon (on a USB stick, a disc, or too deep).
#pragma once

#include <optional>
#include <string>

namespace qv {

// Whether this exe lies on a drive that may be gone at the next start (a USB
// stick, a disc): the way back then starts a copy on the system drive.
bool RunsFromRemovableDrive();
// The longest path of an exe that Windows is sure to start (MAX_PATH less its NUL).
inline constexpr size_t kLongestStartablePath = 259;
// Whether the way back starts the copy below: from such a drive, or from a
// path longer than that.
bool WayBackStartsCopy();
// That copy: "<Windows folder>\Quorvine\<this exe's name>".
std::wstring WayBackCopyPath();
// The exe the way back would start, without making anything yet.
std::wstring PlannedWayBackExe();
// The exe the way back starts: this one, or its copy, made and checked byte
// for byte now; empty when no checked copy could be made.
std::optional<std::wstring> WayBackExe();
// After Normal Mode is restored: the copy goes (at the next start, when it is
// the program running now).
void RemoveWayBackCopy();

}  // namespace qv
