// The Win32 side of each platform service, one function per service. Only the
// Windows build compiles these; Win32Platform forwards to them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/platform.h"

namespace qv::win32 {

// registry_win32.cpp
int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath,
                    const std::wstring& valueName, const std::wstring& type,
                    const SettingValue& defaultValue, SettingValue& result);
int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath,
                     const std::wstring& valueName, const std::wstring& type,
                     const SettingValue& value);
int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                      const std::wstring& valueName);
// 1 for an existing ordinary file, else 0 (the file half of ResolveRootKey).
bool IsOrdinaryFile(const std::wstring& path);

// process_win32.cpp
bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message,
                int32_t timeoutMs, bool abortOnTimeout, uint32_t* exitCode = nullptr);
bool StartDetached(const std::wstring& commandLine, int windowStyle);
std::optional<std::wstring> RunAndRead(const std::wstring& commandLine, int32_t timeoutMs);
std::wstring SystemFolder();

// files_win32.cpp
bool FileExists(const std::wstring& path);
std::optional<std::wstring> ShortPath(const std::wstring& path);
bool SameFile(const std::wstring& first, const std::wstring& second);
std::optional<std::string> ToOemText(const std::wstring& text);
bool FindAnyEntry(const std::wstring& path, bool& searchFailed);
bool CopyFileOver(const std::wstring& source, const std::wstring& target);
bool RemoveFile(const std::wstring& path);
bool SetAttributes(const std::wstring& path, uint32_t attributes);
std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path);
std::optional<std::wstring> CreatePrivateFolder();
bool RemoveFolder(const std::wstring& path);
bool WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
void AppendTextLine(const std::wstring& path, const std::wstring& line);

// ini_win32.cpp
std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key);
bool WriteIniValue(const std::wstring& file, const std::wstring& section,
                   const std::wstring& key, const std::wstring& value);

// version_win32.cpp
bool GetVersionRecord(uint32_t size, VersionRecord& record);
int CleanBootState();
int32_t QueryOperatingSystemSku();

// resources_win32.cpp
std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name);

// network_win32.cpp
uint32_t GetConnection(const std::wstring& localName, std::wstring& remoteName,
                       uint32_t& bufferSize);

// shutdown_win32.cpp
bool ShutdownSystem(int32_t flags);


}  // namespace qv::win32
