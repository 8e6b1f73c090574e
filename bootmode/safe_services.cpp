#include "bootmode/safe_services.h"

#include <algorithm>

#include "bootmode/way_back.h"
#include "system/cause.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/registry_keys.h"
#include "system/service_catalog.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr wchar_t kRecordSeparator = L'/';

bool Holds(const std::vector<std::wstring>& list, const std::wstring& name) {
    const std::wstring lower = LowerCase(name);
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& item) { return LowerCase(item) == lower; });
}

std::wstring SafeBootPath(const std::wstring& entry) { return std::wstring(kSafeBootKey) + L"\\" + entry; }

std::vector<std::wstring> ReadRecord() {
    SettingValue text;
    Settings().ReadSetting(L"HKLM", kProgramKey, kSafeBootServicesValue, L"S", std::wstring(), text);
    return SplitServiceRecord(SettingAsText(text));
}

int32_t WriteRecord(const std::vector<std::wstring>& entries) {
    if (entries.empty()) return Settings().DeleteSetting(L"HKLM", kProgramKey, kSafeBootServicesValue);
    return Settings().WriteSetting(L"HKLM", kProgramKey, kSafeBootServicesValue, L"S", JoinServiceRecord(entries));
}

}  // namespace

std::vector<std::wstring> SplitServiceRecord(const std::wstring& text) {
    std::vector<std::wstring> entries;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(kRecordSeparator, start), text.size());
        if (end > start) entries.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::wstring JoinServiceRecord(const std::vector<std::wstring>& entries) {
    std::wstring text;
    for (const std::wstring& entry : entries) text += (text.empty() ? L"" : std::wstring(1, kRecordSeparator)) + entry;
    return text;
}

SafeModeServices FindSafeModeServices(const std::vector<std::wstring>& names, std::vector<Problem>& refused) {
    SafeModeServices found;
    std::vector<std::wstring> pending = names;
    for (size_t next = 0; next < pending.size(); ++next) {
        const bool asked = next < names.size();
        const ServiceLookup lookup = Services().FindService(pending[next]);
        if (!lookup.facts) {
            // A dependency that is gone keeps the service from starting in
            // Normal Mode too; only what was typed is refused.
            if (asked) refused.push_back({ProblemKind::ServiceUnknown, pending[next], lookup.reason});
            continue;
        }
        if (Holds(found.services, lookup.facts->keyName)) continue;
        found.services.push_back(lookup.facts->keyName);
        for (const std::wstring& service : lookup.facts->services)
            if (!Holds(pending, service)) pending.push_back(service);
        for (const std::wstring& group : lookup.facts->groups)
            if (!Holds(found.groups, group)) found.groups.push_back(group);
    }
    return found;
}

bool AddSafeModeServices(const SafeModeServices& services, bool network, ModeResult& result) {
    const std::wstring mode = network ? L"Network" : L"Minimal";
    // Windows starts no service of a group its SafeBoot key does not hold.
    for (const std::wstring& group : services.groups)
        if (Keys().KeyExists(SafeBootPath(mode + L"\\" + group)) != true)
            result.Add(ProblemKind::ServiceGroupMissing, group);
    std::vector<std::wstring> recorded = ReadRecord();
    std::vector<std::wstring> addedNow;
    for (const std::wstring& service : services.services) {
        const std::wstring entry = mode + L"\\" + service;
        bool created = false;
        int32_t status = Keys().CreateKey(SafeBootPath(entry), kSafeBootServiceValue, created);
        if (status == 0 && !created) {
            // Also one that an earlier run added and could not take away.
            (Holds(recorded, entry) ? result.servicesAdded : result.servicesFound).push_back(entry);
            continue;
        }
        // Recorded once it is there, so the record never names an entry that
        // was there before; a key made but not recorded goes again.
        if (status == 0) {
            recorded.push_back(entry);
            status = WriteRecord(recorded);
            if (status != 0) {
                recorded.pop_back();
                Keys().DeleteKey(SafeBootPath(entry));
            }
        }
        if (status != 0) {
            result.Add(ProblemKind::ServiceNotAdded, entry, StatusCause(status));
            for (const std::wstring& added : addedNow) Keys().DeleteKey(SafeBootPath(added));
            recorded.erase(std::remove_if(recorded.begin(), recorded.end(),
                                          [&](const std::wstring& item) { return Holds(addedNow, item); }),
                           recorded.end());
            WriteRecord(recorded);
            result.servicesAdded.clear();
            result.servicesFound.clear();
            return false;
        }
        addedNow.push_back(entry);
        result.servicesAdded.push_back(entry);
    }
    return true;
}

void TakeBackSafeModeServices(ModeResult& result) {
    const std::vector<std::wstring> recorded = ReadRecord();
    if (recorded.empty()) return;
    std::vector<std::wstring> stayed;
    for (const std::wstring& entry : recorded) {
        const int32_t status = Keys().DeleteKey(SafeBootPath(entry));
        if (status == 0) {
            result.servicesTakenAway.push_back(entry);
        } else {
            stayed.push_back(entry);
            result.Add(ProblemKind::ServiceNotRemoved, entry, StatusCause(status));
        }
    }
    WriteRecord(stayed);
}

}  // namespace qv
