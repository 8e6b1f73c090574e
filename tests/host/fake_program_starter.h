// Programs started in the host tests: commands recorded by their bare names,
// restarts recorded.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_world.h"
#include "system/program_starter.h"
#include "system/shutdown.h"

namespace qv::testing {

class FakeProgramStarter : public ProgramStarter, public virtual FakeWorld {
public:
    std::set<std::wstring> failingCommands;  // RunAndWait answers false for these
    std::vector<std::wstring> commands;      // RunAndWait command lines, in order
    std::vector<std::wstring> started;       // StartDetached command lines
    std::vector<int32_t> restarts;           // ShutdownSystem flags

    // System programs are recorded by their bare names ("reg.exe import ..."),
    // the full command line in rawCommands.
    std::vector<std::wstring> rawCommands;
    std::vector<int32_t> limits;  // the time-out each command was given
    std::wstring Bare(const std::wstring& commandLine) const {
        const std::wstring prefix = L"\"" + systemFolder + L"\\";
        if (commandLine.rfind(prefix, 0) != 0) return commandLine;
        std::wstring rest = commandLine.substr(prefix.size());
        const size_t quote = rest.find(L'"');
        return quote == std::wstring::npos ? commandLine : rest.erase(quote, 1);
    }
    bool RunAndWait(const std::wstring& fullCommandLine, int, std::wstring&, int32_t timeoutMs, bool,
                    uint32_t* exitCode) override {
        const std::wstring commandLine = Bare(fullCommandLine);
        rawCommands.push_back(fullCommandLine);
        limits.push_back(timeoutMs);
        commands.push_back(commandLine);
        Step(L"run:" + commandLine);
        if (failingCommands.count(commandLine)) return false;
        if (!manageBde && commandLine.rfind(L"manage-bde.exe ", 0) == 0) return false;
        auto it = exitCodes.find(commandLine);
        if (exitCode) *exitCode = it != exitCodes.end() ? it->second : 0;
        return true;
    }
    // What commands print, by their bare command line (else nothing).
    std::map<std::wstring, std::wstring> outputs;
    std::optional<std::wstring> RunAndRead(const std::wstring& fullCommandLine, int32_t timeoutMs) override {
        uint32_t exitCode = 0;
        std::wstring message;
        if (!RunAndWait(fullCommandLine, 0, message, timeoutMs, true, &exitCode) || exitCode != 0) return std::nullopt;
        const auto output = outputs.find(Bare(fullCommandLine));
        return output == outputs.end() ? std::wstring() : output->second;
    }
    // Without it, as on Windows without BitLocker, manage-bde.exe does not start.
    bool manageBde = false;
    std::map<std::wstring, uint32_t> exitCodes;  // a command's exit code (0 when not listed)
    Done StartDetached(const std::wstring& commandLine, int) override {
        started.push_back(commandLine);
        Step(L"start:" + commandLine);
        return {};
    }

    std::wstring restartRefused;  // the system's text when Windows refuses the restart
    bool ShutdownSystem(int32_t flags) override {
        restarts.push_back(flags);
        Step(L"restart");
        if (!restartRefused.empty())
            throw ShutdownError(kErrShutdownFailed, L"Quorvine", L"ShutdownSystem failed: " + restartRefused);
        return true;
    }
};

}  // namespace qv::testing
