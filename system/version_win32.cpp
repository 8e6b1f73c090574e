// Version record, clean-boot state and the edition number (being written).
#include "system/win32.h"

namespace qv::win32 {
bool GetVersionRecord(uint32_t, VersionRecord&) { return false; }
int CleanBootState() { return 0; }
int32_t QueryOperatingSystemSku() { return 0; }
}  // namespace qv::win32
