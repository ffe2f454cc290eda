#include "screenshots/ScreenshotScene.h"

#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace quorvex::screenshots {

namespace {

std::vector<ScreenshotScene>& registry() {
    static std::vector<ScreenshotScene> scenes;
    return scenes;
}

}  // namespace

bool SceneContext::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    return QTest::qWaitFor(condition, static_cast<int>(limit.count()));
}

void SceneContext::settle(std::chrono::milliseconds time) {
    QTest::qWait(static_cast<int>(time.count()));
}

bool SceneContext::save(QWidget& window, const QString& name) {
    const QString path = QDir(outputFolder_).filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path, "PNG")) {
        return false;
    }
    written_.push_back(path);
    return true;
}

const std::vector<ScreenshotScene>& allScenes() {
    return registry();
}

RegisterScene::RegisterScene(std::string name, std::function<bool(SceneContext&)> run) {
    registry().push_back({std::move(name), std::move(run)});
}

}  // namespace quorvex::screenshots
