#pragma once

#include "console/IDesktop.h"
#include "console/IMessageBoxes.h"
#include "console/ISaveFileDialog.h"
#include "console/QtMessageBridge.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/ISoundPlayer.h"
#include "device/DeviceState.h"
#include "simulator/SimulatedUnit.h"
#include "tests/console/support/ConsoleTestApp.h"

#include <memory>
#include <vector>

namespace quorvex::test {

// The desktop as a test sees it: boxes, sounds and files are recorded, never shown or played.
class RecordingDesktop final : public console::IMessageBoxes,
                               public console::ISaveFileDialog,
                               public console::IDesktop,
                               public console::ISoundPlayer {
public:
    void show(QWidget*, const QString& text, console::BoxIcon) override { boxes.push_back(text); }
    std::optional<QString> askFileName(QWidget*, const QString&) override { return std::nullopt; }
    void openFile(const QString&) override {}
    void play(console::SoundEvent event) override { sounds.push_back(event); }

    console::ConsoleServices services() { return {*this, *this, *this, this}; }
    long count(console::SoundEvent event) const { return std::count(sounds.begin(), sounds.end(), event); }

    std::vector<QString> boxes;
    std::vector<console::SoundEvent> sounds;
};

// The main window connected to a simulated unit on a pseudo-terminal, as an operator has it.
class ConsoleSession : public ConsoleTest {
protected:
    // Starts the unit with that firmware and connects the window to it.
    void connectUnit(const std::string& firmware = "V0.0096");
    // Waits for the stream to play with the window out of its wait state.
    bool waitForStreaming();
    void TearDown() override;

    const DeviceState& unitState() const;
    // Sends the unit a control line ("passage", "gain 9 1").
    void control(const std::string& line);
    // The log tab's lines that contain the text.
    int logLinesWith(const QString& text) const;

    RecordingDesktop desktop_;
    std::unique_ptr<console::QtMessageBridge> bridge_;
    std::unique_ptr<simulator::SimulatedUnit> unit_;
    std::unique_ptr<console::TelvaneDlg> dialog_;
};

}  // namespace quorvex::test
