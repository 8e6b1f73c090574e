// The program's one test for a file.
#pragma once

#include <string>

namespace qv {

// True only for a file that exists and can be opened for reading.
bool FileExists(const std::wstring& path);

}  // namespace qv
