// What Windows knows of its services, asked of the service control manager.
// A seam of its own beside those of seams.h: the Windows build installs the
// Win32 side (service_catalog_win32.cpp), host tests a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

inline constexpr uint32_t kErrorServiceDoesNotExist = 1060;

struct ServiceFacts {
    std::wstring keyName;                // the name of its key under Services
    std::vector<std::wstring> services;  // DependOnService, by key name
    std::vector<std::wstring> groups;    // DependOnGroup
};

struct ServiceLookup {
    std::optional<ServiceFacts> facts;  // empty: no such service, or the lookup failed
    uint32_t error = 0;                 // kErrorServiceDoesNotExist, or why the lookup failed
    std::wstring reason;                // the error, worded by ErrorCause (cause.h)
};

class ServiceCatalog {
public:
    virtual ~ServiceCatalog() = default;
    // The service whose key name or, failing that, display name is `name`.
    virtual ServiceLookup FindService(const std::wstring& name) = 0;
};

// The catalog in force; one that knows no service until another is set.
ServiceCatalog& Services();
// Returns the one it replaces, so a test can put it back.
ServiceCatalog* SetServiceCatalog(ServiceCatalog* catalog);

}  // namespace qv
