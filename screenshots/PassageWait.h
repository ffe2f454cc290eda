#pragma once

#include "screenshots/ScreenshotScene.h"

namespace quorvex::console {
class PigPassageDlg;
}

namespace quorvex::screenshots {

// Waits for a passage dialog (a pig sent now passes 10 s later; the demo's first 15 s after its
// start); null when none opened in time.
console::PigPassageDlg* awaitPassageDialog(SceneContext& context);

}  // namespace quorvex::screenshots
