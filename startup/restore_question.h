// The question asked inside Safe Mode, when the way back starts the program.
#pragma once

namespace qv {

enum class RestoreAnswer {
    Restore,     // no choice recorded, or Yes: restore Normal Mode now
    StaySafe,    // No: Safe Mode stays (its way back was armed before the question)
    OpenWindow,  // Cancel: the window offers every mode
};

// Whether there is a question: the window recorded a choice (BootMode 1, 2 or 3).
bool RestoreQuestionAsked();
// Asks only when there is a question.
RestoreAnswer AskRestoreNormalMode();

}  // namespace qv
