// An in-memory Windows for the host tests: registry values, files, commands
// run, dialogs answered from a script. Install it with ScopedFakePlatform.
#pragma once

#include <cctype>
#include <cwctype>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_boot_store.h"
#include "system/platform.h"
#include "system/shutdown.h"
#include "system/text.h"

namespace qv::testing {

struct Dialog {
    std::wstring text;
    std::wstring title;
    unsigned style = 0;
};

class FakePlatform : public Platform {
public:
    // --- what the test arranges -------------------------------------------
    std::map<std::wstring, std::wstring> env;  // keys lower-case
    std::wstring commandLine = L"\"C:\\Tools\\Quorvine.exe\"";
    std::wstring exePath = L"C:\\Tools\\Quorvine.exe";
    std::deque<int> answers;  // consumed by ShowMessage; OK (1) when empty
    VersionRecord version;    // what GetVersionRecord reports
    bool extendedVersionFails = false;
    bool plainVersionFails = false;
    int cleanBoot = 0;
    int32_t sku = 0;
    std::map<std::wstring, std::vector<uint8_t>> resources;  // keys lower-case
    std::set<std::wstring> failingCommands;                  // RunAndWait answers false for these
    // Called after each side effect with a short label ("run:reg.exe import ...", "store:SetSafeMode minimal",
    // "write:HKLM\...\Name", "delete:...", "message:..."); a test may throw from
    // here to stop an operation half-way.
    std::function<void(const std::wstring&)> onStep;
    // Registry writes to keys containing one of these fail with status 5.
    std::set<std::wstring> refusedKeys;
    std::map<std::wstring, std::wstring> iniValues;    // "file|section|key" (lower-case) -> value
    std::set<std::wstring> readOnlyFiles;              // WriteIniValue/copy onto these fails
    std::map<std::wstring, std::wstring> shortPaths;   // lower-case path -> its 8.3 form
    std::map<std::wstring, std::wstring> fileAliases;  // path -> canonical path, both lower-case
    std::map<wchar_t, char> oemExtra;                  // console bytes beyond ASCII

    // --- what the test observes -------------------------------------------
    std::vector<Dialog> dialogs;
    std::vector<std::wstring> commands;  // RunAndWait command lines, in order
    std::vector<std::wstring> started;   // StartDetached command lines
    std::vector<int32_t> restarts;       // ShutdownSystem flags
    std::vector<std::wstring> steps;     // every side effect, in order

    // Registry: "HKLM\key\path" (as given, lower-cased) -> name (lower-case) -> value.
    std::map<std::wstring, std::map<std::wstring, SettingValue>> registry;
    // Values written raw (any type), by the same keys; a key holds them in `registry` too.
    std::map<std::wstring, std::map<std::wstring, RawSetting>> rawValues;
    // Raw reads of keys containing one of these fail with status 5.
    std::set<std::wstring> unreadableKeys;
    // Files: lower-cased path -> contents (bytes) and attributes.
    struct File {
        std::vector<uint8_t> bytes;
        uint32_t attributes = 0x20;
    };
    std::map<std::wstring, File> files;

    FakePlatform() {
        env[L"systemdrive"] = L"C:";
        env[L"windir"] = L"C:\\WINDOWS";
        env[L"systemroot"] = L"C:\\WINDOWS";
        env[L"temp"] = L"C:\\Temp";
        env[L"os"] = L"Windows_NT";
        version.platformId = 2;
        version.majorVersion = 10;
        version.minorVersion = 0;
        version.buildNumber = 19045;
        version.productType = 1;
        for (const wchar_t* name : {L"sb_xp", L"sb_v", L"sb_7", L"sb_8"}) resources[name] = {0xFF, 0xFE};
    }

    // --- helpers for tests ------------------------------------------------
    static std::wstring Key(const std::wstring& location, const std::wstring& keyPath) {
        return LowerCase(location + L"\\" + keyPath);
    }
    std::optional<SettingValue> Value(const std::wstring& keyPath, const std::wstring& name,
                                      const std::wstring& location = L"HKLM") const {
        auto key = registry.find(Key(location, keyPath));
        if (key == registry.end()) return std::nullopt;
        auto value = key->second.find(LowerCase(name));
        if (value == key->second.end()) return std::nullopt;
        return value->second;
    }
    void SetValue(const std::wstring& keyPath, const std::wstring& name, SettingValue value,
                  const std::wstring& location = L"HKLM") {
        registry[Key(location, keyPath)][LowerCase(name)] = std::move(value);
        if (rawValues.count(Key(location, keyPath))) rawValues[Key(location, keyPath)].erase(LowerCase(name));
    }
    bool HasFile(const std::wstring& path) const { return files.count(LowerCase(path)) != 0; }
    std::string FileText(const std::wstring& path) const {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return {};
        return std::string(it->second.bytes.begin(), it->second.bytes.end());
    }
    void PutFile(const std::wstring& path, const std::string& text, uint32_t attributes = 0x20) {
        files[LowerCase(path)] = File{std::vector<uint8_t>(text.begin(), text.end()), attributes};
    }

