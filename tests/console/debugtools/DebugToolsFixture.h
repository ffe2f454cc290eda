#pragma once

#include "console/CommandIds.h"
#include "console/ConsoleServices.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "support/logconsole/LogConsoleWindow.h"
#include "support/logging/LogBeacon.h"
#include "tests/helpers/OffscreenApplication.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>

#include <memory>
#include <vector>

namespace quorvex::test {

using zeph::windows::logging::LogConsoleWindow;

// A person who dismisses every box at once; the texts are kept.
struct DismissingBoxes : console::IMessageBoxes {
    void show(QWidget*, const QString& text, console::BoxIcon) override { texts.push_back(text); }
    std::vector<QString> texts;
};
struct CancellingSaveDialog : console::ISaveFileDialog {
    std::optional<QString> askFileName(QWidget*, const QString&) override { return std::nullopt; }
};
struct QuietDesktop : console::IDesktop {
    void openFile(const QString&) override {}
};

inline IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

// The main window with its debug menu, on the test's main thread, which is the window thread.
// Each test runs in a process of its own, with its own profile folder.
class DebugToolsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        offscreenApplication();
        ASSERT_TRUE(profileFolder_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileFolder_.path());
        beacon_ = &zeph::windows::logging::LogBeacon::instance();
        dialog_ = std::make_unique<console::TelvaneDlg>(deviceStack(), services_, true);
        dialog_->show();
    }
    void TearDown() override {
        dialog_.reset();
        beacon_->flush();
    }

    void trigger(int id) { dialog_->action(id)->trigger(); }
    bool checked(int id) const { return dialog_->action(id)->isChecked(); }
    bool enabled(int id) const { return dialog_->action(id)->isEnabled(); }

    // The top-level windows of the given title that are shown.
    static int shownWindows(const QString& title) {
        int count = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            count += widget->isVisible() && widget->windowTitle() == title ? 1 : 0;
        }
        return count;
    }
    template <typename Window>
    static Window* findWindow(const QString& title) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->windowTitle() == title) {
                return qobject_cast<Window*>(widget);
            }
        }
        return nullptr;
    }

    // Delivers the log and shows it in the console at once; the lines without time stamps.
    QStringList consoleLines() {
        beacon_->flush();
        auto* console = findWindow<LogConsoleWindow>(QStringLiteral("Log"));
        if (console == nullptr) {
            return {};
        }
        console->appendPending();
        QStringList lines;
        for (QTextBlock block = console->document()->begin(); block.isValid(); block = block.next()) {
            if (!block.text().isEmpty()) {
                lines.append(block.text().mid(24));
            }
        }
        return lines;
    }

    QTemporaryDir profileFolder_;
    DismissingBoxes boxes_;
    CancellingSaveDialog saveDialog_;
    QuietDesktop desktop_;
    console::ConsoleServices services_{boxes_, saveDialog_, desktop_};
    zeph::windows::logging::LogBeacon* beacon_ = nullptr;
    std::unique_ptr<console::TelvaneDlg> dialog_;
};

}  // namespace quorvex::test
