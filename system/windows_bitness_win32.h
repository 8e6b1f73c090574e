// Whether Windows is 64-bit: the registry view and the file-system
// redirection around commands depend on it.
#pragma once

namespace qv::win32 {

// Asked of Windows (IsWow64Process), never of the environment.
bool IsWindows64Bit();

}  // namespace qv::win32
