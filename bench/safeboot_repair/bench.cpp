// Times RepairSafeBootKey against cmd.exe running "reg import" of the same
// document, in the same Windows, and prints both and the difference. The
// repair may cost at most kAllowedExtraMs more than the import itself.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "opsys/windows_version.h"
#include "safeboot/safeboot_repair.h"
#include "system/program_paths.h"
#include "system/seams_win32.h"

namespace {

constexpr int kRounds = 7;
constexpr double kAllowedExtraMs = 250;

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

std::string Ansi(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Starts a command line and waits for it on its handle, without polling.
bool RunWaited(std::string line) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

}  // namespace

int main() {
    qv::win32::Win32Seams seams;
    qv::InstallSeams(seams.All());

    const bool isVista = qv::OsIsVista();
    const bool isWin7 = qv::OsIsWin7();
    const bool isWin8 = qv::OsIsWin8();
    const std::wstring name = qv::ChooseSafeBootDocument(isVista, isWin7, isWin8);
    if (qv::Files().FileExists(qv::AppFolder() + L"ets.exe"))
        std::printf("note: ets.exe lies beside the bench, so the repair imports twice\n");

    const auto bytes = qv::Program().LoadCustomResource(name);
    if (!bytes) {
        std::printf("document %s is not among the resources\n", Ansi(name).c_str());
        return 2;
    }
    const std::wstring document = qv::Program().GetEnv(L"temp") + L"\\qv-bench-" + name + L".reg";
    qv::Files().WriteBytes(document, *bytes);

    const std::string quoted = "\"" + Ansi(document) + "\"";
    std::vector<double> repair, shell, direct;
    bool importFailed = false;
    for (int round = 0; round < kRounds; ++round) {
        double start = NowMs();
        qv::RepairSafeBootKey();
        repair.push_back(NowMs() - start);
        start = NowMs();
        importFailed |= !RunWaited("cmd.exe /c reg import " + quoted);
        shell.push_back(NowMs() - start);
        start = NowMs();
        importFailed |= !RunWaited("reg.exe import " + quoted);
        direct.push_back(NowMs() - start);
    }
    qv::Files().RemoveFile(document);

    const double extra = Median(repair) - Median(shell);
    std::printf("document          %s (%zu bytes), median of %d rounds\n", Ansi(name).c_str(), bytes->size(), kRounds);
    std::printf("RepairSafeBootKey %8.1f ms\n", Median(repair));
    std::printf("cmd /c reg import %8.1f ms\n", Median(shell));
    std::printf("reg.exe import    %8.1f ms (started directly, for comparison)\n", Median(direct));
    if (importFailed) std::printf("an import of the bench failed\n");
    std::printf("difference        %8.1f ms (allowed: %.0f ms) %s\n", extra, kAllowedExtraMs,
                extra <= kAllowedExtraMs ? "ok" : "TOO SLOW");
    return extra <= kAllowedExtraMs && !importFailed ? 0 : 1;
}
