// This program in the host tests: its command line, environment, documents
// and the lock another run may hold.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake_world.h"
#include "system/this_program.h"

namespace qv::testing {

class FakeThisProgram : public ThisProgram, public virtual FakeWorld {
public:
    std::map<std::wstring, std::wstring> env;  // keys lower-case
    std::wstring commandLine = L"\"C:\\Tools\\Quorvine.exe\"";
    std::map<std::wstring, std::vector<uint8_t>> resources;  // keys lower-case

    FakeThisProgram() {
        env[L"systemdrive"] = L"C:";
        env[L"windir"] = L"C:\\WINDOWS";
        env[L"systemroot"] = L"C:\\WINDOWS";
        env[L"temp"] = L"C:\\Temp";
        env[L"os"] = L"Windows_NT";
        for (const wchar_t* name : {L"sb_xp", L"sb_v", L"sb_7", L"sb_8"}) resources[name] = {0xFF, 0xFE};
    }

    std::wstring GetEnv(const std::wstring& name) override {
        auto it = env.find(LowerCase(name));
        return it == env.end() ? std::wstring() : it->second;
    }
    std::wstring CommandLine() override { return commandLine; }
    std::wstring ExecutablePath() override { return exePath; }

    std::optional<std::vector<uint8_t>> LoadCustomResource(const std::wstring& name) override {
        auto it = resources.find(LowerCase(name));
        if (it == resources.end()) return std::nullopt;
        return it->second;
    }
    bool lockBusy = false;  // another run holds the operation lock
    int lockDepth = 0;
    bool AcquireOperationLock(uint32_t) override {
        if (lockBusy) return false;
        ++lockDepth;
        return true;
    }
    void ReleaseOperationLock() override { --lockDepth; }
};

}  // namespace qv::testing
