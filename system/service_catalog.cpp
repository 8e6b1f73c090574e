#include "system/service_catalog.h"

namespace qv {

namespace {

class NoServices : public ServiceCatalog {
public:
    ServiceLookup FindService(const std::wstring&) override { return {std::nullopt, kErrorServiceDoesNotExist, {}}; }
};

NoServices noServices;
ServiceCatalog* current = &noServices;

}  // namespace

ServiceCatalog& Services() { return *current; }

ServiceCatalog* SetServiceCatalog(ServiceCatalog* catalog) {
    ServiceCatalog* previous = current;
    current = catalog ? catalog : &noServices;
    return previous;
}

}  // namespace qv
