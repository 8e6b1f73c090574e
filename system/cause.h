// The one way to word why something failed, for the end of an output line:
// the Windows error of the call that failed, or how a command ended.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "system/done.h"

namespace qv {

// "error 5: Access is denied.": the code, then Windows' own words for it
// (asked of Windows() so that host tests can fake them).
std::wstring ErrorCause(uint32_t code);
inline std::wstring ErrorCause(const Done& failed) { return ErrorCause(failed.Code()); }
// A settings store status: a Windows error code, but for Quorvine's own
// kStatusUnknownLocation.
std::wstring StatusCause(int32_t status);
// A command that ran to its end and failed: "It ended with exit code 5."
std::wstring ExitCodeCause(uint32_t exitCode);

// What a step of several calls answers: done, or failed with the cause of the
// call that failed (or, where no call failed, what went wrong, in words).
class Step {
public:
    Step() = default;  // done
    static Step Failed(std::wstring cause) { return Step(std::move(cause)); }
    static Step Failed(const Done& failed) { return Step(ErrorCause(failed)); }

    explicit operator bool() const { return done_; }
    const std::wstring& Cause() const { return cause_; }

private:
    explicit Step(std::wstring cause) : done_(false), cause_(std::move(cause)) {}
    bool done_ = true;
    std::wstring cause_;
};

}  // namespace qv
