#include "system/file_security.h"

#include "system/seams.h"

namespace qv {

namespace {

// Write data or add a file, append or add a folder, delete a child, delete,
// WRITE_DAC, WRITE_OWNER, GENERIC_ALL, GENERIC_WRITE.
constexpr uint32_t kChangeRights =
    0x0002 | 0x0004 | 0x0040 | 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 | 0x40000000;

// Power Users may change Program Files on 2000 and XP, where they can make
// themselves administrators anyway; later Windows grant them nothing there.
constexpr wchar_t kPowerUsersSid[] = L"S-1-5-32-547";

bool Trusted(const std::wstring& sid) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid || sid == kPowerUsersSid;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    // "C:\x" lies in "C:\", whose own descriptor counts.
    return path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

}  // namespace

bool OnlyAdministratorsCanChange(const SecurityDescription& security) {
    if (!Trusted(security.owner) || !security.hasDacl) return false;
    for (const AccessEntry& entry : security.entries) {
        // A denying entry only takes rights away; an inherit-only one (CREATOR
        // OWNER, say) applies to what is created inside, not to this object.
        if (!entry.allows || entry.inheritOnly || Trusted(entry.sid)) continue;
        if (entry.mask & kChangeRights) return false;
    }
    return true;
}

bool OnlyAdministratorsCanChange(const std::wstring& path) {
    const auto security = Files().ReadSecurity(path);
    return security && OnlyAdministratorsCanChange(*security);
}

bool TrustedCompanion(const std::wstring& path) {
    if (!Files().FileExists(path)) return false;
    // Whoever may change the folder may swap the file in it.
    for (const std::wstring& checked : {path, FolderOf(path)}) {
        const auto security = Files().ReadSecurity(checked);
        std::wstring why;
        if (!security)
            why = L"the security of " + checked + L" could not be read";
        else if (!OnlyAdministratorsCanChange(*security))
            why = L"users other than administrators can change " + checked;
        if (!why.empty()) {
            User().WriteOutputLine(L"skipped: " + path + L", because " + why);
            return false;
        }
    }
    return true;
}

}  // namespace qv
