// The Win32 side of the seams, one class each; Win32Seams holds all six for
// installing at start-up.
#pragma once

#include "system/seams.h"

namespace qv::win32 {

class Win32SettingsStore : public SettingsStore {
public:
    int32_t ReadSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& type, const SettingValue& defaultValue, SettingValue& result) override;
    int32_t WriteSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                         const std::wstring& type, const SettingValue& value) override;
    RawRead ReadRawSetting(const std::wstring& location, const std::wstring& keyPath,
                           const std::wstring& valueName) override;
    int32_t WriteRawSetting(const std::wstring& location, const std::wstring& keyPath, const std::wstring& valueName,
                            const RawSetting& value) override;
    int32_t DeleteSetting(const std::wstring& location, const std::wstring& keyPath,
                          const std::wstring& valueName) override;
    std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key) override;
    Done WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value) override;
};

class Win32FileSystem : public FileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    std::optional<std::wstring> ShortPath(const std::wstring& path) override;
    bool SameFile(const std::wstring& first, const std::wstring& second) override;
    std::optional<bool> FindAnyEntry(const std::wstring& path) override;
    Done CopyFileOver(const std::wstring& source, const std::wstring& target) override;
    Done RemoveFile(const std::wstring& path) override;
    std::optional<uint32_t> GetAttributes(const std::wstring& path) override;
    Done SetAttributes(const std::wstring& path, uint32_t attributes) override;
    std::optional<SecurityDescription> ReadSecurity(const std::wstring& path) override;
    std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) override;
    std::optional<TextFile> ReadTextFile(const std::wstring& path) override;
    Done WriteTextFile(const std::wstring& path, const TextFile& content) override;
    Done WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) override;
    Done ReplaceWith(const std::wstring& target, const std::wstring& replacement) override;
    Done CreatePrivateFolder(std::wstring& folder) override;
    Done RemoveFolder(const std::wstring& path) override;
    Done WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) override;
    Done MakeAdminOnlyFolder(const std::wstring& path) override;
    Done DeleteAtRestart(const std::wstring& path) override;
    Done RenameFile(const std::wstring& from, const std::wstring& to) override;
};

class Win32UserChannel : public UserChannel {
public:
    int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) override;
    void WriteOutputLine(const std::wstring& line) override;
};

class Win32RunningWindows : public RunningWindows {
public:
    std::optional<VersionRecord> GetVersionRecord(uint32_t size) override;
    int CleanBootState() override;
    int32_t QueryOperatingSystemSku() override;
    bool Is64BitWindows() override;
    std::wstring SystemFolder() override;
    std::wstring WindowsFolder() override;
    uint32_t OemCodePage() override;
    std::optional<std::string> ToOemText(const std::wstring& text) override;
    uint32_t DriveType(const std::wstring& root) override;
    Connection GetConnection(const std::wstring& drive) override;
    std::wstring ErrorText(uint32_t code) override;
};

class Win32ThisProgram : public ThisProgram {
public:
    std::wstring CommandLine() override;
    std::wstring ExecutablePath() override;
    std::wstring GetEnv(const std::wstring& name) override;
    std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name) override;
    bool AcquireOperationLock(uint32_t timeoutMs) override;
    void ReleaseOperationLock() override;
};

class Win32ProgramStarter : public ProgramStarter {
public:
    bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message, int32_t timeoutMs,
                    bool abortOnTimeout, uint32_t* exitCode) override;
    Done StartDetached(const std::wstring& commandLine, int windowStyle) override;
    std::optional<std::wstring> RunAndRead(const std::wstring& commandLine, int32_t timeoutMs) override;
    bool ShutdownSystem(int32_t flags) override;
};

struct Win32Seams {
    Win32SettingsStore settings;
    Win32FileSystem files;
    Win32UserChannel user;
    Win32RunningWindows windows;
    Win32ThisProgram program;
    Win32ProgramStarter programs;
    Seams All() { return {&settings, &files, &user, &windows, &program, &programs}; }
};

}  // namespace qv::win32
