// The real platform: each service forwards to its Win32 module.
#include "system/platform_win32.h"

#include <string>
#include <vector>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/win32.h"

namespace qv::win32 {

std::wstring Win32Platform::GetEnv(const std::wstring& name) {
    // The size includes the NUL; a variable that grows between the calls is read again.
    std::wstring value;
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    while (size > value.size()) {
        value.resize(size);
        size = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(size);
    return value;
}

std::wstring Win32Platform::CommandLine() { return GetCommandLineW(); }

std::wstring Win32Platform::ExecutablePath() {
    // A path longer than the buffer comes back cut and filling it: try a larger one.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int Win32Platform::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), title.empty() ? L"Quorvine" : title.c_str(), style);
}

int32_t Win32Platform::ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                                   const std::wstring& valueName, const std::wstring& type,
                                   const SettingValue& defaultValue, SettingValue& result) {
    return win32::ReadSetting(location, keyPath, valueName, type, defaultValue, result);
}
int32_t Win32Platform::WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                                    const std::wstring& valueName, const std::wstring& type,
                                    const SettingValue& value) {
    return win32::WriteSetting(location, keyPath, valueName, type, value);
}
int32_t Win32Platform::DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                                     const std::wstring& valueName) {
    return win32::DeleteSetting(location, keyPath, valueName);
}
bool Win32Platform::RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message,
                               int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode) {
    return win32::RunAndWait(commandLine, windowStyle, message, timeoutMs, abortOnTimeout, exitCode);
}
bool Win32Platform::StartDetached(const std::wstring& commandLine, int windowStyle) {
    return win32::StartDetached(commandLine, windowStyle);
}
std::optional<std::wstring> Win32Platform::RunAndRead(const std::wstring& commandLine, int32_t timeoutMs) {
    return win32::RunAndRead(commandLine, timeoutMs);
}
std::wstring Win32Platform::SystemFolder() { return win32::SystemFolder(); }
std::optional<std::wstring> Win32Platform::CreatePrivateFolder() { return win32::CreatePrivateFolder(); }
bool Win32Platform::RemoveFolder(const std::wstring& path) { return win32::RemoveFolder(path); }
bool Win32Platform::WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    return win32::WriteHeldFile(path, bytes);
}
bool Win32Platform::FileExists(const std::wstring& path) { return win32::FileExists(path); }
std::optional<std::wstring> Win32Platform::ShortPath(const std::wstring& path) { return win32::ShortPath(path); }
bool Win32Platform::SameFile(const std::wstring& first, const std::wstring& second) {
    return win32::SameFile(first, second);
}
std::optional<std::string> Win32Platform::ToOemText(const std::wstring& text) { return win32::ToOemText(text); }
bool Win32Platform::FindAnyEntry(const std::wstring& path, bool& searchFailed) {
    return win32::FindAnyEntry(path, searchFailed);
}
bool Win32Platform::CopyFileOver(const std::wstring& source, const std::wstring& target) {
    return win32::CopyFileOver(source, target);
}
bool Win32Platform::RemoveFile(const std::wstring& path) { return win32::RemoveFile(path); }
bool Win32Platform::SetAttributes(const std::wstring& path, uint32_t attributes) {
    return win32::SetAttributes(path, attributes);
}
std::optional<std::wstring> Win32Platform::ReadTextFile(const std::wstring& path) {
    auto bytes = win32::ReadBytes(path);
    if (!bytes) return std::nullopt;
    return FromAnsi(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}
bool Win32Platform::WriteTextFile(const std::wstring& path, const std::wstring& text) {
    const std::string ansi = ToAnsi(text);
    return win32::WriteBytes(path, std::vector<uint8_t>(ansi.begin(), ansi.end()));
}
bool Win32Platform::WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    return win32::WriteBytes(path, bytes);
}
void Win32Platform::AppendTextLine(const std::wstring& path, const std::wstring& line) {
    win32::AppendTextLine(path, line);
}
std::wstring Win32Platform::ReadIniValue(const std::wstring& file, const std::wstring& section,
                                         const std::wstring& key) {
    return win32::ReadIniValue(file, section, key);
}
bool Win32Platform::WriteIniValue(const std::wstring& file, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& value) {
    return win32::WriteIniValue(file, section, key, value);
}
bool Win32Platform::GetVersionRecord(uint32_t size, VersionRecord& record) {
    return win32::GetVersionRecord(size, record);
}
int Win32Platform::CleanBootState() { return win32::CleanBootState(); }
int32_t Win32Platform::QueryOperatingSystemSku() { return win32::QueryOperatingSystemSku(); }
std::optional<std::vector<uint8_t>> Win32Platform::LoadCustomResource(const std::wstring& name) {
    return win32::LoadCustomResource(name);
}
uint32_t Win32Platform::GetConnection(const std::wstring& localName, std::wstring& remoteName,
                                      uint32_t& bufferSize) {
    return win32::GetConnection(localName, remoteName, bufferSize);
}
bool Win32Platform::ShutdownSystem(int32_t flags) { return win32::ShutdownSystem(flags); }

}  // namespace qv::win32
