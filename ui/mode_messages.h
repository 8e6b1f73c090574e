// What the user is told of a mode operation's result: the same messages for
// the switches and for the window.
#pragma once

#include <string>

#include "bootmode/mode_result.h"

namespace qv {

// The text and message-box style of one problem.
std::wstring ProblemText(const Problem& problem);
unsigned ProblemStyle(ProblemKind kind);

// One message per problem, in the order they happened.
void TellProblems(const ModeResult& result);
// After a Safe Mode configuration: its problems, then the restart it asked
// for. A restart that fails is told and added to the result.
void FinishConfiguration(ModeResult& result);
// After Normal Mode was asked for: its problems and, once restored, the
// restart offer (or, without one, the word that it is configured).
void FinishRestoration(const ModeResult& result, bool offerRestart);

}  // namespace qv
