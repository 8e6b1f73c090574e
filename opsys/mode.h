// The mode a start of Windows runs in: the one type for what is chosen, set,
// read back and recorded.
#pragma once

namespace qv {

// Minimal, Network and CommandPrompt are the three Safe Modes Quorvine sets;
// CommandPrompt is Minimal with the command prompt as the only shell.
enum class Mode { Normal, Minimal, Network, CommandPrompt };

}  // namespace qv
