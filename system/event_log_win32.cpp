#include "system/event_log_win32.h"

#include <string>
#include <vector>

#include <windows.h>

#include "system/handles_win32.h"

namespace qv::win32 {

namespace {

struct EventSourceCloser {
    void operator()(HANDLE source) const { DeregisterEventSource(source); }
};
using UniqueEventSource = std::unique_ptr<std::remove_pointer_t<HANDLE>, EventSourceCloser>;

WORD EventType(EventLevel level) {
    switch (level) {
        case EventLevel::Information:
            return EVENTLOG_INFORMATION_TYPE;
        case EventLevel::Warning:
            return EVENTLOG_WARNING_TYPE;
        case EventLevel::Error:
            return EVENTLOG_ERROR_TYPE;
    }
    return EVENTLOG_ERROR_TYPE;
}

// The user the program runs as, for the record's user field.
std::vector<BYTE> TokenUser() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), ::TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

}  // namespace

uint32_t Win32EventLog::RegisterSource(const std::wstring& messageFile) {
    HKEY opened = nullptr;
    wchar_t noClass[] = L"";
    // The SYSTEM hive has one view for 32-bit and 64-bit programs alike.
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) return status;
    UniqueHkey key(opened);
    // Event Viewer expands this value's type only.
    status = RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(messageFile.c_str()),
                            static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) return status;
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    return RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                          sizeof(types));
}

uint32_t Win32EventLog::Report(EventLevel level, uint32_t eventId, const std::wstring& text) {
    UniqueEventSource source(RegisterEventSourceW(nullptr, kEventSource));
    if (!source) return GetLastError();
    std::vector<BYTE> user = TokenUser();
    PSID sid = user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const wchar_t* strings[] = {text.c_str()};
    if (!ReportEventW(source.get(), EventType(level), 0, eventId, sid, 1, 0, strings, nullptr)) return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace qv::win32
