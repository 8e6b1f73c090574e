#include "bootmode/command_file.h"

#include "bootmode/command_line.h"
#include "system/file_checks.h"
#include "system/seams.h"
#include "system/text.h"

namespace qv {

std::optional<std::string> CommandFileLine(const std::wstring& exe) {
    // cmd.exe reads batch files in the console code page, where "%" must be doubled.
    const bool utf8 = Windows().OemCodePage() == kCodePageUtf8;
    for (const auto& form : ExePathForms(exe)) {
        const auto oem = utf8 ? ToUtf8(form) : Windows().ToOemText(form);
        if (!oem) continue;
        std::string line = "\"";
        for (char c : *oem) line += c == '%' ? std::string("%%") : std::string(1, c);
        return line + "\" %1";
    }
    return std::nullopt;
}

std::vector<uint8_t> CommandFileBytes(const std::string& line) {
    std::vector<uint8_t> bytes(line.begin(), line.end());
    bytes.push_back('\r');
    bytes.push_back('\n');
    return bytes;
}

std::wstring CommandFilePath() { return Windows().WindowsFolder() + L"\\quorvine.cmd"; }

void DeleteCommandFile() {
    const std::wstring path = CommandFilePath();
    if (FileExists(path)) Files().RemoveFile(path);
}

}  // namespace qv
