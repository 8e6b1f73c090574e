#include "opsys/bitlocker.h"

#include <algorithm>
#include <utility>

#include "system/seams.h"
#include "system/process.h"

namespace qv {

namespace {

constexpr wchar_t kManageBde[] = L"manage-bde.exe";
// -ProtectionAsErrorLevel's answers; anything else means it could not tell.
constexpr uint32_t kProtectedCode = 0;
constexpr uint32_t kNotProtectedCode = 1;

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

// "{8-4-4-4-12 hex digits}"
bool IsGuidAt(const std::wstring& text, size_t at) {
    constexpr size_t kLength = 38;
    if (text.size() - at < kLength || text[at] != L'{' || text[at + kLength - 1] != L'}') return false;
    for (size_t i = 1; i < kLength - 1; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[at + i] != L'-' : !IsHex(text[at + i])) return false;
    }
    return true;
}

}  // namespace

BitLockerState ReadBitLockerState(const std::wstring& drive) {
    if (drive.empty()) return BitLockerState::Unknown;
    // The exit code answers, whatever the display language of the text.
    const CommandResult status = RunSystemProgram(kManageBde, L"-status " + drive + L" -ProtectionAsErrorLevel");
    if (status.exitCode == kProtectedCode) return BitLockerState::Protected;
    if (status.exitCode == kNotProtectedCode) return BitLockerState::NotProtected;
    return BitLockerState::Unknown;
}

std::vector<std::wstring> ReadRecoveryPasswordIds(const std::wstring& drive) {
    if (drive.empty()) return {};
    const auto output = ReadSystemProgram(kManageBde, L"-protectors -get " + drive + L" -Type RecoveryPassword");
    return output ? ProtectorIdsIn(*output) : std::vector<std::wstring>{};
}

std::vector<std::wstring> ProtectorIdsIn(const std::wstring& output) {
    // Labels are translated ("ID:", "Kennwort:"), the identifiers are not; the
    // passwords themselves hold no braces and are left where they are.
    std::vector<std::wstring> ids;
    for (size_t at = output.find(L'{'); at != std::wstring::npos; at = output.find(L'{', at + 1)) {
        if (!IsGuidAt(output, at)) continue;
        std::wstring id = output.substr(at, 38);
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
    }
    return ids;
}

std::wstring BitLockerStateName(BitLockerState state) {
    switch (state) {
        case BitLockerState::Protected:
            return L"protected";
        case BitLockerState::NotProtected:
            return L"not protected";
        case BitLockerState::Unknown:
            return L"unknown";
    }
    return {};
}

}  // namespace qv
