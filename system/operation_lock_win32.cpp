#include "system/operation_lock_win32.h"

#include <windows.h>

#include "system/handles_win32.h"
#include "system/security_win32.h"
#include "system/platform_win32.h"

namespace qv::win32 {

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

bool Win32Platform::AcquireOperationLock(uint32_t timeoutMs) {
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

void Win32Platform::ReleaseOperationLock() {
    if (operationLockDepth == 0 || --operationLockDepth > 0) return;
    if (operationLock) ReleaseMutex(operationLock.get());
}

}  // namespace qv::win32
