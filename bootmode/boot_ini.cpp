// iniModule's boot.ini editor: the Safe Mode entry before Windows Vista.
#include "bootmode/boot_ini.h"

#include <utility>
#include <vector>

#include "system/cause.h"
#include "system/seams.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr uint32_t kNoAttributes = 0;

BootIniResult Fail(const std::wstring& text, std::wstring cause) { return {false, text, false, std::move(cause)}; }
BootIniResult Fail(const std::wstring& text, const std::wstring& path, const Done& failed) {
    return Fail(text, path + L": " + ErrorCause(failed));
}

constexpr const wchar_t* kNotRead = L": it could not be read";

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
std::wstring WithPreviousEntry(const std::wstring& content, const std::wstring& line) {
    if (auto inserted = InsertBootEntry(content, line)) return *inserted;
    const bool ended = content.empty() || content.back() == L'\n';
    return content + (ended ? L"" : L"\r\n") + line + L"\r\n";
}

// The edited copy lies beside boot.ini and takes its place in one step, so
// that boot.ini is either as it was or whole: never half written.
std::wstring StagedPath(const std::wstring& bootIniPath) { return bootIniPath + L".quorvine"; }

// The staged copy takes boot.ini's place and then the `wanted` attributes. A
// read-only boot.ini cannot be replaced, so its `current` attributes go only
// for that step and come back when it fails.
BootIniResult PutInPlace(const std::wstring& bootIniPath, const std::wstring& staged, uint32_t current, uint32_t wanted,
                         const std::wstring& attributesFailed, const std::wstring& replaceFailed) {
    if (const Done cleared = Files().SetAttributes(bootIniPath, kNoAttributes); !cleared) {
        Files().RemoveFile(staged);
        return Fail(attributesFailed, bootIniPath, cleared);
    }
    if (const Done replaced = Files().ReplaceWith(bootIniPath, staged); !replaced) {
        Files().SetAttributes(bootIniPath, current);
        Files().RemoveFile(staged);
        return Fail(replaceFailed, bootIniPath, replaced);
    }
    if (const Done set = Files().SetAttributes(bootIniPath, wanted); !set) {
        BootIniResult result = Fail(attributesFailed, bootIniPath, set);
        result.backInPlace = true;
        return result;
    }
    return {};
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
    const std::wstring backupFailed = L"Could not find:  " + bootIniPath + L"\r\nor could not write to:  " + backup;
    const std::optional<bool> backupFound = Files().FindAnyEntry(backup);
    if (!backupFound) return Fail(backupFailed, backup + L": the search for it failed");
    if (!*backupFound) {
        if (const Done copied = Files().CopyFileOver(bootIniPath, backup); !copied)
            return Fail(backupFailed, bootIniPath, copied);
    }

    const std::wstring writeFailed = L"Error writing INI value:  " + bootIniPath;
    const auto original = Files().ReadTextFile(bootIniPath);
    const auto attributes = Files().GetAttributes(bootIniPath);
    if (!original || !attributes) return Fail(writeFailed, bootIniPath + kNotRead);
    // Whole values, as they stand in the file: the profile functions would
    // cut them at 254 characters and take quotes off a quoted entry.
    const auto arcPath = IniValueIn(original->text, L"boot loader", L"default");
    // Without a default entry, or with one that "operating systems" does not
    // list, there is nothing to start in Safe Mode; an entry with an empty key
    // would only confuse the boot loader.
    if (!arcPath || arcPath->empty()) return Fail(writeFailed, L"[boot loader] names no default entry");
    const auto previous = IniValueIn(original->text, L"operating systems", *arcPath);
    if (!previous) return Fail(writeFailed, L"[operating systems] does not list the default entry");
    const std::wstring entry = L"\"" + description + L"\"" + OptionString(commandPromptOnly, networking);

    const std::wstring staged = StagedPath(bootIniPath);
    Files().RemoveFile(staged);
    Done written = Files().WriteTextFile(staged, *original);
    if (written) written = Settings().WriteIniValue(staged, L"boot loader", L"timeout", L"3");
    if (written) written = Settings().WriteIniValue(staged, L"operating systems", *arcPath, entry);
    std::wstring cause = written ? L"" : staged + L": " + ErrorCause(written);
    if (written) {
        // The profile functions keep the file's own encoding; the kept entry follows it.
        auto edited = Files().ReadTextFile(staged);
        if (!edited) {
            cause = staged + kNotRead;
        } else {
            edited->text = WithPreviousEntry(edited->text, *arcPath + L"=" + *previous);
            written = Files().WriteTextFile(staged, *edited);
            if (!written) cause = staged + L": " + ErrorCause(written);
        }
    }
    if (!cause.empty()) {
        Files().RemoveFile(staged);
        return Fail(writeFailed, cause);
    }
    const BootIniResult placed = PutInPlace(bootIniPath, staged, *attributes, *attributes,
                                            L"Cound not remove file attributes:  " + bootIniPath, writeFailed);
    // Attributes that did not come back leave the edit itself whole.
    return placed.backInPlace ? BootIniResult{} : placed;
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

std::optional<std::wstring> IniValueIn(const std::wstring& content, const std::wstring& section,
                                       const std::wstring& key) {
    bool inSection = false;
    for (const std::wstring& raw : Lines(content)) {
        const std::wstring line = Trim(raw);
        if (line.rfind(L"[", 0) == 0) {
            const size_t close = line.find(L']');
            inSection = close != std::wstring::npos && LowerCase(Trim(line.substr(1, close - 1))) == LowerCase(section);
            continue;
        }
        const size_t equals = line.find(L'=');
        if (inSection && equals != std::wstring::npos && LowerCase(Trim(line.substr(0, equals))) == LowerCase(key))
            return Trim(line.substr(equals + 1));
    }
    return std::nullopt;
}

BootIniResult RestoreBootIni(std::wstring bootIniPath, std::wstring backupName) {
    ApplyDefaults(bootIniPath, backupName);
    const std::wstring backup = bootIniPath.substr(0, 2) + backupName;
    const std::wstring attributesFailed = L"Cound not set file attributes:  " + bootIniPath;
    const auto current = Files().GetAttributes(bootIniPath);
    if (!current) return Fail(attributesFailed, bootIniPath + L": it is not there");
    const std::wstring copyFailed = L"Could not find:  " + backup + L"\r\nor could not write to:  " + bootIniPath;
    // The backup kept the attributes boot.ini had before the first edit.
    const auto original = Files().GetAttributes(backup);
    if (!original) return Fail(copyFailed, backup + L": it is not there");
    const std::wstring staged = StagedPath(bootIniPath);
    Files().RemoveFile(staged);
    // The copy takes the backup's read-only attribute along; it must be
    // writable to go to the disk before it replaces boot.ini.
    Done copied = Files().CopyFileOver(backup, staged);
    if (copied) copied = Files().SetAttributes(staged, kNoAttributes);
    if (!copied) {
        Files().RemoveFile(staged);
        return Fail(copyFailed, staged, copied);
    }
    BootIniResult placed = PutInPlace(bootIniPath, staged, *current, *original, attributesFailed, copyFailed);
    if (!placed.ok) return placed;
    // The backup is a copy of boot.ini and took its read-only attribute along,
    // which would make the delete fail.
    Files().SetAttributes(backup, kNoAttributes);
    if (const Done removed = Files().RemoveFile(backup); !removed) {
        BootIniResult result = Fail(L"Error deleting backup file:  " + backup, backup, removed);
        result.backInPlace = true;
        return result;
    }
    return {};
}

StoredMode StoredModeFromBootIni(const std::wstring& content) {
    const auto arcPath = IniValueIn(content, L"boot loader", L"default");
    const auto entry = arcPath ? IniValueIn(content, L"operating systems", *arcPath) : std::nullopt;
    if (!entry) return Mode::Normal;
    const std::wstring options = LowerCase(*entry);
    if (options.find(L"/safeboot:minimal(alternateshell)") != std::wstring::npos) return Mode::CommandPrompt;
    if (options.find(L"/safeboot:network") != std::wstring::npos) return Mode::Network;
    if (options.find(L"/safeboot:minimal") != std::wstring::npos) return Mode::Minimal;
    return Mode::Normal;
}

}  // namespace qv
