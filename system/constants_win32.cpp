// The portable code names Windows' numbers without windows.h; here each one is
// tied to the name windows.h gives it.
#include <windows.h>

#include "system/seams.h"
#include "system/process.h"
#include "system/registry.h"
#include "system/settings.h"
#include "system/shutdown.h"

namespace qv {

static_assert(kMbOk == MB_OK);
static_assert(kMbCritical == (MB_OK | MB_ICONHAND));
static_assert(kMbYesNoCancelQuestion == (MB_YESNOCANCEL | MB_ICONQUESTION));
static_assert(kMbYesNoQuestion == (MB_YESNO | MB_ICONQUESTION));
static_assert(kMbInformation == (MB_OK | MB_ICONINFORMATION));
static_assert(kAnswerOk == IDOK && kAnswerCancel == IDCANCEL && kAnswerYes == IDYES && kAnswerNo == IDNO);
static_assert(kAttributeReadOnly == FILE_ATTRIBUTE_READONLY && kAttributeHidden == FILE_ATTRIBUTE_HIDDEN &&
              kAttributeSystem == FILE_ATTRIBUTE_SYSTEM);
static_assert(kRestartFlags == (EWX_REBOOT | EWX_FORCE));
static_assert(kHidden == SW_HIDE && kShowNormal == SW_SHOWNORMAL);
static_assert(kKeyQueryValue == KEY_QUERY_VALUE && kKeySetValue == KEY_SET_VALUE &&
              kKeyCreateSubKey == KEY_CREATE_SUB_KEY && kKeyWow64_64Key == KEY_WOW64_64KEY &&
              kKeyWow64_32Key == KEY_WOW64_32KEY);
static_assert(kRegSz == REG_SZ && kRegBinary == REG_BINARY && kRegDword == REG_DWORD);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND && kErrorMoreData == ERROR_MORE_DATA);

}  // namespace qv
