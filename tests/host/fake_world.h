// The in-memory Windows the fakes of the seams act on: registry values, files
// and the record of every side effect. Each seam's fake (fake_<seam>.h) holds
// it as a virtual base, so the aggregate in fake_platform.h has one of each.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "system/done.h"
#include "system/settings.h"
#include "system/text.h"

namespace qv::testing {

// The codes Windows gives the failures the fakes play.
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorSharingViolation = 32;

class FakeWorld {
public:
    FakeWorld() {
        AddBcdEntry(kRunningEntry);
        AddBcdEntry(kBootManager);
        SetBcd(kBootManager, L"default", kRunningEntry);
    }
    virtual ~FakeWorld() = default;

    // Called after each side effect with a short label ("run:bcdedit.exe /set ...",
    // "write:HKLM\...\Name", "delete:...", "message:..."); a test may throw from
    // here to stop an operation half-way.
    std::function<void(const std::wstring&)> onStep;
    std::vector<std::wstring> steps;  // every side effect, in order
    // Every side effect, the fakes of the other seams' too (fake_seams.h).
    void Step(const std::wstring& label) {
        steps.push_back(label);
        if (onStep) onStep(label);
    }

    std::wstring exePath = L"C:\\Tools\\Quorvine.exe";
    std::wstring systemFolder = L"C:\\WINDOWS\\system32";

    // Registry: "HKLM\key\path" (as given, lower-cased) -> name (lower-case) -> value.
    std::map<std::wstring, std::map<std::wstring, SettingValue>> registry;
    // Values written raw (any type), by the same keys; a key holds them in `registry` too.
    std::map<std::wstring, std::map<std::wstring, RawSetting>> rawValues;
    // Files: lower-cased path -> contents (bytes) and attributes.
    struct File {
        std::vector<uint8_t> bytes;
        uint32_t attributes = 0x20;
    };
    std::map<std::wstring, File> files;
    std::set<std::wstring> readOnlyFiles;  // WriteIniValue/copy onto these fails

    // --- the system boot store as Windows mounts it (HKLM\BCD00000000) ------
    static constexpr const wchar_t* kRunningEntry = L"{5c1a3e2f-7b4d-11ef-9a0c-00155d0a1b2c}";
    static constexpr const wchar_t* kBootManager = L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
    static std::wstring BcdKey(const std::wstring& entry, const std::wstring& element = L"") {
        return L"BCD00000000\\Objects\\" + entry + L"\\Elements" + (element.empty() ? L"" : L"\\" + element);
    }
    void AddBcdEntry(const std::wstring& entry) { registry[Key(L"HKLM", BcdKey(entry))]; }
    void RemoveBcdEntry(const std::wstring& entry) {
        const std::wstring prefix = Key(L"HKLM", L"BCD00000000\\Objects\\" + entry);
        for (auto it = registry.begin(); it != registry.end();)
            it = it->first.rfind(prefix, 0) == 0 ? registry.erase(it) : std::next(it);
        for (auto it = rawValues.begin(); it != rawValues.end();)
            it = it->first.rfind(prefix, 0) == 0 ? rawValues.erase(it) : std::next(it);
    }
    // An element by bcdedit's name, its value as bcdedit takes it ("Minimal", "Yes", "{id} {id}").
    void SetBcd(const std::wstring& entry, const std::wstring& name, const std::wstring& value) {
        RawSetting raw;
        const std::wstring lower = LowerCase(value);
        std::wstring code;
        if (name == L"safeboot") {
            code = L"25000080";
            const uint8_t number = lower == L"minimal" ? 0 : lower == L"network" ? 1 : lower == L"dsrepair" ? 2 : 9;
            raw = {3, {number, 0, 0, 0, 0, 0, 0, 0}};
        } else if (name == L"safebootalternateshell") {
            code = L"26000081";
            raw = {3, {uint8_t(lower == L"yes" || lower == L"true" || lower == L"on" || lower == L"1" ? 1 : 0)}};
        } else if (name == L"bootsequence" || name == L"displayorder") {
            code = name == L"bootsequence" ? L"24000002" : L"24000001";
            raw = {7, {}};
            std::wstring list = value;
            for (wchar_t& c : list)
                if (c == L' ') c = L'\0';
            for (wchar_t c : list + std::wstring(2, L'\0')) raw.data.insert(raw.data.end(), {uint8_t(c), uint8_t(c >> 8)});
        } else {
            code = name == L"default" ? L"23000003" : L"12000004";
            raw = {1, {}};
            for (wchar_t c : value + L'\0') raw.data.insert(raw.data.end(), {uint8_t(c), uint8_t(c >> 8)});
        }
        if (value.empty() && code == L"24000002") {
            RemoveBcd(entry, L"24000002");
            return;
        }
        rawValues[Key(L"HKLM", BcdKey(entry, code))][L"element"] = raw;
        registry[Key(L"HKLM", BcdKey(entry, code))];
    }
    bool RemoveBcd(const std::wstring& entry, const std::wstring& code) {
        rawValues.erase(Key(L"HKLM", BcdKey(entry, code)));
        return registry.erase(Key(L"HKLM", BcdKey(entry, code))) != 0;
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
};

}  // namespace qv::testing
