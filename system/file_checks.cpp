#include "system/file_checks.h"

#include "system/platform.h"

namespace qv {

bool FileExists(const std::wstring& path) { return Sys().FileExists(path); }

bool Is64BitWindows() { return Sys().GetEnv(L"ProgramFiles(x86)").size() > 1; }

}  // namespace qv
