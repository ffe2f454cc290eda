#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quorvex::screenshots {

// What a scene is given: a way to wait for what it shows and to save a picture of a window.
class SceneContext {
public:
    explicit SceneContext(QString outputFolder) : outputFolder_(std::move(outputFolder)) {}

    // Runs the event loop until the condition holds; false after the time limit.
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(15));
    // Lets the window paint for a while (animations, a few samples of a stream).
    void settle(std::chrono::milliseconds time);
    // Writes the window as <output folder>/<name>.png; false when it could not be written.
    bool save(QWidget& window, const QString& name);
    const std::vector<QString>& written() const { return written_; }

private:
    QString outputFolder_;
    std::vector<QString> written_;
};

// One screenshot scene: it sets up what it shows and saves one or more pictures. A scene's file
// registers it with a file-scope RegisterScene, so adding a scene touches no shared code.
struct ScreenshotScene {
    std::string name;
    std::function<bool(SceneContext&)> run;  // false when the scene could not be shown
};

const std::vector<ScreenshotScene>& allScenes();

struct RegisterScene {
    RegisterScene(std::string name, std::function<bool(SceneContext&)> run);
};

}  // namespace quorvex::screenshots
