// Command-prompt alternate shell (being written).
#include "bootmode/bootmode.h"

namespace qv {
void SetUpCommandPromptShell() {}
void WriteCommandShortcut() {}
void DeleteCommandShortcut() {}
}  // namespace qv
