// SafeBoot key repair (being written).
#include "safeboot/safeboot.h"

namespace qv {
std::wstring ChooseSafeBootDocument(bool, bool, bool) { return L"sb_xp"; }
void RepairSafeBootKey() {}
void ImportRegDocument(const std::wstring&) {}
}  // namespace qv
