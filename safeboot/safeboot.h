// SafeBoot key repair from the embedded registry documents.
#pragma once

#include <string>

namespace qv {

// The document for the running Windows: "sb_xp", "sb_v", "sb_7" or "sb_8".
std::wstring ChooseSafeBootDocument(bool isVista, bool isWin7, bool isWin8);

// True when the document was written and reg.exe imported it.
bool RepairSafeBootKey();
bool ImportRegDocument(const std::wstring& name);

}  // namespace qv
