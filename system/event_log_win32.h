// The event log through the advapi32 event functions.
#pragma once

#include "system/event_log.h"

namespace qv::win32 {

class Win32EventLog : public EventLog {
public:
    bool RegisterSource(const std::wstring& messageFile) override;
    bool Report(EventLevel level, uint32_t eventId, const std::wstring& text) override;
};

}  // namespace qv::win32
