// Safe Mode configuration (being written).
#include "bootmode/bootmode.h"

namespace qv {
void ConfigureSafeMode(bool, bool) {}
void ConfigureSafeModeNetwork(bool) {}
void ConfigureSafeNetworkNoReboot() {}
}  // namespace qv
