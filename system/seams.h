// The seams between Quorvine's decisions and Windows, each named after what
// it answers. For now every one is the one platform.
#pragma once

#include "system/platform.h"

namespace qv {

inline Platform& Settings() { return Sys(); }
inline Platform& Files() { return Sys(); }
inline Platform& User() { return Sys(); }
inline Platform& Windows() { return Sys(); }
inline Platform& Program() { return Sys(); }
inline Platform& Programs() { return Sys(); }

}  // namespace qv
