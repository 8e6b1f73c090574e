// Services through the service control manager, which also knows the
// display names (translated ones too, from Vista on); what a service depends
// on from its key.
#include "system/service_catalog_win32.h"

#include <string>
#include <vector>

#include <windows.h>

#include "system/cause.h"
#include "system/handles_win32.h"

namespace qv::win32 {

namespace {

constexpr const wchar_t* kServicesKey = L"SYSTEM\\CurrentControlSet\\Services";

ServiceLookup Failed(DWORD error) { return {std::nullopt, error, ErrorCause(error)}; }

// A name the manager gives back: asked once for the size, then with room for it.
template <typename Call>
std::optional<std::wstring> AskForName(Call call) {
    DWORD size = 0;
    wchar_t probe[1] = {};
    if (call(probe, &size)) return std::wstring();
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    std::vector<wchar_t> buffer(size + 1);
    size = static_cast<DWORD>(buffer.size());
    if (!call(buffer.data(), &size)) return std::nullopt;
    return std::wstring(buffer.data());
}

std::optional<std::wstring> KeyNameOf(SC_HANDLE manager, const std::wstring& displayName) {
    return AskForName(
        [&](wchar_t* buffer, DWORD* size) { return GetServiceKeyNameW(manager, displayName.c_str(), buffer, size); });
}

std::optional<std::wstring> DisplayNameOf(SC_HANDLE manager, const std::wstring& keyName) {
    return AskForName(
        [&](wchar_t* buffer, DWORD* size) { return GetServiceDisplayNameW(manager, keyName.c_str(), buffer, size); });
}

// The names of a REG_MULTI_SZ value, each ended by a NUL; none when it is missing.
std::vector<std::wstring> MultiText(HKEY key, const wchar_t* value) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_MULTI_SZ && type != REG_SZ) return {};
    // Room for two NULs more, for data written without its own.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2);
    if (RegQueryValueExW(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return {};
    std::vector<std::wstring> names;
    for (const wchar_t* entry = buffer.data(); *entry; entry += wcslen(entry) + 1) names.emplace_back(entry);
    return names;
}

}  // namespace

ServiceLookup Win32ServiceCatalog::FindService(const std::wstring& name) {
    UniqueService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed(GetLastError());
    // A key name has a display name; the key name as Windows spells it comes
    // back through that. Else the name may be a display name itself.
    std::optional<std::wstring> keyName;
    if (const auto display = DisplayNameOf(manager.get(), name)) {
        keyName = KeyNameOf(manager.get(), *display);
        if (!keyName || keyName->empty()) keyName = name;
    } else {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DOES_NOT_EXIST && error != ERROR_INVALID_NAME) return Failed(error);
        keyName = KeyNameOf(manager.get(), name);
        if (!keyName || keyName->empty()) return Failed(ERROR_SERVICE_DOES_NOT_EXIST);
    }
    ServiceFacts facts;
    facts.keyName = *keyName;
    // The dependencies from the service's key, which the next start reads
    // (and Wine's manager does not give back).
    HKEY opened = nullptr;
    const std::wstring key = std::wstring(kServicesKey) + L"\\" + facts.keyName;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
        UniqueHkey serviceKey(opened);
        facts.services = MultiText(serviceKey.get(), L"DependOnService");
        facts.groups = MultiText(serviceKey.get(), L"DependOnGroup");
    }
    return {std::move(facts), 0, {}};
}

}  // namespace qv::win32
