#include "system/registry_win32.h"

#include "system/seams.h"

namespace qv::win32 {

namespace {

constexpr bool kProcess64Bit = sizeof(void*) == 8;

}  // namespace

RegistryView ViewFor(RegistryOperation operation, const std::wstring& keyPath) {
    const bool is64BitWindows = Windows().Is64BitWindows();
    RegistryView view = ChooseRegistryView(operation, keyPath, is64BitWindows);
    view.mask = ProcessAccessMask(view.mask, is64BitWindows, kProcess64Bit);
    return view;
}

LONG CreateForWrite(HKEY root, const std::wstring& keyPath, UniqueHkey& key, bool* made) {
    const RegistryView view = ViewFor(RegistryOperation::Write, keyPath);
    wchar_t noClass[] = L"";
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(root, view.path.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, view.mask,
                                        nullptr, &created, &disposition);
    if (status != ERROR_SUCCESS) return status;
    key.reset(created);
    if (made) *made = disposition == REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

}  // namespace qv::win32
