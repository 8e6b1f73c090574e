// SafeBoot key repair from the embedded registry documents.
#pragma once

#include <string>

#include "system/process.h"

namespace qv {

// The document for the running Windows: "sb_xp", "sb_v", "sb_7" or "sb_8".
std::wstring ChooseSafeBootDocument(bool isVista, bool isWin7, bool isWin8);

enum class RepairOutcome { Repaired, NoPrivateFolder, ImportFailed };
struct SafeBootRepair {
    RepairOutcome outcome = RepairOutcome::Repaired;
    std::wstring cause;  // why not, worded as cause.h words it
};

// Writes the document into a folder that only administrators can change,
// held against changes while reg.exe reads it, and removes both afterwards.
SafeBootRepair RepairSafeBootKey();
// Imports folder\name.reg (and again through the companion program, when
// it lies beside Quorvine.exe); reg.exe's own end tells whether it was imported.
CommandResult ImportRegDocument(const std::wstring& folder, const std::wstring& name);

}  // namespace qv
