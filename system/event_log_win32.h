// The event log through the advapi32 event functions.
#pragma once

#include "system/event_log.h"

namespace qv::win32 {

class Win32EventLog : public EventLog {
public:
    uint32_t RegisterSource(const std::wstring& messageFile) override;
    uint32_t Report(EventLevel level, uint32_t eventId, const std::wstring& text) override;
};

}  // namespace qv::win32
