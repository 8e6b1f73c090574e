// SafeBoot key repair: merges the standard content of the SafeBoot key for
// the running Windows back into the registry from an embedded document.
#include "safeboot/safeboot.h"

#include <cstdint>
#include <string>
#include <vector>

#include "opsys/mod_opsys.h"
#include "startup/module1.h"
#include "system/platform.h"
#include "system/process.h"

namespace qv {

namespace {

// Not a show state: the launcher gives the companion the default one.
constexpr int kDefaultShow = -1;
constexpr const wchar_t* kCompanionName = L"ets.exe";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring TempFolder() { return Sys().GetEnv(L"temp"); }

std::wstring DocumentFile(const std::wstring& name) { return TempFolder() + L"\\" + name + L".reg"; }

}  // namespace

std::wstring ChooseSafeBootDocument(bool isVista, bool isWin7, bool isWin8) {
    // Each later generation that applies overrides the earlier choice.
    std::wstring name = L"sb_xp";
    if (isVista) name = L"sb_v";
    if (isWin7) name = L"sb_7";
    if (isWin8) name = L"sb_8";
    return name;
}

bool RepairSafeBootKey() {
    const bool isVista = OsIsVista();
    const bool isWin7 = OsIsWin7();
    const bool isWin8 = OsIsWin8();
    const std::wstring name = ChooseSafeBootDocument(isVista, isWin7, isWin8);
    const std::wstring documentFile = DocumentFile(name);
    // A document that cannot be loaded still leaves a file, empty, whose
    // import then fails without harm. WriteBytes cuts a longer leftover.
    const auto document = Sys().LoadCustomResource(name);
    const bool written = Sys().WriteBytes(documentFile, document.value_or(std::vector<uint8_t>{}));
    const bool imported = ImportRegDocument(name);
    Sys().RemoveFile(documentFile);
    return document && written && imported;
}

bool ImportRegDocument(const std::wstring& name) {
    const bool imported = RunHidden(L"reg.exe import " + Quoted(DocumentFile(name)));

    const std::wstring companion = AppFolder() + kCompanionName;
    if (!Sys().FileExists(companion)) return imported;

    // The batch changes to its own folder, where the document lies, and
    // imports it by its bare name. AppendTextLine adds to a file that is
    // there, so a leftover goes first.
    const std::wstring batchFile = TempFolder() + L"\\RegImport.cmd";
    Sys().RemoveFile(batchFile);
    Sys().AppendTextLine(batchFile, L"pushd \"%~dp0\"");
    Sys().AppendTextLine(batchFile, L"reg import " + name + L".reg");
    std::wstring message;
    // Quoted, so a program folder with blanks in its path works too.
    Sys().RunAndWait(Quoted(companion) + L" " + Quoted(batchFile), kDefaultShow, message, kNoTimeout, false);
    Sys().RemoveFile(batchFile);
    return imported;
}

}  // namespace qv
