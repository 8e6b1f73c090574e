// SafeBoot key repair from the embedded registry documents.
#pragma once

#include <string>

namespace qv {

// The document for the running Windows: "sb_xp", "sb_v", "sb_7" or "sb_8".
std::wstring ChooseSafeBootDocument(bool isVista, bool isWin7, bool isWin8);

enum class RepairOutcome { Repaired, NoPrivateFolder, ImportFailed };

// Writes the document into a folder that only administrators can change,
// held against changes while reg.exe reads it, and removes both afterwards.
RepairOutcome RepairSafeBootKey();
// Imports folder\name.reg (and again through the companion program, when
// it lies beside Quorvine.exe); true when reg.exe imported it.
bool ImportRegDocument(const std::wstring& folder, const std::wstring& name);

}  // namespace qv
