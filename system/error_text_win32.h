// The system's message for a Windows error code.
#pragma once

#include <cstdint>
#include <string>

namespace qv::win32 {

// Exactly as the system words it, its closing line break included; empty
// when there is none (or it does not fit 256 characters).
std::wstring SystemErrorText(uint32_t code);

}  // namespace qv::win32
