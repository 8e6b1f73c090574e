#include "system/security_win32.h"

#include <sddl.h>
#include <aclapi.h>

#include "system/system_library_win32.h"

namespace qv::win32 {

namespace {

std::wstring SidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return {};
    UniqueLocal owned(text);
    return text;
}

}  // namespace

UniqueLocal DescriptorFromSddl(const wchar_t* sddl) {
    // Looked up at run time, like every advapi32 function Windows 2000 may lack.
    using ConvertFn = BOOL(WINAPI*)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    static const auto convert =
        SystemFunctionAs<ConvertFn>(L"advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorW");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!convert || !convert(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return nullptr;
    return UniqueLocal(descriptor);
}

SecurityDescription DescribeSecurity(PSECURITY_DESCRIPTOR descriptor) {
    SecurityDescription security;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) security.owner = SidText(owner);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl) {
        security.hasDacl = false;
        return security;
    }
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* raw = nullptr;
        if (!GetAce(dacl, index, &raw)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        AccessEntry entry;
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            // Both kinds lay out the mask and the SID alike.
            const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
            entry.allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
            entry.mask = ace->Mask;
            entry.sid = SidText(const_cast<DWORD*>(&ace->SidStart));
        } else {
            // A kind not known here is taken as granting anyone everything.
            entry.mask = 0xFFFFFFFF;
        }
        security.entries.push_back(entry);
    }
    return security;
}

}  // namespace qv::win32
