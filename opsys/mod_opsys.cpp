#include "opsys/mod_opsys.h"

#include "opsys/os_sys.h"

namespace qv {

bool OsIsVista() { return clsOpSys().IsVista(); }
bool OsIsWin7() { return clsOpSys().IsWin7(); }
bool OsIsWin8() { return clsOpSys().IsWin8(); }
bool OsIsWin10() { return clsOpSys().IsWin10(); }
int16_t OsWindowsMode() { return clsOpSys().WindowsMode(); }

}  // namespace qv
