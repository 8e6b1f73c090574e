// The settings store of the host tests: the fake world's registry, and INI
// keys (edited in the file where the world holds one).
#pragma once

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_world.h"
#include "system/settings_store.h"

namespace qv::testing {

class FakeSettingsStore : public SettingsStore, public virtual FakeWorld {
public:
    // Registry writes to keys containing one of these fail with status 5.
    std::set<std::wstring> refusedKeys;
    // Raw reads of keys containing one of these fail with status 5.
    std::set<std::wstring> unreadableKeys;
    std::map<std::wstring, std::wstring> iniValues;  // "file|section|key" (lower-case) -> value

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

    std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) override {
        auto it = iniValues.find(LowerCase(file + L"|" + section + L"|" + key));
        return it == iniValues.end() ? std::wstring() : it->second;
    }
    // On a file the fake holds, edits its lines as the profile functions do:
    // the first key of that name in the section, else a new line after its header.
    Done WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value) override {
        if (readOnlyFiles.count(LowerCase(file))) return Done::Failed(kErrorAccessDenied);
        Step(L"ini:" + section + L"|" + key);
        auto it = files.find(LowerCase(file));
        if (it == files.end()) {
            iniValues[LowerCase(file + L"|" + section + L"|" + key)] = value;
            return {};
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
        return {};
    }
};

}  // namespace qv::testing
