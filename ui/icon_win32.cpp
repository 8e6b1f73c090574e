// mod32BitIcon.
#include "ui/icon_win32.h"

namespace qv::win32 {

namespace {

HWND TopMostOwner(HWND window) {
    HWND top = window;
    for (HWND owner = GetWindow(top, GW_OWNER); owner; owner = GetWindow(top, GW_OWNER)) top = owner;
    return top;
}

// Each icon is loaded at exactly the size the metrics ask for, so the
// platform picks the image of that size (48 pixels at large settings)
// instead of scaling the 32-pixel one. The owner gets each icon first.
// The icons are not destroyed: they live as long as the window, and the
// window lives as long as the program.
void SetIcons(HWND window, const std::wstring& name, bool applyToOwner, UINT loadFlag) {
    const HWND owner = applyToOwner ? TopMostOwner(window) : nullptr;
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    struct Size {
        int widthMetric;
        int heightMetric;
        WPARAM which;
    };
    for (const Size& size : {Size{SM_CXICON, SM_CYICON, ICON_BIG}, Size{SM_CXSMICON, SM_CYSMICON, ICON_SMALL}}) {
        const int width = GetSystemMetrics(size.widthMetric);
        const int height = GetSystemMetrics(size.heightMetric);
        HANDLE icon = LoadImageW(instance, name.c_str(), IMAGE_ICON, width, height, loadFlag);
        // A failed load sends the null icon all the same: the platform's
        // default shows, and the caller goes on.
        if (owner) SendMessageW(owner, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
    }
}

}  // namespace

void SetIconFromResource(HWND window, const std::wstring& resourceName, bool applyToOwner) {
    SetIcons(window, resourceName, applyToOwner, LR_SHARED);
}

void SetIconFromFile(HWND window, const std::wstring& path, bool applyToOwner) {
    SetIcons(window, path, applyToOwner, LR_LOADFROMFILE);
}

}  // namespace qv::win32
