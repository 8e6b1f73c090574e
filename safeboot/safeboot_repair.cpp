// SafeBoot key repair: merges the standard content of the SafeBoot key for
// the running Windows back into the registry from an embedded document.
#include "safeboot/safeboot_repair.h"

#include <cstdint>
#include <string>
#include <vector>

#include "opsys/windows_version.h"
#include "system/file_security.h"
#include "system/seams.h"
#include "system/process.h"
#include "system/program_paths.h"

namespace qv {

namespace {

// Not a show state: the launcher gives the companion the default one.
constexpr int kDefaultShow = -1;
constexpr const wchar_t* kCompanionName = L"ets.exe";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring DocumentFile(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".reg";
}

}  // namespace

std::wstring ChooseSafeBootDocument(bool isVista, bool isWin7, bool isWin8) {
    // Each later generation that applies overrides the earlier choice.
    std::wstring name = L"sb_xp";
    if (isVista) name = L"sb_v";
    if (isWin7) name = L"sb_7";
    if (isWin8) name = L"sb_8";
    return name;
}

RepairOutcome RepairSafeBootKey() {
    const bool isVista = OsIsVista();
    const bool isWin7 = OsIsWin7();
    const bool isWin8 = OsIsWin8();
    const std::wstring name = ChooseSafeBootDocument(isVista, isWin7, isWin8);
    // The user's own temporary folder would let any of the user's programs
    // swap the document before reg.exe, running as administrator, reads it.
    const auto folder = Files().CreatePrivateFolder();
    if (!folder) return RepairOutcome::NoPrivateFolder;
    const std::wstring documentFile = DocumentFile(*folder, name);
    const auto document = Program().LoadCustomResource(name);
    const bool written = document && Files().WriteHeldFile(documentFile, *document);
    const bool imported = written && ImportRegDocument(*folder, name);
    Files().RemoveFile(documentFile);
    Files().RemoveFolder(*folder);
    if (document && !written) return RepairOutcome::NoPrivateFolder;
    return imported ? RepairOutcome::Repaired : RepairOutcome::ImportFailed;
}

bool ImportRegDocument(const std::wstring& folder, const std::wstring& name) {
    const bool imported = RunSystemProgram(L"reg.exe", L"import " + Quoted(DocumentFile(folder, name))).ok;

    const std::wstring companion = AppFolder() + kCompanionName;
    if (!TrustedCompanion(companion)) return imported;

    // The batch changes to its own folder, where the document lies, and
    // imports it by its bare name.
    const std::wstring batchFile = folder + L"\\RegImport.cmd";
    const std::string batch = "pushd \"%~dp0\"\r\nreg import " + std::string(name.begin(), name.end()) + ".reg\r\n";
    if (Files().WriteHeldFile(batchFile, std::vector<uint8_t>(batch.begin(), batch.end()))) {
        std::wstring message;
        // Quoted, so a program folder with blanks in its path works too.
        Programs().RunAndWait(Quoted(companion) + L" " + Quoted(batchFile), kDefaultShow, message, CommandLimitMs(), true);
    }
    Files().RemoveFile(batchFile);
    return imported;
}

}  // namespace qv
