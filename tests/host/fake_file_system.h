// The file system of the host tests: the fake world's files, and the
// failures a test arranges.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_world.h"
#include "system/file_system.h"

namespace qv::testing {

class FakeFileSystem : public FileSystem, public virtual FakeWorld {
public:
    // Lower-case path -> the code Windows would give: every change to it fails so.
    std::map<std::wstring, uint32_t> failures;
    std::optional<Done> Arranged(const std::wstring& path) const {
        const auto it = failures.find(LowerCase(path));
        if (it == failures.end()) return std::nullopt;
        return Done::Failed(it->second);
    }
    std::map<std::wstring, std::wstring> shortPaths;   // lower-case path -> its 8.3 form
    std::map<std::wstring, std::wstring> fileAliases;  // path -> canonical path, both lower-case

    bool noPrivateFolder = false;
    int privateFolders = 0;
    std::set<std::wstring> folders;  // lower-cased
    Done CreatePrivateFolder(std::wstring& folder) override {
        if (noPrivateFolder) return Done::Failed(kErrorAccessDenied);
        folder = L"C:\\WINDOWS\\Temp\\Quorvine-" + std::to_wstring(++privateFolders);
        folders.insert(LowerCase(folder));
        Step(L"mkdir:" + folder);
        return {};
    }
    Done RemoveFolder(const std::wstring& path) override {
        Step(L"rmdir:" + path);
        return folders.erase(LowerCase(path)) != 0 ? Done() : Done::Failed(kErrorPathNotFound);
    }
    Done WriteHeldFile(const std::wstring& path, const std::vector<uint8_t>& bytes) override {
        return WriteBytes(path, bytes);
    }

    bool FileExists(const std::wstring& path) override { return HasFile(path); }
    std::optional<std::wstring> ShortPath(const std::wstring& path) override {
        auto it = shortPaths.find(LowerCase(path));
        if (it == shortPaths.end()) return std::nullopt;
        return it->second;
    }
    bool SameFile(const std::wstring& first, const std::wstring& second) override {
        auto canonical = [this](const std::wstring& path) {
            auto it = fileAliases.find(LowerCase(path));
            return it == fileAliases.end() ? LowerCase(path) : it->second;
        };
        const std::wstring target = canonical(first);
        const bool exists = files.count(target) != 0 || target == LowerCase(exePath);
        return exists && target == canonical(second);
    }
    std::optional<bool> FindAnyEntry(const std::wstring& path) override { return HasFile(path); }
    Done CopyFileOver(const std::wstring& source, const std::wstring& target) override {
        if (auto failed = Arranged(target)) return *failed;
        auto it = files.find(LowerCase(source));
        if (readOnlyFiles.count(LowerCase(target))) return Done::Failed(kErrorAccessDenied);
        if (LowerCase(source) == LowerCase(exePath) && it == files.end()) {
            files[LowerCase(target)] = File{exeBytes, 0x20};
            Step(L"copy:" + source + L"->" + target);
            return {};
        }
        if (it == files.end()) return Done::Failed(kErrorFileNotFound);
        files[LowerCase(target)] = it->second;
        Step(L"copy:" + source + L"->" + target);
        return {};
    }
    std::set<std::wstring> undeletableFiles;  // lower-case: held open by another program
    Done RemoveFile(const std::wstring& path) override {
        Step(L"remove:" + path);
        if (auto failed = Arranged(path)) return *failed;
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return Done::Failed(kErrorFileNotFound);
        if (it->second.attributes & 1) return Done::Failed(kErrorAccessDenied);  // read-only stays
        if (undeletableFiles.count(LowerCase(path))) return Done::Failed(kErrorSharingViolation);
        files.erase(it);
        return {};
    }
    std::optional<uint32_t> GetAttributes(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return std::nullopt;
        return it->second.attributes;
    }
    // Lower-cased path -> its descriptor; any other path reads as one that only
    // administrators may change, and one mapped to nothing cannot be read.
    std::map<std::wstring, std::optional<SecurityDescription>> security;
    std::optional<SecurityDescription> ReadSecurity(const std::wstring& path) override {
        auto it = security.find(LowerCase(path));
        if (it == security.end()) return SecurityDescription{kAdministratorsSid, true, {}};
        return it->second;
    }
    Done SetAttributes(const std::wstring& path, uint32_t attributes) override {
        if (auto failed = Arranged(path)) return *failed;
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return Done::Failed(kErrorFileNotFound);
        it->second.attributes = attributes;
        return {};
    }
    // Text files hold one byte a letter; boot.ini tests need no more.
    std::optional<TextFile> ReadTextFile(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it == files.end()) return std::nullopt;
        return TextFile{std::wstring(it->second.bytes.begin(), it->second.bytes.end()), false};
    }
    Done WriteTextFile(const std::wstring& path, const TextFile& content) override {
        if (auto failed = Arranged(path)) return *failed;
        if (readOnlyFiles.count(LowerCase(path))) return Done::Failed(kErrorAccessDenied);
        auto& file = files[LowerCase(path)];
        file.bytes.clear();
        for (wchar_t c : content.text) file.bytes.push_back(static_cast<uint8_t>(c));
        Step(L"writetext:" + path);
        return {};
    }
    Done WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) override {
        if (auto failed = Arranged(path)) return *failed;
        files[LowerCase(path)] = File{bytes, 0x20};
        Step(L"writefile:" + path);
        return {};
    }
    bool replaceFails = false;
    Done ReplaceWith(const std::wstring& target, const std::wstring& replacement) override {
        if (auto failed = Arranged(target)) return *failed;
        auto it = files.find(LowerCase(replacement));
        if (it == files.end()) return Done::Failed(kErrorFileNotFound);
        if (replaceFails || readOnlyFiles.count(LowerCase(target))) return Done::Failed(kErrorAccessDenied);
        files[LowerCase(target)] = it->second;
        files.erase(LowerCase(replacement));
        Step(L"replace:" + target);
        return {};
    }

    std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path) override {
        auto it = files.find(LowerCase(path));
        if (it != files.end()) return it->second.bytes;
        if (LowerCase(path) == LowerCase(exePath)) return exeBytes;
        return std::nullopt;
    }
    std::vector<uint8_t> exeBytes{'M', 'Z', 0x90, 0};  // the running exe's content
    std::set<std::wstring> adminFolders;               // lower-case
    bool adminFolderFails = false;
    Done MakeAdminOnlyFolder(const std::wstring& path) override {
        Step(L"adminfolder:" + path);
        if (adminFolderFails) return Done::Failed(kErrorAccessDenied);
        adminFolders.insert(LowerCase(path));
        return {};
    }
    Done RenameFile(const std::wstring& from, const std::wstring& to) override {
        if (auto failed = Arranged(to)) return *failed;
        auto it = files.find(LowerCase(from));
        if (it == files.end()) return Done::Failed(kErrorFileNotFound);
        File moved = it->second;
        files.erase(it);
        files[LowerCase(to)] = moved;
        Step(L"rename:" + from + L"->" + to);
        return {};
    }
    std::vector<std::wstring> deletedAtRestart;
    Done DeleteAtRestart(const std::wstring& path) override {
        deletedAtRestart.push_back(path);
        Step(L"deleteatrestart:" + path);
        return {};
    }
};

}  // namespace qv::testing
