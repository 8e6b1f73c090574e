// What a system call that changes something answers: done, or failed with
// the code Windows gave (GetLastError() or the call's own status), so that a
// failure keeps its cause on its way up. No windows.h here.
#pragma once

#include <cstdint>

namespace qv {

class Done {
public:
    Done() = default;  // done
    // Failed; a call that failed without a code still reads as failed.
    static Done Failed(uint32_t code) { return Done(code); }

    explicit operator bool() const { return done_; }
    // The failure's code (0 when done, or when Windows gave none).
    uint32_t Code() const { return code_; }

private:
    explicit Done(uint32_t code) : done_(false), code_(code) {}
    bool done_ = true;
    uint32_t code_ = 0;
};

}  // namespace qv
