// The running Windows of the host tests: a Windows 10 workstation, 32-bit,
// unless a test says otherwise.
#pragma once

#include <cwctype>
#include <map>
#include <optional>
#include <string>

#include "fake_world.h"
#include "system/running_windows.h"

namespace qv::testing {

class FakeRunningWindows : public RunningWindows, public virtual FakeWorld {
public:
    VersionRecord version;  // what GetVersionRecord reports
    bool extendedVersionFails = false;
    bool plainVersionFails = false;
    int cleanBoot = 0;
    int32_t sku = 0;
    std::map<wchar_t, char> oemExtra;  // console bytes beyond ASCII

    FakeRunningWindows() {
        version.platformId = 2;
        version.majorVersion = 10;
        version.minorVersion = 0;
        version.buildNumber = 19045;
        version.productType = 1;
    }

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
    std::wstring SystemFolder() override { return systemFolder; }
    std::wstring windowsFolder = L"C:\\WINDOWS";
    std::wstring WindowsFolder() override { return windowsFolder; }
    // Windows' words, line break and all, for the codes the tests use.
    std::map<uint32_t, std::wstring> errorTexts{{2, L"The system cannot find the file specified.\r\n"},
                                                {5, L"Access is denied.\r\n"}};
    std::wstring ErrorText(uint32_t code) override {
        const auto it = errorTexts.find(code);
        return it == errorTexts.end() ? std::wstring() : it->second;
    }
};

}  // namespace qv::testing
