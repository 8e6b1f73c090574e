// Normal Mode restoration (being written).
#include "bootmode/bootmode.h"

namespace qv {
void RestoreNormalMode(bool) {}
}  // namespace qv
