#pragma once

#include "console/ConsoleServices.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceState.h"
#include "tests/helpers/TestData.h"

#include <QApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Test failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quorvex::test {

// Answers the console's boxes and dialogs in place of a person, and remembers what was asked.
class AnsweringServices final : public console::IMessageBoxes,
                                public console::ISaveFileDialog,
                                public console::IOpenFileDialog,
                                public console::IDesktop,
                                public console::ISoundPlayer {
public:
    struct Box {
        QString text;
        console::BoxIcon icon;
        bool onWindowThread;
        QString status;  // what the main window's status bar said while the box was up
    };

    void show(QWidget* parent, const QString& text, console::BoxIcon icon) override;
    std::optional<QString> askFileName(QWidget* parent, const QString& filter) override;
    std::optional<Choice> askSaveFile(QWidget* parent, const QString& filters,
                                      const QString& suggested) override;
    std::optional<QString> askOpenFileName(QWidget*, const QString& askedFilter) override {
        openFilter = askedFilter;
        return openFileName;
    }
    bool openFile(const QString& path) override {
        opened.push_back(path);
        return viewerInstalled;
    }
    void play(console::SoundEvent event) override { sounds.push_back(event); }

    console::ConsoleServices services() { return {*this, *this, *this, this, this}; }

    std::vector<Box> boxes;
    std::optional<QString> fileName;  // the answer of the save dialog; none: cancelled
    QString filter;
    QString chosenFilter;                 // the type chosen with the file; none: the first offered
    QString suggested;                    // the name the save dialog was opened with
    std::optional<QString> openFileName;  // the answer of the open dialog; none: cancelled
    QString openFilter;
    std::vector<QString> opened;
    bool viewerInstalled = true;              // false: the desktop has no program for the file opened
    std::vector<console::SoundEvent> sounds;  // played, in order
};

// The console started as the program starts it, on Qt's offscreen platform, with its debug
// log in a fresh temporary folder.
class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest();
    ~ConsoleTest() override;

    // Starts the console with these command-line options; fails the test on an error.
    void start(const QStringList& options);
    // The same with the arguments as bytes, as the program is given them.
    void startWithArguments(std::vector<std::string> arguments);
    console::TelvaneDlg& window() const { return *telvane_->mainWindow(); }
    const DeviceState& unitState() const;
    // Sends a control line to the simulated unit.
    void control(const std::string& line);
    // Runs the event loop until the condition holds or 15 s have passed.
    [[nodiscard]] bool waitFor(const std::function<bool()>& condition);
    // Connected, the stream playing and the wait over.
    [[nodiscard]] bool waitForStreaming();
    std::string debugLog() const;
    // Waits until the debug log file holds the text.
    [[nodiscard]] bool waitForLog(const std::string& text);

public:
    static QApplication& application();

protected:
    TemporaryFolder temp_;
    AnsweringServices answers_;
    std::unique_ptr<console::Telvane> telvane_;
};

}  // namespace quorvex::test
