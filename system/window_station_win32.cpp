#include "system/window_station.h"

#include <windows.h>

namespace qv {

bool WindowStationVisible() {
    static const bool visible = [] {
        USEROBJECTFLAGS flags{};
        DWORD needed = 0;
        const HWINSTA station = GetProcessWindowStation();
        // A station that cannot be asked is taken as the interactive one, as
        // before this question: a GUI process always has a station to ask.
        if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
        return (flags.dwFlags & WSF_VISIBLE) != 0;
    }();
    return visible;
}

}  // namespace qv
