// The program's one test for a file, and whether Windows is 64-bit (then the
// registry view and the file-system redirection around commands need care).
#pragma once

#include <string>

namespace qv {

// True only for a file that exists and can be opened for reading.
bool FileExists(const std::wstring& path);
// From "ProgramFiles(x86)", which only 64-bit Windows sets.
bool Is64BitWindows();

}  // namespace qv
