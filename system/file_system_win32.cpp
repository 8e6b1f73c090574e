// The file system: existence, identity, copy, delete, attributes, security,
// whole reads and writes, held files and private folders.
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>
#include <aclapi.h>

#include "system/ansi_win32.h"
#include "system/error_text_win32.h"
#include "system/files_win32.h"
#include "system/handles_win32.h"
#include "system/seams_win32.h"
#include "system/security_win32.h"
#include "system/system_library_win32.h"
#include "system/text.h"

namespace qv::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// CreateFileW's handle, held; null for none, GetLastError() still telling why.
UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

UniqueHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share, DWORD flags) {
    return OpenFile(path, access, share, OPEN_EXISTING, flags);
}

// All of `bytes` into the file, or the reason why not; a short write has no
// error of its own.
Done WriteAll(HANDLE file, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return {};
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return Done::Failed(GetLastError());
    return written == bytes.size() ? Done() : Done::Failed(ERROR_WRITE_FAULT);
}

// Files written for elevated commands, held open against changes until removed.
std::map<std::wstring, UniqueHandle>& HeldFiles() {
    static std::map<std::wstring, UniqueHandle> held;
    return held;
}

// Administrators and the system only, and nothing inherited from above.
constexpr wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

}  // namespace

bool Win32FileSystem::FileExists(const std::wstring& path) {
    // Callers rely on false for a folder and for a file locked against reading.
    if (path.empty()) return false;
    UniqueHandle file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL);
    BY_HANDLE_FILE_INFORMATION info{};
    return file && GetFileInformationByHandle(file.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::wstring> Win32FileSystem::ShortPath(const std::wstring& path) {
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

bool Win32FileSystem::SameFile(const std::wstring& first, const std::wstring& second) {
    // No access rights asked: a file locked by another program still compares.
    auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        UniqueHandle file = OpenExisting(path, 0, kShareAll, FILE_FLAG_BACKUP_SEMANTICS);
        return file && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return identify(first, a) && identify(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

std::optional<bool> Win32FileSystem::FindAnyEntry(const std::wstring& path) {
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

Done Win32FileSystem::CopyFileOver(const std::wstring& source, const std::wstring& target) {
    return Checked(CopyFileW(source.c_str(), target.c_str(), FALSE));
}

Done Win32FileSystem::RemoveFile(const std::wstring& path) {
    HeldFiles().erase(LowerCase(path));
    return Checked(DeleteFileW(path.c_str()));
}

Done Win32FileSystem::CreatePrivateFolder(std::wstring& folder) {
    const UniqueLocal descriptor = DescriptorFromSddl(kPrivateFolderSddl);
    if (!descriptor) return Done::Failed(GetLastError());
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};

    // The Windows folder's Temp, not the user's: the user's own programs may
    // write there. A name that exists already is never reused.
    const std::wstring temp = Windows().WindowsFolder() + L"\\Temp";
    CreateDirectoryW(temp.c_str(), nullptr);
    Done made = Done::Failed(ERROR_ALREADY_EXISTS);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring name = temp + L"\\Quorvine-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount() + attempt);
        made = Checked(CreateDirectoryW(name.c_str(), &attributes));
        if (made) {
            folder = name;
            break;
        }
        if (made.Code() != ERROR_ALREADY_EXISTS) break;
    }
    return made;
}

Done Win32FileSystem::RemoveFolder(const std::wstring& path) { return Checked(RemoveDirectoryW(path.c_str())); }

Done Win32FileSystem::WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    {
        const UniqueHandle file = OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (!file) return Done::Failed(GetLastError());
        if (Done written = WriteAll(file.get(), bytes); !written) return written;
    }
    // Readers may open it; nobody may write, rename or delete it while held.
    UniqueHandle held = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
    if (!held) return Done::Failed(GetLastError());
    // What the command will read is what was written, or nothing runs.
    std::vector<uint8_t> back(bytes.size() + 1);
    DWORD read = 0;
    if (!ReadFile(held.get(), back.data(), static_cast<DWORD>(back.size()), &read, nullptr))
        return Done::Failed(GetLastError());
    if (read != bytes.size() || !std::equal(bytes.begin(), bytes.end(), back.begin()))
        return Done::Failed(ERROR_WRITE_FAULT);
    HeldFiles()[LowerCase(path)] = std::move(held);
    return {};
}

std::optional<uint32_t> Win32FileSystem::GetAttributes(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    // Only those SetFileAttributesW can give back.
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return attributes & kSettable;
}

Done Win32FileSystem::SetAttributes(const std::wstring& path, uint32_t attributes) {
    return Checked(SetFileAttributesW(path.c_str(), attributes));
}

std::optional<std::vector<uint8_t>> Win32FileSystem::ReadBytes(const std::wstring& path) {
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

Done Win32FileSystem::MakeAdminOnlyFolder(const std::wstring& path) {
    const UniqueLocal descriptor = DescriptorFromSddl(kPrivateFolderSddl);
    if (!descriptor) return Done::Failed(GetLastError());
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    if (CreateDirectoryW(path.c_str(), &attributes)) return {};
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return Done::Failed(error);
    // One left from an earlier run gets the same protection again; a file or
    // a link of that name is no such folder.
    if ((GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
        FILE_ATTRIBUTE_DIRECTORY)
        return Done::Failed(ERROR_ALREADY_EXISTS);
    return Checked(SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get()));
}

Done Win32FileSystem::RenameFile(const std::wstring& from, const std::wstring& to) {
    return Checked(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
}

Done Win32FileSystem::DeleteAtRestart(const std::wstring& path) {
    return Checked(MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

Done Win32FileSystem::WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    // CREATE_ALWAYS cuts a longer leftover of the same name.
    const UniqueHandle file = OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!file) return Done::Failed(GetLastError());
    return WriteAll(file.get(), bytes);
}

std::optional<TextFile> Win32FileSystem::ReadTextFile(const std::wstring& path) {
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

Done Win32FileSystem::WriteTextFile(const std::wstring& path, const TextFile& content) {
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

Done Win32FileSystem::ReplaceWith(const std::wstring& target, const std::wstring& replacement) {
    // The move's write-through covers the rename only: the replacement's own
    // bytes go to the disk first, so a power cut never leaves a target that
    // names unwritten data.
    {
        const UniqueHandle file = OpenExisting(replacement, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL);
        if (!file) return Done::Failed(GetLastError());
        if (Done flushed = Checked(FlushFileBuffers(file.get())); !flushed) return flushed;
    }
    return Checked(
        MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

std::optional<SecurityDescription> Win32FileSystem::ReadSecurity(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    UniqueLocal owned(descriptor);
    return DescribeSecurity(descriptor);
}

}  // namespace qv::win32
