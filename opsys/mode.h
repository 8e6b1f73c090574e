// The mode a start of Windows runs in: the one type for what is chosen, set,
// read back and recorded.
#pragma once

#include <cstdint>
#include <optional>

namespace qv {

// Minimal, Network and CommandPrompt are the three Safe Modes Quorvine sets;
// CommandPrompt is Minimal with the command prompt as the only shell.
enum class Mode { Normal, Minimal, Network, CommandPrompt };

// The window's Safe Mode choice as the settings store records it (BootMode):
// 1, 2 or 3; 0 for Normal, which is never recorded.
constexpr int32_t RecordedValueOf(Mode mode) {
    switch (mode) {
        case Mode::Minimal:
            return 1;
        case Mode::Network:
            return 2;
        case Mode::CommandPrompt:
            return 3;
        case Mode::Normal:
            break;
    }
    return 0;
}
// The recorded choice; none for any other value.
constexpr std::optional<Mode> RecordedMode(int32_t value) {
    for (Mode mode : {Mode::Minimal, Mode::Network, Mode::CommandPrompt})
        if (RecordedValueOf(mode) == value) return mode;
    return std::nullopt;
}

}  // namespace qv
