// The user of the host tests: boxes answered from a script, output lines kept.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "fake_world.h"
#include "system/user_channel.h"

namespace qv::testing {

struct Dialog {
    std::wstring text;
    std::wstring title;
    unsigned style = 0;
};

class FakeUserChannel : public UserChannel, public virtual FakeWorld {
public:
    std::deque<int> answers;  // consumed by ShowMessage; OK (1) when empty
    std::vector<Dialog> dialogs;
    std::vector<std::wstring> outputLines;

    int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) override {
        dialogs.push_back({text, title, style});
        Step(L"message:" + text);
        if (answers.empty()) return 1;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void WriteOutputLine(const std::wstring& line) override { outputLines.push_back(line); }
};

}  // namespace qv::testing
