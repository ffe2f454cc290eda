// quorvex-screenshots: renders the console's windows into PNG files, one scene at a time, so
// what a person would see can be looked at.
//   quorvex-screenshots --list             the scenes' names
//   quorvex-screenshots SCENE OUTPUT_DIR   one scene's pictures
#include "screenshots/ScreenshotScene.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace quorvex::screenshots;
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const ScreenshotScene& scene : allScenes()) {
            std::printf("%s\n", scene.name.c_str());
        }
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvex-screenshots --list | SCENE OUTPUT_DIR\n");
        return 2;
    }
    QApplication application(argc, argv);
    for (const ScreenshotScene& scene : allScenes()) {
        if (scene.name != argv[1]) {
            continue;
        }
        SceneContext context{QString::fromLocal8Bit(argv[2])};
        const bool shown = scene.run(context);
        for (const QString& path : context.written()) {
            std::printf("%s\n", qPrintable(path));
        }
        return shown && !context.written().empty() ? 0 : 1;
    }
    std::fprintf(stderr, "quorvex-screenshots: no scene %s (see --list)\n", argv[1]);
    return 2;
}
