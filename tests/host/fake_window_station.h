// The window station in the host tests: visible, unless a test runs where
// nobody can see a box.
#pragma once

namespace qv::testing {

extern bool windowStationVisible;

class ScopedUnseenWindowStation {
public:
    ScopedUnseenWindowStation() { windowStationVisible = false; }
    ~ScopedUnseenWindowStation() { windowStationVisible = true; }
    ScopedUnseenWindowStation(const ScopedUnseenWindowStation&) = delete;
    ScopedUnseenWindowStation& operator=(const ScopedUnseenWindowStation&) = delete;
};

}  // namespace qv::testing
