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
    virtual ~FakeWorld() = default;

    // Called after each side effect with a short label ("run:reg.exe import ...", "store:SetSafeMode minimal",
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
