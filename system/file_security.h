// Who may change a file or folder, judged from its owner and access list:
// a program or file that lies near Quorvine is used, with administrator
// rights, only when nobody but administrators could have put it there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// A security descriptor as the decision needs it; SIDs in their "S-1-..." form.
struct AccessEntry {
    bool allows = true;  // an access-allowed entry; false for one that denies
    bool inheritOnly = false;
    uint32_t mask = 0;
    std::wstring sid;
};
struct SecurityDescription {
    std::wstring owner;
    bool hasDacl = true;  // false: a NULL DACL, which lets everyone do everything
    std::vector<AccessEntry> entries;
};

inline constexpr wchar_t kSystemSid[] = L"S-1-5-18";
inline constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
inline constexpr wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// True when only administrators, SYSTEM and TrustedInstaller (and, for 2000
// and XP, Power Users) own the object or may write, append, delete, or change
// its access list or owner.
bool OnlyAdministratorsCanChange(const SecurityDescription& security);
// The same for a path, read from Windows; false when it cannot be read.
bool OnlyAdministratorsCanChange(const std::wstring& path);

// Whether a companion file may be used: it exists, and it and its folder pass
// the test above. One output line tells why one that exists is skipped.
bool TrustedCompanion(const std::wstring& path);

}  // namespace qv
