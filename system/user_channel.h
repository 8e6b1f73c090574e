// What the program tells and asks the user: message boxes and output lines.
// No windows.h here.
#pragma once

#include <string>

namespace qv {

// Message-box styles and answers the program uses.
inline constexpr unsigned kMbOk = 0;
inline constexpr unsigned kMbCritical = 16;
inline constexpr unsigned kMbYesNoCancelQuestion = 35;
inline constexpr unsigned kMbYesNoQuestion = 36;
inline constexpr unsigned kMbInformation = 64;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class UserChannel {
public:
    virtual ~UserChannel() = default;

    // A modal message box; an empty title shows "Quorvine". Returns the answer.
    virtual int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned style) = 0;
    // One plain line to the standard output the program was started with (a
    // pipe, a file, or the console it was started from); nothing without one.
    virtual void WriteOutputLine(const std::wstring& line) = 0;
};

// The user's channel in force (seams.h installs it).
UserChannel& User();

}  // namespace qv
