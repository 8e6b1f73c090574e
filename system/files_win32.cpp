// File services: existence, copy, delete, attributes, whole writes, appends.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/handles_win32.h"
#include "system/win32.h"

namespace qv::win32 {

namespace {
constexpr UINT kOfExist = 0x4000;
}

bool FileExists(const std::wstring& path) {
    // OpenFile answers false for folders, files locked against reading and
    // paths longer than its limit, which is what the callers rely on.
    OFSTRUCT info{};
    info.cBytes = sizeof(info);
    return OpenFile(ToAnsi(path).c_str(), &info, kOfExist) != HFILE_ERROR;
}

bool FindAnyEntry(const std::wstring& path, bool& searchFailed) {
    searchFailed = false;
    WIN32_FIND_DATAA data{};
    UniqueFind find(FindFirstFileA(ToAnsi(path).c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
            error != ERROR_NO_MORE_FILES) {
            searchFailed = true;
        }
        return false;
    }
    // The volume label is no entry of a folder; everything else counts.
    return true;
}

bool CopyFileOver(const std::wstring& source, const std::wstring& target) {
    return CopyFileA(ToAnsi(source).c_str(), ToAnsi(target).c_str(), FALSE) != FALSE;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileA(ToAnsi(path).c_str()) != FALSE; }

bool SetAttributes(const std::wstring& path, uint32_t attributes) {
    return SetFileAttributesA(ToAnsi(path).c_str(), attributes) != FALSE;
}

std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) {
    UniqueHandle file(CreateFileA(ToAnsi(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    // CREATE_ALWAYS cuts a longer leftover of the same name.
    UniqueHandle file(CreateFileA(ToAnsi(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    DWORD written = 0;
    if (bytes.empty()) return true;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void AppendTextLine(const std::wstring& path, const std::wstring& line) {
    UniqueHandle file(CreateFileA(ToAnsi(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return;  // a folder missing, a file locked or no rights: passed over
    }
    std::string text = ToAnsi(line) + "\r\n";
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace qv::win32
