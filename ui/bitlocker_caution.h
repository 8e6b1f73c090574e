// The paragraph the command-prompt mode's question gains on a drive that
// BitLocker protects.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Empty unless BitLocker protects the system drive; asks manage-bde.exe.
std::wstring BitLockerCaution();
// The paragraph for a protected drive with these recovery password identifiers.
std::wstring BitLockerCautionText(const std::wstring& drive, const std::vector<std::wstring>& ids);

}  // namespace qv
