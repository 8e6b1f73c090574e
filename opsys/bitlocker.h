// Whether BitLocker protects the drive Windows runs from, and the identifiers
// of its recovery passwords, as manage-bde.exe tells them. Read only: the
// program never changes BitLocker.
#pragma once

#include <string>
#include <vector>

namespace qv {

enum class BitLockerState { Protected, NotProtected, Unknown };

// Unknown where manage-bde.exe is missing (Windows without BitLocker), fails
// or does not end within the command limit.
BitLockerState ReadBitLockerState(const std::wstring& drive);
// The "{...}" identifiers of the drive's recovery password protectors, in
// the order listed; empty when none could be read.
std::vector<std::wstring> ReadRecoveryPasswordIds(const std::wstring& drive);
std::vector<std::wstring> ProtectorIdsIn(const std::wstring& output);
// "protected", "not protected", "unknown".
std::wstring BitLockerStateName(BitLockerState state);

}  // namespace qv
