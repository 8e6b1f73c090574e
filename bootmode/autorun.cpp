#include "bootmode/autorun.h"

#include "bootmode/command_line.h"
#include "system/seams.h"
#include "system/program_paths.h"
#include "system/settings.h"
#include "system/text.h"

namespace qv {

namespace {

constexpr const wchar_t* kSavedAutorun = L"SavedAutorun";

constexpr uint32_t kRegSzType = 1;
constexpr uint32_t kRegExpandSzType = 2;

// The text of a string value as the command processor reads it; empty for
// any other type.
std::optional<std::wstring> TextOf(const RawSetting& value) {
    if (value.type != kRegSzType && value.type != kRegExpandSzType) return std::nullopt;
    std::wstring text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) text += static_cast<wchar_t>(value.data[i] | value.data[i + 1] << 8);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// Another program's Autorun, exactly as it is: any type, every byte.
bool IsForeignAutorun(const RawSetting& value) {
    const auto text = TextOf(value);
    if (!text) return !value.data.empty();
    return !text->empty() && !IsOwnAutorun(*text);
}

Step WriteExactly(const std::wstring& keyPath, const std::wstring& name, const RawSetting& value) {
    if (const int32_t status = Settings().WriteRawSetting(L"HKLM", keyPath, name, value); status != kStatusOk)
        return Step::Failed(StatusCause(status));
    const RawRead back = Settings().ReadRawSetting(L"HKLM", keyPath, name);
    if (back.status == kStatusOk && back.value == value) return {};
    return Step::Failed(L"it did not read back as written");
}

}  // namespace

bool IsOwnAutorun(const std::wstring& value) {
    // Another program's "/undo" has the same shape; only what it starts tells.
    const auto program = ProgramOfAutorun(Trim(value));
    if (!program) return false;
    const std::wstring name = LowerCase(FileNameOf(*program));
    return Files().SameFile(*program, Program().ExecutablePath()) || name == L"quorvine.exe" ||
           name == LowerCase(FileNameOf(AppExePath()));
}

bool OwnAutorunArmed() {
    const auto current = ReadMachineText(kCommandProcessorKey, L"Autorun");
    return current && IsOwnAutorun(*current);
}

Step KeepForeignAutorun() {
    const RawRead current = Settings().ReadRawSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
    if (current.status != kStatusOk && current.status != kErrorFileNotFound)
        return Step::Failed(L"the Autorun there could not be read: " + StatusCause(current.status));
    if (current.status != kStatusOk || !IsForeignAutorun(current.value)) return {};
    const Step kept = WriteExactly(kProgramKey, kSavedAutorun, current.value);
    return kept ? kept : Step::Failed(L"another program's Autorun could not be kept aside: " + kept.Cause());
}

void RestoreSavedAutorun() {
    bool foreign = true;
    const RawRead current = Settings().ReadRawSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
    if (current.status != kStatusOk) {
        foreign = false;
    } else if (!IsForeignAutorun(current.value)) {
        const auto text = TextOf(current.value);
        if (text && !text->empty()) Settings().DeleteSetting(L"HKLM", kCommandProcessorKey, L"Autorun");
        foreign = false;
    }
    const RawRead keep = Settings().ReadRawSetting(L"HKLM", kProgramKey, kSavedAutorun);
    if (keep.status != kStatusOk) return;
    // The kept value is in its place again (a set-up that failed): no copy needed.
    if (foreign && current.value == keep.value) {
        Settings().DeleteSetting(L"HKLM", kProgramKey, kSavedAutorun);
        return;
    }
    // Another foreign value in place wins; the saved copy then waits for later.
    if (foreign) return;
    // Put back with its type and bytes (REG_EXPAND_SZ stays one, a REG_MULTI_SZ whole).
    if (WriteExactly(kCommandProcessorKey, L"Autorun", keep.value))
        Settings().DeleteSetting(L"HKLM", kProgramKey, kSavedAutorun);
}

}  // namespace qv
