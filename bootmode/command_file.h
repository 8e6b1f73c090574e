// The command file in the Windows folder, quorvine.cmd: at the command prompt
// of the command-prompt mode, "quorvine /normal" reaches the exe through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The path for the command file, in the code page cmd.exe reads it in (UTF-8
// under code page 65001), "%" written "%%"; empty when neither the full nor
// the short path fits that code page.
std::optional<std::string> CommandFileLine(const std::wstring& exe);
// The file's bytes: that line, ended as a batch file's line.
std::vector<uint8_t> CommandFileBytes(const std::string& line);
std::wstring CommandFilePath();
void DeleteCommandFile();

}  // namespace qv
