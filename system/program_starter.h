// Starting other programs, and restarting Windows. No windows.h here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "system/done.h"

namespace qv {

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;

    // Starts the command and waits for its end (see RunAndWait in process.h);
    // `exitCode`, when given, receives its exit code after a true answer.
    virtual bool RunAndWait(const std::wstring& commandLine, int windowStyle, std::wstring& message, int32_t timeoutMs,
                            bool abortOnTimeout, uint32_t* exitCode = nullptr) = 0;
    virtual Done StartDetached(const std::wstring& commandLine, int windowStyle) = 0;
    // Runs a command hidden and returns its standard output (console code page),
    // read through a pipe; empty when it did not end with exit code 0 in time.
    virtual std::optional<std::wstring> RunAndRead(const std::wstring& commandLine, int32_t timeoutMs) = 0;
    // Restarts Windows (see ShutdownSystem in shutdown.h); throws ShutdownError.
    virtual bool ShutdownSystem(int32_t flags) = 0;
};

// The starter in force (seams.h installs it).
ProgramStarter& Programs();

}  // namespace qv
