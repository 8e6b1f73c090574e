// The service catalog that asks the service control manager.
#pragma once

#include "system/service_catalog.h"

namespace qv::win32 {

class Win32ServiceCatalog : public ServiceCatalog {
public:
    ServiceLookup FindService(const std::wstring& name) override;
};

}  // namespace qv::win32
