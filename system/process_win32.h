// The Windows side of RunAndWait: the process calls the wait in process.h
// makes, without a virtual layer of their own.
#pragma once

#include <string>

#include <windows.h>

#include "system/handles_win32.h"
#include "system/process.h"

namespace qv::win32 {

class Win32ProcessSystem {
public:
    // Before Start: the command's standard output and error go into `output`,
    // read while it runs.
    void CaptureOutput(std::string& output);
    void DisableFsRedirection();
    void RevertFsRedirection();
    bool Start(const std::wstring& commandLine, int windowStyle, uint32_t& processId, std::wstring& failure);
    bool Open(uint32_t processId);
    bool WaitForEnd(uint32_t milliseconds);
    bool FinishOutput(uint32_t milliseconds);
    bool QueryExitCode(uint32_t& exitCode);
    void Terminate();
    void PumpMessages();
    uint32_t ReadClock();

private:
    static constexpr DWORD kPipeBufferSize = 65536;
    static constexpr DWORD kOutputPollMs = 5;
    static constexpr DWORD kTerminateWaitMs = 5000;
    // Reads what the pipe holds now; true once its last writer has closed it.
    bool DrainOutput();

    PVOID redirection_ = nullptr;  // the thread's state while redirection is off
    UniqueHandle started_;         // from the start, held until the process is opened
    UniqueHandle process_;
    UniqueHandle pipeReader_;
    UniqueHandle pipeWriter_;
    std::string* captured_ = nullptr;
};

}  // namespace qv::win32
