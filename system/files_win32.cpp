// File services: existence, identity, copy, delete, attributes, whole writes,
// appends, and the console code page of batch texts.
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "system/ansi_win32.h"
#include "system/handles_win32.h"
#include "system/security_win32.h"
#include "system/system_library_win32.h"
#include "system/text.h"
#include "system/platform_win32.h"
#include "system/files_win32.h"

namespace qv::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

UniqueHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share, DWORD flags) {
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// Files written for elevated commands, held open against changes until removed.
std::map<std::wstring, UniqueHandle>& HeldFiles() {
    static std::map<std::wstring, UniqueHandle> held;
    return held;
}

// Administrators and the system only, and nothing inherited from above.
constexpr wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace

bool Win32Platform::FileExists(const std::wstring& path) {
    // Callers rely on false for a folder and for a file locked against reading.
    if (path.empty()) return false;
    UniqueHandle file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL);
    BY_HANDLE_FILE_INFORMATION info{};
    return file && GetFileInformationByHandle(file.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::wstring> Win32Platform::ShortPath(const std::wstring& path) {
    // A buffer too small gets the size needed; tried again until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

bool Win32Platform::SameFile(const std::wstring& first, const std::wstring& second) {
    // No access rights asked: a file locked by another program still compares.
    auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        UniqueHandle file = OpenExisting(path, 0, kShareAll, FILE_FLAG_BACKUP_SEMANTICS);
        return file && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return identify(first, a) && identify(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

std::optional<std::string> Win32Platform::ToOemText(const std::wstring& text) {
    if (text.empty()) return std::string();
    // Without WC_NO_BEST_FIT_CHARS "ō" would pass as "o" and name another path.
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int size =
        WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (size == 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.data(), length, out.data(), size, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

std::optional<bool> Win32Platform::FindAnyEntry(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(path.c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            return std::nullopt;
        return false;
    }
    // The volume label is no entry of a folder; everything else counts.
    return true;
}

bool Win32Platform::CopyFileOver(const std::wstring& source, const std::wstring& target) {
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool Win32Platform::RemoveFile(const std::wstring& path) {
    HeldFiles().erase(LowerCase(path));
    return DeleteFileW(path.c_str()) != FALSE;
}

std::optional<std::wstring> Win32Platform::CreatePrivateFolder() {
    const UniqueLocal descriptor = DescriptorFromSddl(kPrivateFolderSddl);
    if (!descriptor) return std::nullopt;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};

    // The Windows folder's Temp, not the user's: the user's own programs may
    // write there. A name that exists already is never reused.
    std::optional<std::wstring> made;
    const std::wstring temp = WindowsDirectory() + L"\\Temp";
    CreateDirectoryW(temp.c_str(), nullptr);
    for (int attempt = 0; attempt < 16 && !made; ++attempt) {
        const std::wstring folder = temp + L"\\Quorvine-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                    std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(folder.c_str(), &attributes))
            made = folder;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return made;
}

bool Win32Platform::RemoveFolder(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != FALSE; }

bool Win32Platform::WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    {
        HANDLE created =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE) return false;
        UniqueHandle file(created);
        DWORD written = 0;
        if (!bytes.empty() &&
            (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
             written != bytes.size()))
            return false;
    }
    // Readers may open it; nobody may write, rename or delete it while held.
    UniqueHandle held = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
    if (!held) return false;
    // What the command will read is what was written, or nothing runs.
    std::vector<uint8_t> back(bytes.size() + 1);
    DWORD read = 0;
    if (!ReadFile(held.get(), back.data(), static_cast<DWORD>(back.size()), &read, nullptr) || read != bytes.size() ||
        !std::equal(bytes.begin(), bytes.end(), back.begin()))
        return false;
    HeldFiles()[LowerCase(path)] = std::move(held);
    return true;
}

std::optional<uint32_t> Win32Platform::GetAttributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    // Only those SetFileAttributesW can give back.
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return attributes & kSettable;
}

bool Win32Platform::SetAttributes(const std::wstring& path, uint32_t attributes) {
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) {
    UniqueHandle file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    return bytes;
}

bool IsOrdinaryFile(const std::wstring& path) {
    // A wildcard names no one file.
    if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos) return false;
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(path.c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) return false;
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return (data.dwFileAttributes & kNotOrdinary) == 0;
}

std::optional<std::vector<uint8_t>> Win32Platform::ReadBytes(const std::wstring& path) {
    return qv::win32::ReadBytes(path);
}

uint32_t Win32Platform::DriveType(const std::wstring& root) { return GetDriveTypeW(root.c_str()); }

uint32_t Win32Platform::OemCodePage() { return GetOEMCP(); }

bool Win32Platform::MakeAdminOnlyFolder(const std::wstring& path) {
    const UniqueLocal descriptor = DescriptorFromSddl(kPrivateFolderSddl);
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    if (CreateDirectoryW(path.c_str(), &attributes)) return true;
    // One left from an earlier run gets the same protection again.
    return GetLastError() == ERROR_ALREADY_EXISTS &&
           (GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               FILE_ATTRIBUTE_DIRECTORY &&
           SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get());
}

bool Win32Platform::RenameFile(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32Platform::DeleteAtRestart(const std::wstring& path) {
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool Win32Platform::WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    // CREATE_ALWAYS cuts a longer leftover of the same name.
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return false;
    }
    DWORD written = 0;
    if (bytes.empty()) return true;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::optional<TextFile> Win32Platform::ReadTextFile(const std::wstring& path) {
    auto bytes = ReadBytes(path);
    if (!bytes) return std::nullopt;
    TextFile content;
    if (bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) {
        content.utf16 = true;
        for (size_t at = 2; at + 1 < bytes->size(); at += 2)
            content.text.push_back(static_cast<wchar_t>((*bytes)[at] | ((*bytes)[at + 1] << 8)));
        return content;
    }
    content.text = FromAnsi(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return content;
}

bool Win32Platform::WriteTextFile(const std::wstring& path, const TextFile& content) {
    std::vector<uint8_t> bytes;
    if (content.utf16) {
        bytes = {0xFF, 0xFE};
        for (wchar_t c : content.text) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
    } else {
        // The boot loader reads boot.ini in the ANSI code page.
        const std::string ansi = ToAnsi(content.text);
        bytes.assign(ansi.begin(), ansi.end());
    }
    return WriteBytes(path, bytes);
}

bool Win32Platform::ReplaceWith(const std::wstring& target, const std::wstring& replacement) {
    // The move's write-through covers the rename only: the replacement's own
    // bytes go to the disk first, so a power cut never leaves a target that
    // names unwritten data.
    {
        UniqueHandle file = OpenExisting(replacement, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
        if (!file || !FlushFileBuffers(file.get())) return false;
    }
    return MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

}  // namespace qv::win32
