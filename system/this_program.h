// This program itself: how it was started, where it lies, what it carries,
// and the lock that keeps two runs apart. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class ThisProgram {
public:
    virtual ~ThisProgram() = default;

    virtual std::wstring CommandLine() = 0;     // the whole command line
    virtual std::wstring ExecutablePath() = 0;  // full path of the running exe
    // A variable of the environment it was started with; empty when unset.
    virtual std::wstring GetEnv(const std::wstring& name) = 0;
    // A document it carries as a "CUSTOM" resource.
    virtual std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name) = 0;
    // The work of two Quorvines must not overlap; false when the other one did
    // not finish within `timeoutMs`. Taken again by the same run, it nests.
    virtual bool AcquireOperationLock(uint32_t timeoutMs) = 0;
    virtual void ReleaseOperationLock() = 0;
};

// This program as the seams see it (seams.h installs it).
ThisProgram& Program();

}  // namespace qv
