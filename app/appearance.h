#pragma once

#include "app/window_description.h"

namespace app {

// Turns the window's designed black texts white, in a fixed order of steps. Running it again
// changes nothing.
void applyStartupAppearance(const MainWindowControls& window);

}  // namespace app
