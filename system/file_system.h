// Files and folders, by full path. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "system/done.h"
#include "system/file_security.h"

namespace qv {

// File attributes the boot.ini editor sets.
inline constexpr uint32_t kAttributeReadOnly = 1;
inline constexpr uint32_t kAttributeHidden = 2;
inline constexpr uint32_t kAttributeSystem = 4;

struct TextFile {
    std::wstring text;
    bool utf16 = false;  // UTF-16 with its byte-order mark, else the ANSI code page
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool FileExists(const std::wstring& path) = 0;
    // The short (8.3) form of an existing path; empty when the system gives none.
    virtual std::optional<std::wstring> ShortPath(const std::wstring& path) = 0;
    // True when both paths name the same existing file (same volume and file index).
    virtual bool SameFile(const std::wstring& first, const std::wstring& second) = 0;
    // A directory search that also finds hidden and system files and folders.
    // Whether the entry is there; empty when the search itself failed.
    virtual std::optional<bool> FindAnyEntry(const std::wstring& path) = 0;
    virtual Done CopyFileOver(const std::wstring& source, const std::wstring& target) = 0;
    virtual Done RemoveFile(const std::wstring& path) = 0;
    // The attributes SetAttributes can give back; empty for a missing file.
    virtual std::optional<uint32_t> GetAttributes(const std::wstring& path) = 0;
    virtual Done SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
    // The owner and access list of a file or folder; empty when unreadable.
    virtual std::optional<SecurityDescription> ReadSecurity(const std::wstring& path) = 0;
    // The whole file; empty when it cannot be opened.
    virtual std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) = 0;
    // Whole text files, in the ANSI code page or, after a byte-order mark, UTF-16.
    virtual std::optional<TextFile> ReadTextFile(const std::wstring& path) = 0;
    virtual Done WriteTextFile(const std::wstring& path, const TextFile& content) = 0;
    // Writes the whole file anew, cut to the length of `bytes`.
    virtual Done WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) = 0;
    // Puts `replacement` in the place of `target` in one step, once its bytes
    // are on the disk: a failure leaves `target` as it was.
    virtual Done ReplaceWith(const std::wstring& target, const std::wstring& replacement) = 0;
    // A new folder that only administrators and the system may write to, for
    // files handed to elevated commands, named in `folder` when done.
    virtual Done CreatePrivateFolder(std::wstring& folder) = 0;
    virtual Done RemoveFolder(const std::wstring& path) = 0;
    // Writes the file and keeps it from being changed, replaced or deleted
    // by anyone else until RemoveFile; false when the bytes did not stay as written.
    virtual Done WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) = 0;
    // Makes the folder, or takes over the one there, so that only
    // administrators and the system may change it.
    virtual Done MakeAdminOnlyFolder(const std::wstring& path) = 0;
    // A file or empty folder that goes at the next start of Windows.
    virtual Done DeleteAtRestart(const std::wstring& path) = 0;
    // A new name on the same drive, also for the running program's own file
    // (which cannot be deleted); a file of that name is replaced.
    virtual Done RenameFile(const std::wstring& from, const std::wstring& to) = 0;
};

// The file system in force (seams.h installs it).
FileSystem& Files();

}  // namespace qv
