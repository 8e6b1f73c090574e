// Fakes of the seams beside those of seams.h: the service catalog, whole
// registry keys (kept in the fake world's registry) and the event log. Install them
// with ScopedFakeSeams.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "system/event_log.h"
#include "system/registry_keys.h"
#include "system/service_catalog.h"
#include "system/text.h"

namespace qv::testing {

class FakeServiceCatalog : public ServiceCatalog {
public:
    std::map<std::wstring, ServiceFacts> services;      // lower-case key name -> facts
    std::map<std::wstring, std::wstring> displayNames;  // lower-case display name -> key name

    void Add(const std::wstring& keyName, const std::wstring& displayName, std::vector<std::wstring> dependsOn = {},
             std::vector<std::wstring> groups = {}) {
        services[LowerCase(keyName)] = {keyName, std::move(dependsOn), std::move(groups)};
        displayNames[LowerCase(displayName)] = keyName;
    }
    ServiceLookup FindService(const std::wstring& name) override {
        auto found = services.find(LowerCase(name));
        if (found == services.end()) {
            auto display = displayNames.find(LowerCase(name));
            if (display == displayNames.end())
                return {std::nullopt, kErrorServiceDoesNotExist, L"The specified service does not exist."};
            found = services.find(LowerCase(display->second));
        }
        return {found->second, 0, {}};
    }
};

class FakeRegistryKeys : public RegistryKeys {
public:
    explicit FakeRegistryKeys(FakePlatform& platform) : platform_(platform) {}
    std::set<std::wstring> refused;  // lower-case key paths whose creation or deletion fails (error 5)

    std::optional<bool> KeyExists(const std::wstring& keyPath) override {
        return platform_.registry.count(FakePlatform::Key(L"HKLM", keyPath)) != 0;
    }
    int32_t CreateKey(const std::wstring& keyPath, const std::wstring& defaultValue, bool& created) override {
        created = false;
        if (refused.count(LowerCase(keyPath))) return 5;
        if (*KeyExists(keyPath)) return 0;
        platform_.SetValue(keyPath, L"", defaultValue);
        platform_.Step(L"mkkey:" + keyPath);
        created = true;
        return 0;
    }
    int32_t DeleteKey(const std::wstring& keyPath) override {
        if (refused.count(LowerCase(keyPath))) return 5;
        platform_.registry.erase(FakePlatform::Key(L"HKLM", keyPath));
        platform_.Step(L"rmkey:" + keyPath);
        return 0;
    }

private:
    FakePlatform& platform_;
};

class FakeEventLog : public EventLog {
public:
    struct Record {
        EventLevel level;
        uint32_t id;
        std::wstring text;
    };
    std::vector<Record> records;
    std::wstring messageFile;

    uint32_t reportError = 0;  // what Report answers

    uint32_t RegisterSource(const std::wstring& file) override {
        messageFile = file;
        return 0;
    }
    uint32_t Report(EventLevel level, uint32_t eventId, const std::wstring& text) override {
        if (reportError == 0) records.push_back({level, eventId, text});
        return reportError;
    }
};

// Installs the three over the given fake platform, and puts back what they replaced.
class ScopedFakeSeams {
public:
    explicit ScopedFakeSeams(FakePlatform& platform)
        : keys(platform),
          previousServices_(SetServiceCatalog(&services)),
          previousKeys_(SetRegistryKeys(&keys)),
          previousLog_(SetEventLog(&events)) {}
    ~ScopedFakeSeams() {
        SetServiceCatalog(previousServices_);
        SetRegistryKeys(previousKeys_);
        SetEventLog(previousLog_);
    }
    ScopedFakeSeams(const ScopedFakeSeams&) = delete;
    ScopedFakeSeams& operator=(const ScopedFakeSeams&) = delete;

    FakeServiceCatalog services;
    FakeRegistryKeys keys;
    FakeEventLog events;

private:
    ServiceCatalog* previousServices_;
    RegistryKeys* previousKeys_;
    EventLog* previousLog_;
};

}  // namespace qv::testing
