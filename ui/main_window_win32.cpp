// The main window (being written).
#include "system/win32.h"

namespace qv::win32 {
void ShowMainWindow() {}
int RunMessageLoop() { return 0; }
}  // namespace qv::win32
