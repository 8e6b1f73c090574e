// This program: its environment, command line and path, the documents it
// carries, and the lock that keeps two runs apart.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "system/handles_win32.h"
#include "system/operation_lock_win32.h"
#include "system/seams_win32.h"
#include "system/security_win32.h"

namespace qv::win32 {

std::wstring Win32ThisProgram::GetEnv(const std::wstring& name) {
    // The size includes the NUL; a variable that grows between the calls is read again.
    std::wstring value;
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    while (size > value.size()) {
        value.resize(size);
        size = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(size);
    return value;
}

std::wstring Win32ThisProgram::CommandLine() { return GetCommandLineW(); }

std::wstring Win32ThisProgram::ExecutablePath() {
    // A path longer than the buffer comes back cut and filling it: try a larger one.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::vector<uint8_t>> Win32ThisProgram::LoadCustomResource(const std::wstring& name) {
    // Resource names are looked up without regard to case: "sb_7" finds "SB_7".
    HRSRC info = FindResourceW(nullptr, name.c_str(), L"CUSTOM");
    if (!info) return std::nullopt;
    HGLOBAL loaded = LoadResource(nullptr, info);
    if (!loaded) return std::nullopt;
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    DWORD size = SizeofResource(nullptr, info);
    if (!bytes) return std::nullopt;
    return std::vector<uint8_t>(bytes, bytes + size);
}

namespace {

UniqueHandle operationLock;
int operationLockDepth = 0;

UniqueHandle OpenOperationLock() {
    const UniqueLocal descriptor = DescriptorFromSddl(kOperationLockSddl);
    if (!descriptor) return nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
    return UniqueHandle(CreateMutexW(&attributes, FALSE, kOperationLockName));
}

}  // namespace

bool Win32ThisProgram::AcquireOperationLock(uint32_t timeoutMs) {
    if (operationLockDepth > 0) {
        ++operationLockDepth;
        return true;
    }
    if (!operationLock) operationLock = OpenOperationLock();
    // Without a mutex the runs cannot be kept apart, but this one may still work.
    if (!operationLock) {
        ++operationLockDepth;
        return true;
    }
    const DWORD waited = WaitForSingleObject(operationLock.get(), timeoutMs);
    // An abandoned lock: the other run ended half-way (a restart); its state is checked anew.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    ++operationLockDepth;
    return true;
}

void Win32ThisProgram::ReleaseOperationLock() {
    if (operationLockDepth == 0 || --operationLockDepth > 0) return;
    if (operationLock) ReleaseMutex(operationLock.get());
}

}  // namespace qv::win32
