// Security descriptors: made from SDDL text for what the program creates, and
// read back into the portable description the decisions take.
#pragma once

#include <windows.h>

#include "system/file_security.h"
#include "system/handles_win32.h"

namespace qv::win32 {

// A self-relative descriptor; null when the text is refused.
UniqueLocal DescriptorFromSddl(const wchar_t* sddl);
SecurityDescription DescribeSecurity(PSECURITY_DESCRIPTOR descriptor);

}  // namespace qv::win32
