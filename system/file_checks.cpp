#include "system/file_checks.h"

#include "system/platform.h"

namespace qv {

bool FileExists(const std::wstring& path) { return Sys().FileExists(path); }

}  // namespace qv
