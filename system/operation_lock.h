// Keeps the work of two Quorvines apart: configuring and restoring only, so
// that a question or the window left open never blocks another run.
#pragma once

#include <cstdint>

#include "system/seams.h"

namespace qv {

inline constexpr uint32_t kOperationLockWaitMs = 60000;

class OperationLock {
public:
    OperationLock() : held_(Program().AcquireOperationLock(kOperationLockWaitMs)) {}
    ~OperationLock() {
        if (held_) Program().ReleaseOperationLock();
    }
    OperationLock(const OperationLock&) = delete;
    OperationLock& operator=(const OperationLock&) = delete;
    bool Held() const { return held_; }

private:
    bool held_;
};

}  // namespace qv