    // --- Platform ---------------------------------------------------------
    std::wstring GetEnv(const std::wstring& name) override {
        auto it = env.find(LowerCase(name));
        return it == env.end() ? std::wstring() : it->second;
    }
    std::wstring CommandLine() override { return commandLine; }
    std::wstring ExecutablePath() override { return exePath; }

    int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) override {
        dialogs.push_back({text, title, style});
        Step(L"message:" + text);
        if (answers.empty()) return 1;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& type, const SettingValue& defaultValue, SettingValue& result) override {
        result = defaultValue;
        auto value = Value(keyPath, valueName, location);
        if (!value) return 2;
        const std::wstring letter = UpperCase(type);
        if (letter == L"D" && !std::holds_alternative<int32_t>(*value)) return 234;
        if (letter == L"S" && !std::holds_alternative<std::wstring>(*value)) return 234;
        result = *value;
        return 0;
    }
    int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                         const std::wstring& type, const SettingValue& value) override {
        for (const auto& refused : refusedKeys)
            if (ContainsNoCase(keyPath, refused)) return 5;
        const std::wstring letter = UpperCase(type);
        SettingValue stored = value;
        if (letter == L"D") {
            auto number = SettingAsInt16(value);
            if (!number) return kErrorInvalidParameter;
            stored = int32_t{*number};
        } else if (letter == L"S") {
            stored = SettingAsText(value);
        }
        SetValue(keyPath, valueName, stored, location);
        Step(L"write:" + location + L"\\" + keyPath + L"\\" + valueName);
        return 0;
    }
    RawRead ReadRawSetting(const std::wstring& location, const std::wstring& keyPath,
                           const std::wstring& valueName) override {
        RawRead read;
        for (const auto& refused : unreadableKeys)
            if (ContainsNoCase(keyPath, refused)) {
                read.status = 5;
                return read;
            }
        const std::wstring key = Key(location, keyPath);
        // A key is there when it or a key below it holds anything.
        const auto below = registry.lower_bound(key);
        read.keyOpened = below != registry.end() && (below->first == key || below->first.rfind(key + L"\\", 0) == 0);
        if (!read.keyOpened) return read;
        const auto raw = rawValues.find(key);
        if (raw != rawValues.end() && raw->second.count(LowerCase(valueName))) {
            read.status = 0;
            read.value = raw->second.at(LowerCase(valueName));
            return read;
        }
        const auto value = Value(keyPath, valueName, location);
        if (!value) return read;
        read.status = 0;
        if (const auto* text = std::get_if<std::wstring>(&*value)) {
            read.value.type = 1;
            for (wchar_t c : *text + L'\0') read.value.data.insert(read.value.data.end(), {uint8_t(c), uint8_t(c >> 8)});
        } else {
            const int32_t number = std::holds_alternative<bool>(*value) ? (std::get<bool>(*value) ? -1 : 0)
                                                                          : std::get<int32_t>(*value);
            read.value = {4, {uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16), uint8_t(number >> 24)}};
        }
        return read;
    }
    int32_t WriteRawSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                            const RawSetting& value) override {
        for (const auto& refused : refusedKeys)
            if (ContainsNoCase(keyPath, refused)) return 5;
        // Text types read back as text through ReadSetting, as they do from the registry.
        std::wstring text;
        for (size_t i = 0; i + 1 < value.data.size(); i += 2) text += wchar_t(value.data[i] | value.data[i + 1] << 8);
        if (!text.empty() && text.back() == L'\0') text.pop_back();
        SetValue(keyPath, valueName, text, location);
        rawValues[Key(location, keyPath)][LowerCase(valueName)] = value;
        Step(L"write:" + location + L"\\" + keyPath + L"\\" + valueName);
        return 0;
    }
    int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                          const std::wstring& valueName) override {
        auto key = registry.find(Key(location, keyPath));
        if (key != registry.end()) key->second.erase(LowerCase(valueName));
        if (rawValues.count(Key(location, keyPath))) rawValues[Key(location, keyPath)].erase(LowerCase(valueName));
        Step(L"delete:" + location + L"\\" + keyPath + L"\\" + valueName);
        return 0;
    }

    // System programs are recorded by their bare names ("reg.exe import ..."),
    // the full command line in rawCommands.
    std::wstring systemFolder = L"C:\\WINDOWS\\system32";
    std::vector<std::wstring> rawCommands;
    std::vector<int32_t> limits;  // the time-out each command was given
    std::wstring Bare(const std::wstring& commandLine) const {
        const std::wstring prefix = L"\"" + systemFolder + L"\\";
        if (commandLine.rfind(prefix, 0) != 0) return commandLine;
        std::wstring rest = commandLine.substr(prefix.size());
        const size_t quote = rest.find(L'"');
        return quote == std::wstring::npos ? commandLine : rest.erase(quote, 1);
    }
    bool RunAndWait(const std::wstring& fullCommandLine, int, std::wstring&, int32_t timeoutMs, bool,
                    uint32_t* exitCode) override {
        const std::wstring commandLine = Bare(fullCommandLine);
        rawCommands.push_back(fullCommandLine);
        limits.push_back(timeoutMs);
        commands.push_back(commandLine);
        Step(L"run:" + commandLine);
        if (failingCommands.count(commandLine)) return false;
        if (!manageBde && commandLine.rfind(L"manage-bde.exe ", 0) == 0) return false;
        auto it = exitCodes.find(commandLine);
        if (exitCode) *exitCode = it != exitCodes.end() ? it->second : 0;
        return true;
    }
    // What commands print, by their bare command line (else nothing).
    std::map<std::wstring, std::wstring> outputs;
    std::optional<std::wstring> RunAndRead(const std::wstring& fullCommandLine, int32_t timeoutMs) override {
        uint32_t exitCode = 0;
        std::wstring message;
        if (!RunAndWait(fullCommandLine, 0, message, timeoutMs, true, &exitCode) || exitCode != 0) return std::nullopt;
        const auto output = outputs.find(Bare(fullCommandLine));
        return output == outputs.end() ? std::wstring() : output->second;
    }
    // Without it, as on Windows without BitLocker, manage-bde.exe does not start.
    bool manageBde = false;
    std::wstring SystemFolder() override { return systemFolder; }
    std::wstring windowsFolder = L"C:\\WINDOWS";
    std::wstring WindowsFolder() override { return windowsFolder; }
    bool noPrivateFolder = false;
    int privateFolders = 0;
    std::set<std::wstring> folders;  // lower-cased
    std::optional<std::wstring> CreatePrivateFolder() override {
        if (noPrivateFolder) return std::nullopt;
        const std::wstring folder = L"C:\\WINDOWS\\Temp\\Quorvine-" + std::to_wstring(++privateFolders);
        folders.insert(LowerCase(folder));
        Step(L"mkdir:" + folder);
        return folder;
    }
    bool RemoveFolder(const std::wstring& path) override {
        Step(L"rmdir:" + path);
        return folders.erase(LowerCase(path)) != 0;
    }
    bool WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) override {
        return WriteBytes(path, bytes);
    }
    std::map<std::wstring, uint32_t> exitCodes;  // a command's exit code (0 when not listed)
    bool StartDetached(const std::wstring& commandLine, int) override {
        started.push_back(commandLine);
        Step(L"start:" + commandLine);
        return true;
    }

    bool FileExists(const std::wstring& path) override { return HasFile(path); }
    std::optional<std::wstring> ShortPath(const std::wstring& path) override {
        auto it = shortPaths.find(LowerCase(path));
        if (it == shortPaths.end()) return std::nullopt;
        return it->second;
    }
    bool SameFile(const std::wstring& first, const std::wstring& second) override {
        auto canonical = [this](const std::wstring& path) {
            auto it = fileAliases.find(LowerCase(path));
            return it == fileAliases.end() ? LowerCase(path) : it->second;
        };
        const std::wstring target = canonical(first);
        const bool exists = files.count(target) != 0 || target == LowerCase(exePath);
        return exists && target == canonical(second);
    }
    std::optional<std::string> ToOemText(const std::wstring& text) override {
        std::string bytes;
        for (wchar_t c : text) {
            if (c < 0x80) {
                bytes.push_back(static_cast<char>(c));
            } else if (auto it = oemExtra.find(c); it != oemExtra.end()) {
                bytes.push_back(it->second);
            } else {
                return std::nullopt;
            }
        }
        return bytes;
    }
    std::optional<bool> FindAnyEntry(const std::wstring& path) override { return HasFile(path); }
    bool CopyFileOver(const std::wstring& source, const std::wstring& target) override {
        auto it = files.find(LowerCase(source));
        if (readOnlyFiles.count(LowerCase(target))) return false;
        if (LowerCase(source) == LowerCase(exePath) && it == files.end()) {
            files[LowerCase(target)] = File{exeBytes, 0x20};
            Step(L"copy:" + source + L"->" + target);
            return true;
        }
        if (it == files.end() || readOnlyFiles.count(LowerCase(target))) return false;
        files[LowerCase(target)] = it->second;
        Step(L"copy:" + source + L"->" + target);
        return true;
    }
    std::set<std::wstring> undeletableFiles;  // lower-case: held open by another program
    bool RemoveFile(const std::wstring& path) override {
        Step(L"remove:" + path);
        auto it = files.find(LowerCase(path));
        if (it == files.end() || (it->second.attributes & 1) || undeletableFiles.count(LowerCase(path)))
            return false;  // read-only stays
        files.erase(it);
        return true;
    }
    std::optional<uint32_t> GetAttributes(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return std::nullopt;
        return it->second.attributes;
    }
    // Lower-cased path -> its descriptor; any other path reads as one that only
    // administrators may change, and one mapped to nothing cannot be read.
    std::map<std::wstring, std::optional<SecurityDescription>> security;
    std::optional<SecurityDescription> ReadSecurity(const std::wstring& path) override {
        auto it = security.find(LowerCase(path));
        if (it == security.end()) return SecurityDescription{kAdministratorsSid, true, {}};
        return it->second;
    }
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return false;
        it->second.attributes = attributes;
        return true;
    }
    // Text files hold one byte a letter; boot.ini tests need no more.
    std::optional<TextFile> ReadTextFile(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return std::nullopt;
        return TextFile{std::wstring(it->second.bytes.begin(), it->second.bytes.end()), false};
    }
    bool WriteTextFile(const std::wstring& path, const TextFile& content) override {
        if (readOnlyFiles.count(LowerCase(path))) return false;
        auto& file = files[LowerCase(path)];
        file.bytes.clear();
        for (wchar_t c : content.text) file.bytes.push_back(static_cast<uint8_t>(c));
        Step(L"writetext:" + path);
        return true;
    }
    bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) override {
        files[LowerCase(path)] = File{bytes, 0x20};
        Step(L"writefile:" + path);
        return true;
    }
    bool replaceFails = false;
    bool ReplaceWith(const std::wstring& target, const std::wstring& replacement) override {
        auto it = files.find(LowerCase(replacement));
        if (replaceFails || it == files.end() || readOnlyFiles.count(LowerCase(target))) return false;
        files[LowerCase(target)] = it->second;
        files.erase(LowerCase(replacement));
        Step(L"replace:" + target);
        return true;
    }
    std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) override {
        auto it = iniValues.find(LowerCase(file + L"|" + section + L"|" + key));
        return it == iniValues.end() ? std::wstring() : it->second;
    }
    // On a file the fake holds, edits its lines as the profile functions do:
    // the first key of that name in the section, else a new line after its header.
    bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value) override {
        if (readOnlyFiles.count(LowerCase(file))) return false;
        Step(L"ini:" + section + L"|" + key);
        auto it = files.find(LowerCase(file));
        if (it == files.end()) {
            iniValues[LowerCase(file + L"|" + section + L"|" + key)] = value;
            return true;
        }
        std::vector<std::string> lines;
        std::string text(it->second.bytes.begin(), it->second.bytes.end());
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            lines.push_back(text.substr(start, end - start));
            start = end;
        }
        const std::string wanted(key.begin(), key.end());
        const std::string line = wanted + "=" + std::string(value.begin(), value.end()) + "\r\n";
        auto lower = [](std::string t) {
            for (auto& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return t;
        };
        const std::string header = "[" + lower(std::string(section.begin(), section.end())) + "]";
        size_t at = 0;
        while (at < lines.size() && lower(lines[at]).rfind(header, 0) != 0) ++at;
        if (at == lines.size()) {
            lines.push_back("[" + std::string(section.begin(), section.end()) + "]\r\n");
            lines.push_back(line);
        } else {
            size_t next = at + 1;
            bool replaced = false;
            for (; next < lines.size() && lines[next].rfind("[", 0) != 0; ++next) {
                if (lower(lines[next]).rfind(lower(wanted) + "=", 0) == 0) {
                    lines[next] = line;
                    replaced = true;
                    break;
                }
            }
            if (!replaced) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at + 1), line);
        }
        std::string out;
        for (const auto& l : lines) out += l;
        it->second.bytes.assign(out.begin(), out.end());
        return true;
    }
    std::vector<std::wstring> outputLines;
    void WriteOutputLine(const std::wstring& line) override { outputLines.push_back(line); }
    bool lockBusy = false;  // another run holds the operation lock
    int lockDepth = 0;
    bool AcquireOperationLock(uint32_t) override {
        if (lockBusy) return false;
        ++lockDepth;
        return true;
    }
    void ReleaseOperationLock() override { --lockDepth; }

    std::optional<VersionRecord> GetVersionRecord(uint32_t size) override {
        if (size == 156 ? extendedVersionFails : plainVersionFails) return std::nullopt;
        VersionRecord record = version;
        record.size = size;
        if (size != 156) {
            record.servicePackMajor = record.servicePackMinor = record.suiteMask = 0;
            record.productType = record.reserved = 0;
        }
        return record;
    }
    int CleanBootState() override { return cleanBoot; }
    int32_t QueryOperatingSystemSku() override { return sku; }
    std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name) override {
        auto it = resources.find(LowerCase(name));
        if (it == resources.end()) return std::nullopt;
        return it->second;
    }
    std::map<std::wstring, std::wstring> connections;  // "Z:" -> "\\server\share"
    bool connectionLookupFails = false;
    Connection GetConnection(const std::wstring& drive) override {
        if (connectionLookupFails) return {Connection::State::Unknown, {}};
        auto it = connections.find(UpperCase(drive));
        if (it == connections.end()) return {};
        return {Connection::State::Connected, it->second};
    }

    bool is64BitWindows = false;
    bool Is64BitWindows() override { return is64BitWindows; }
    std::map<wchar_t, uint32_t> driveTypes;  // upper-case letter -> kDrive...; fixed when not listed
    uint32_t DriveType(const std::wstring& root) override {
        if (root.size() < 3 || root[1] != L':') return kDriveNoRootDir;
        auto it = driveTypes.find(static_cast<wchar_t>(std::towupper(root[0])));
        return it == driveTypes.end() ? kDriveFixed : it->second;
    }
    uint32_t oemCodePage = 437;
    uint32_t OemCodePage() override { return oemCodePage; }
    std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it != files.end()) return it->second.bytes;
        if (LowerCase(path) == LowerCase(exePath)) return exeBytes;
        return std::nullopt;
    }
    std::vector<uint8_t> exeBytes{'M', 'Z', 0x90, 0};  // the running exe's content
    std::set<std::wstring> adminFolders;               // lower-case
    bool adminFolderFails = false;
    bool MakeAdminOnlyFolder(const std::wstring& path) override {
        Step(L"adminfolder:" + path);
        if (adminFolderFails) return false;
        adminFolders.insert(LowerCase(path));
        return true;
    }
    bool RenameFile(const std::wstring& from, const std::wstring& to) override {
        auto it = files.find(LowerCase(from));
        if (it == files.end()) return false;
        File moved = it->second;
        files.erase(it);
        files[LowerCase(to)] = moved;
        Step(L"rename:" + from + L"->" + to);
        return true;
    }
    std::vector<std::wstring> deletedAtRestart;
    bool DeleteAtRestart(const std::wstring& path) override {
        deletedAtRestart.push_back(path);
        Step(L"deleteatrestart:" + path);
        return true;
    }

    std::wstring restartRefused;  // the system's text when Windows refuses the restart
    bool ShutdownSystem(int32_t flags) override {
        restarts.push_back(flags);
        Step(L"restart");
        if (!restartRefused.empty())
            throw ShutdownError(kErrShutdownFailed, L"Quorvine", L"ShutdownSystem failed: " + restartRefused);
        return true;
    }

    // Every side effect, the fakes of the other seams' too (fake_seams.h).
    void Step(const std::wstring& label) {
        steps.push_back(label);
        if (onStep) onStep(label);
    }
};

// Installs a fake platform and a fake boot store beside it (whose changes
// are steps of the platform) for the test's lifetime, then puts back what
// they replaced, so a nested one leaves the outer fakes in force.
class ScopedFakePlatform {
public:
    ScopedFakePlatform() : previous_(SetPlatform(&fake)), previousStore_(SetBootStore(&store)) {
        store.onChange = [this](const std::wstring& label) { fake.Step(label); };
    }
    ~ScopedFakePlatform() {
        SetBootStore(previousStore_);
        SetPlatform(previous_);
    }
    ScopedFakePlatform(const ScopedFakePlatform&) = delete;
    ScopedFakePlatform& operator=(const ScopedFakePlatform&) = delete;
    FakePlatform fake;
    FakeBootStore store;

private:
    Platform* previous_;
    BootStore* previousStore_;
};

}  // namespace qv::testing
