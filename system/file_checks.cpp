#include "system/file_checks.h"

#include "system/seams.h"

namespace qv {

bool FileExists(const std::wstring& path) { return Files().FileExists(path); }

}  // namespace qv
