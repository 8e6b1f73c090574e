// iniModule's boot.ini editor: the Safe Mode entry before Windows Vista.
#include "bootmode/boot_ini.h"

#include <vector>

#include "system/platform.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr uint32_t kNoAttributes = 0;
constexpr uint32_t kReadOnlyHiddenSystem = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

BootIniResult Fail(const std::wstring& text) { return {false, text}; }

std::wstring OptionString(bool commandPromptOnly, bool networking) {
    if (commandPromptOnly) return L" /fastdetect /safeboot:minimal(alternateshell) /sos /bootlog /noguiboot";
    if (networking) return L" /fastdetect /safeboot:network /sos /bootlog /noguiboot";
    return L" /fastdetect /safeboot:minimal /sos /bootlog /noguiboot";
}

std::wstring TrimLineBreak(const std::wstring& text) {
    size_t end = text.find_last_not_of(L"\r\n");
    return end == std::wstring::npos ? std::wstring() : text.substr(0, end + 1);
}

// The entry as it was stays in the boot menu as a second choice. Appending
// works while "operating systems" is the last section; when another follows,
// an appended line would land in that one and drop out of the menu.
void KeepPreviousEntry(const std::wstring& bootIniPath, const std::wstring& line) {
    if (auto content = Sys().ReadTextFile(bootIniPath)) {
        if (auto inserted = InsertBootEntry(*content, line)) {
            Sys().WriteTextFile(bootIniPath, *inserted);
            return;
        }
    }
    Sys().AppendTextLine(bootIniPath, line);
}

void ApplyDefaults(std::wstring& bootIniPath, std::wstring& backupName) {
    if (bootIniPath.empty()) bootIniPath = L"C:\\boot.ini";
    if (backupName.empty()) backupName = L"\\boot.bak";
}

}  // namespace

BootIniResult SetBootIniSafeMode(std::wstring bootIniPath, std::wstring backupName, std::wstring description,
                                 bool commandPromptOnly, bool networking) {
    ApplyDefaults(bootIniPath, backupName);
    if (description.empty()) description = L"Safe Mode Mod";
    const std::wstring backup = bootIniPath.substr(0, 2) + backupName;

    // The backup is the file as it was before the first edit: made once only.
    const std::optional<bool> backupFound = Sys().FindAnyEntry(backup);
    if (!backupFound || (!*backupFound && !Sys().CopyFileOver(bootIniPath, backup))) {
        return Fail(L"Could not find:  " + bootIniPath + L"\r\nor could not write to:  " + backup);
    }
    if (!Sys().SetAttributes(bootIniPath, kNoAttributes)) {
        return Fail(L"Cound not remove file attributes:  " + bootIniPath);
    }

    const std::wstring arcPath = Sys().ReadIniValue(bootIniPath, L"boot loader", L"default");
    const std::wstring writeFailed = L"Error writing INI value:  " + bootIniPath;
    // Without a default entry there is nothing to start in Safe Mode; an entry
    // with an empty key would only confuse the boot loader.
    if (arcPath.empty()) {
        return Fail(writeFailed);
    }
    const std::wstring entry = L"\"" + description + L"\"" + OptionString(commandPromptOnly, networking);
    const std::wstring previous = Sys().ReadIniValue(bootIniPath, L"operating systems", arcPath);

    if (!Sys().WriteIniValue(bootIniPath, L"boot loader", L"timeout", L"3") ||
        !Sys().WriteIniValue(bootIniPath, L"operating systems", arcPath, entry)) {
        return Fail(writeFailed);
    }
    KeepPreviousEntry(bootIniPath, arcPath + L"=" + previous);
    return {};
}

std::optional<std::wstring> InsertBootEntry(const std::wstring& content, const std::wstring& line) {
    // Split into lines, each with its own line break.
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find(L'\n', start);
        end = end == std::wstring::npos ? content.size() : end + 1;
        lines.push_back(content.substr(start, end - start));
        start = end;
    }
    auto isHeader = [](const std::wstring& text) { return Trim(text).rfind(L"[", 0) == 0; };
    size_t section = 0;
    while (section < lines.size() && LowerCase(Trim(TrimLineBreak(lines[section]))) != L"[operating systems]")
        ++section;
    if (section == lines.size()) return std::nullopt;
    size_t next = section + 1;
    while (next < lines.size() && !isHeader(lines[next])) ++next;
    if (next == lines.size()) return std::nullopt;
    // Behind the section's last entry, before the blank lines that part it from the next.
    size_t at = next;
    while (at > section + 1 && Trim(TrimLineBreak(lines[at - 1])).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line + L"\r\n");
    std::wstring out;
    for (const auto& text : lines) out += text;
    return out;
}

BootIniResult RestoreBootIni(std::wstring bootIniPath, std::wstring backupName) {
    ApplyDefaults(bootIniPath, backupName);
    const std::wstring backup = bootIniPath.substr(0, 2) + backupName;
    const std::wstring attributesFailed = L"Cound not set file attributes:  " + bootIniPath;
    if (!Sys().SetAttributes(bootIniPath, kNoAttributes)) {
        return Fail(attributesFailed);
    }
    if (!Sys().CopyFileOver(backup, bootIniPath)) {
        return Fail(L"Could not find:  " + backup + L"\r\nor could not write to:  " + bootIniPath);
    }
    if (!Sys().SetAttributes(bootIniPath, kReadOnlyHiddenSystem)) {
        return Fail(attributesFailed);
    }
    // The backup is a copy of boot.ini and took its read-only attribute along,
    // which would make the delete fail.
    Sys().SetAttributes(backup, kNoAttributes);
    if (!Sys().RemoveFile(backup)) {
        return Fail(L"Error deleting backup file:  " + backup);
    }
    return {};
}

}  // namespace qv
