#include "system/platform.h"

namespace qv {

namespace {
Platform* current = nullptr;
}

Platform& Sys() { return *current; }

Platform* SetPlatform(Platform* platform) {
    Platform* previous = current;
    current = platform;
    return previous;
}

}  // namespace qv
