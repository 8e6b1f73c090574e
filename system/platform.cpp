#include "system/platform.h"

namespace qv {

namespace {
Platform* current = nullptr;
}

Platform& Sys() { return *current; }

void SetPlatform(Platform* platform) { current = platform; }

}  // namespace qv
