// SafeBoot key repair: merges the standard content of the SafeBoot key for
// the running Windows back into the registry from an embedded document.
#include "safeboot/safeboot_repair.h"

#include <cstdint>
#include <string>
#include <vector>

#include "opsys/windows_version.h"
#include "system/cause.h"
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

SafeBootRepair RepairSafeBootKey() {
    const bool isVista = OsIsVista();
    const bool isWin7 = OsIsWin7();
    const bool isWin8 = OsIsWin8();
    const std::wstring name = ChooseSafeBootDocument(isVista, isWin7, isWin8);
    // The user's own temporary folder would let any of the user's programs
    // swap the document before reg.exe, running as administrator, reads it.
    std::wstring folder;
    if (const Done made = Files().CreatePrivateFolder(folder); !made)
        return {RepairOutcome::NoPrivateFolder, ErrorCause(made)};
    const std::wstring documentFile = DocumentFile(folder, name);
    const auto document = Program().LoadCustomResource(name);
    const Done written = document ? Files().WriteHeldFile(documentFile, *document) : Done::Failed(0);
    const CommandResult imported = written ? ImportRegDocument(folder, name) : CommandResult{};
    Files().RemoveFile(documentFile);
    Files().RemoveFolder(folder);
    if (!document) return {RepairOutcome::ImportFailed, L"the program carries no document " + name};
    if (!written) return {RepairOutcome::NoPrivateFolder, documentFile + L": " + ErrorCause(written)};
    if (!imported.ok) return {RepairOutcome::ImportFailed, imported.reason};
    return {};
}

CommandResult ImportRegDocument(const std::wstring& folder, const std::wstring& name) {
    const CommandResult imported = RunSystemProgram(L"reg.exe", L"import " + Quoted(DocumentFile(folder, name)));
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
