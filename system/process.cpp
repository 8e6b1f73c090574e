#include "system/process.h"

#include "system/cause.h"
#include "system/seams.h"

namespace qv {

int32_t CommandLimitMs() {
    const std::wstring text = Program().GetEnv(kCommandLimitVariable);
    int64_t shorter = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || shorter > kCommandLimitMs) return kCommandLimitMs;
        shorter = shorter * 10 + (c - L'0');
    }
    return shorter > 0 && shorter < kCommandLimitMs ? static_cast<int32_t>(shorter) : kCommandLimitMs;
}

std::wstring SystemProgramCommand(const std::wstring& program, const std::wstring& arguments) {
    return L"\"" + Windows().SystemFolder() + L"\\" + program + L"\" " + arguments;
}

CommandResult RunSystemProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring message;
    uint32_t exitCode = 0;
    if (!Programs().RunAndWait(SystemProgramCommand(program, arguments), kHidden, message, CommandLimitMs(), true,
                               &exitCode))
        return {false, message, std::nullopt};
    if (exitCode != 0) return {false, ExitCodeCause(exitCode), exitCode};
    return {true, {}, exitCode};
}

std::optional<std::wstring> ReadSystemProgram(const std::wstring& program, const std::wstring& arguments) {
    return Programs().RunAndRead(SystemProgramCommand(program, arguments), CommandLimitMs());
}

}  // namespace qv
