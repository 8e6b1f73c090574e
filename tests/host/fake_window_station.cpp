#include "fake_window_station.h"

#include "system/window_station.h"

namespace qv {

namespace testing {
bool windowStationVisible = true;
}  // namespace testing

bool WindowStationVisible() { return testing::windowStationVisible; }

}  // namespace qv
