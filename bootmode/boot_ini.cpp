// boot.ini editor (being written).
#include "bootmode/bootmode.h"

namespace qv {
bool SetBootIniSafeMode(std::wstring, std::wstring, std::wstring, bool, bool) { return false; }
bool RestoreBootIni(std::wstring, std::wstring) { return false; }
}  // namespace qv
