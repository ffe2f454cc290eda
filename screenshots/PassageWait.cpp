#include "screenshots/PassageWait.h"

#include "console/widgets/PigPassageDlg.h"

namespace quorvex::screenshots {

console::PigPassageDlg* awaitPassageDialog(SceneContext& context) {
    console::PigPassageDlg* dialog = nullptr;
    context.waitFor(
        [&] {
            const auto open = console::PigPassageDlg::openDialogs();
            dialog = open.empty() ? nullptr : open.front();
            return dialog != nullptr;
        },
        std::chrono::seconds(30));
    return dialog;
}

}  // namespace quorvex::screenshots
