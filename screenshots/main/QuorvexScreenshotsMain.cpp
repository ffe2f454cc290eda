// quorvex-screenshots: renders the console's windows into PNG files, one scene at a time, so
// what a person would see can be looked at.
//   quorvex-screenshots --list             the scenes' names
//   quorvex-screenshots [--dark] SCENE OUTPUT_DIR   one scene's pictures, --dark with a dark
//                                                    system palette
#include "screenshots/ScreenshotScene.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A dark desktop's palette, as a dark theme hands it to Qt.
QPalette darkPalette() {
    QPalette palette(QColor(0x31, 0x36, 0x3b), QColor(0x23, 0x26, 0x29));
    palette.setColor(QPalette::WindowText, QColor(0xef, 0xf0, 0xf1));
    palette.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    palette.setColor(QPalette::Text, QColor(0xef, 0xf0, 0xf1));
    palette.setColor(QPalette::ButtonText, QColor(0xef, 0xf0, 0xf1));
    palette.setColor(QPalette::ToolTipText, QColor(0xef, 0xf0, 0xf1));
    palette.setColor(QPalette::ToolTipBase, QColor(0x31, 0x36, 0x3b));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    palette.setColor(QPalette::Link, QColor(0x1d, 0x99, 0xf3));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x71, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x71, 0x75));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x71, 0x75));
    return palette;
}

// The scenes make up sessions, notes and window placements: they go to a folder of the
// program's own, never into the user's journal, profile or debug logs, however it is started.
bool useOwnFolders(const QTemporaryDir& folder) {
    if (!folder.isValid()) {
        return false;
    }
    const QByteArray path = QFile::encodeName(folder.path());
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "TEMP"}) {
        ::setenv(name, path.constData(), 1);
    }
    ::setenv("QUORVEX_PORT_DIR", (path + "/ports").constData(), 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvex::screenshots;
    const bool dark = argc == 4 && std::strcmp(argv[1], "--dark") == 0;
    if (dark) {
        --argc;
        ++argv;
    }
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const ScreenshotScene& scene : allScenes()) {
            std::printf("%s\n", scene.name.c_str());
        }
        return 0;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvex-screenshots --list | [--dark] SCENE OUTPUT_DIR\n");
        return 2;
    }
    const QTemporaryDir own;
    if (!useOwnFolders(own)) {
        std::fprintf(stderr, "quorvex-screenshots: no temporary folder of its own can be made\n");
        return 1;
    }
    QApplication application(argc, argv);
    if (dark) {
        QApplication::setPalette(darkPalette());
    }
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
