// RAII owners for the Win32 handles the program holds.
#pragma once

#include <memory>
#include <type_traits>

#include <windows.h>
#include <winsvc.h>

namespace qv::win32 {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueHkey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};
using UniqueFind = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

struct ModuleFreer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using UniqueHmodule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

struct GdiDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueHfont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;

struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueHicon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct ServiceCloser {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
// The service control manager and its services.
using UniqueService = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceCloser>;

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};
// What the system allocated for the caller with LocalAlloc (descriptors, SID texts).
using UniqueLocal = std::unique_ptr<void, LocalFreer>;

// A COM interface pointer that releases itself.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    T* operator->() const { return ptr_; }
    T* Get() const { return ptr_; }
    T** Put() {
        Reset();
        return &ptr_;
    }
    void Reset() {
        if (ptr_) {
            ptr_->Release();
            ptr_ = nullptr;
        }
    }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};

}  // namespace qv::win32
