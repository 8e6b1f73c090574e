// What the user is told of a mode operation's result: the same messages for
// the switches and for the window.
#pragma once

#include <string>
#include <vector>

#include "bootmode/mode_result.h"

namespace qv {

// The text and message-box style of one problem.
std::wstring ProblemText(const Problem& problem);
unsigned ProblemStyle(ProblemKind kind);

// Unattended runs get no box that nobody could click: lines only.
enum class Telling { BoxesAndLines, LinesOnly };

// A problem as one plain output line, "error: ..." or "warning: ...".
std::wstring ProblemLine(const Problem& problem);
// What happened to the services named for Safe Mode, as output lines.
std::vector<std::wstring> ServiceLines(const ModeResult& result);
// One message and one output line.
void TellProblem(const Problem& problem, Telling telling = Telling::BoxesAndLines);
// One plain English line for the standard output saying what happened.
std::wstring OutcomeLine(const ModeResult& result);
// One message and one output line per problem, in the order they happened,
// then the outcome's line.
void TellProblems(const ModeResult& result, Telling telling = Telling::BoxesAndLines);
// After a Safe Mode configuration: what it holds, then the restart it asked
// for. A restart that fails is told and added to the result.
void FinishConfiguration(ModeResult& result, Telling telling = Telling::BoxesAndLines);
// Whether Normal Mode, once restored, offers to restart now.
enum class RestartOffer { Ask, None };
// After Normal Mode was asked for: its problems and, once restored, the
// restart offer (or, without one, the word that it is configured; lines only:
// no offer and no word in a box).
// False when the restart the user asked for could not be done (told already);
// Normal Mode is set all the same.
bool FinishRestoration(const ModeResult& result, RestartOffer offer, Telling telling = Telling::BoxesAndLines);

}  // namespace qv
