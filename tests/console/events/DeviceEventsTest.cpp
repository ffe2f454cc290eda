#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "console/widgets/ChannelSelector.h"
#include "console/widgets/DeviceInfoTab.h"
#include "console/widgets/GainMeter.h"
#include "console/widgets/PigPassageDlg.h"
#include "device/ChannelRegistry.h"
#include "tests/console/events/ConsoleSessionFixture.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace quorvex::test {
namespace {

using console::SoundEvent;
using Field = console::DeviceInfoTab::Field;

class DeviceEventsTest : public ConsoleSession {
protected:
    template <typename Widget>
    Widget& widget() {
        auto* found = dialog_->findChild<Widget*>();
        EXPECT_NE(found, nullptr);
        return *found;
    }

    std::vector<console::PigPassageDlg*> passageDialogs() {
        std::vector<console::PigPassageDlg*> open;
        for (auto* dialog : dialog_->findChildren<console::PigPassageDlg*>()) {
            if (dialog->isVisible()) {
                open.push_back(dialog);
            }
        }
        return open;
    }
};

TEST_F(DeviceEventsTest, AStreamingUnitFillsThePlotsTheDeviceInfoAndTheMeter) {
    connectUnit();
    ASSERT_TRUE(waitForStreaming());
    auto& history = widget<console::HistoryWnd>();
    auto& axes = widget<console::AxisHistoryWnd>();
    ASSERT_TRUE(waitUntil([&] { return history.model().ring().newest(1).channel != 0; }));
    EXPECT_NE(history.model().activeTransmitter(), nullptr);
    EXPECT_NE(axes.model().ring().newest(0).channel, 0) << "both plots are fed while playing";
    EXPECT_EQ(history.model().ring().capacity(), 156u);

    auto& info = widget<console::DeviceInfoTab>();
    EXPECT_EQ(info.text(Field::Model), QStringLiteral("M450"));
    EXPECT_EQ(info.text(Field::SerialNumber), QStringLiteral("123456"));
    EXPECT_EQ(info.text(Field::Firmware), QStringLiteral("0.0096"));
    ASSERT_TRUE(waitUntil([&] { return !info.text(Field::Latitude).isEmpty(); }));
    EXPECT_EQ(info.text(Field::Latitude), QStringLiteral("51.500000"));
    EXPECT_EQ(info.text(Field::Longitude), QStringLiteral("-0.120000"));
    EXPECT_EQ(info.text(Field::SignalQuality), QStringLiteral("Good"));

    auto& meter = widget<console::GainMeter>();
    control("gain 9 1");
    ASSERT_TRUE(waitUntil([&] { return meter.gain() == 9; }));
    EXPECT_EQ(meter.clipping(), 1);
    control("gps 57.25 -2.5 80 1.5 0");
    ASSERT_TRUE(waitUntil([&] { return info.text(Field::Latitude) == QStringLiteral("57.250000"); }, 8000));
    EXPECT_EQ(info.text(Field::SignalQuality), QStringLiteral("No signal"));
}

TEST_F(DeviceEventsTest, PassagesOpenADialogEachCountAndSoundAndClearResetsTheCount) {
    connectUnit();
    ASSERT_TRUE(waitForStreaming());
    control("passage 1 57.5 -2.25 101.5");
    control("passage 2");
    ASSERT_TRUE(waitUntil([&] { return dialog_->passageCount() == 2; }));
    EXPECT_EQ(logLinesWith(QStringLiteral("] Pig passage detected at ")), 2);
    EXPECT_EQ(
        logLinesWith(QStringLiteral("Latitude = 57.500000, Longitude = -2.250000, Elevation = 101.500000.")),
        1);
    EXPECT_EQ(desktop_.count(SoundEvent::Passage), 2);
    const auto dialogs = passageDialogs();
    ASSERT_EQ(dialogs.size(), 2u) << "every passage has its own dialog";
    EXPECT_TRUE(dialogs[0]->pageHtml().contains(QStringLiteral("id=\"latitude\">57.500000<")));
    EXPECT_TRUE(dialog_->isWaiting());
    EXPECT_TRUE(dialogs[1]->isEnabled()) << "the operator can close a passage dialog while the window waits";

    QPointer<console::PigPassageDlg> closed = dialogs[1];
    closed->accept();
    EXPECT_FALSE(dialog_->isWaiting()) << "closing any passage dialog ends the wait";
    ASSERT_TRUE(waitUntil([&] { return closed.isNull(); }));
    EXPECT_EQ(passageDialogs().size(), 1u);

    dialog_->OnClear();
    EXPECT_EQ(dialog_->passageCount(), 0);
    EXPECT_TRUE(dialog_->logText().isEmpty());
}

TEST_F(DeviceEventsTest, IgnoredEventsAndRecordingTriggersAreLoggedWithTheirSounds) {
    connectUnit();
    ASSERT_TRUE(waitForStreaming());
    control("ignored");
    control("trigger 8");
    control("trigger 9");
    control("trigger 3");
    ASSERT_TRUE(waitUntil([&] { return desktop_.count(SoundEvent::Triggered) == 3; }));
    EXPECT_EQ(dialog_->ignoredCount(), 1);
    EXPECT_EQ(desktop_.count(SoundEvent::Ignored), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] Event ignored.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording magnetic disturbance.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording legacy transmitter.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording Korvid transmitter 3.")), 1);
    EXPECT_EQ(dialog_->passageCount(), 0) << "no counter but the ignored one changes";
}

TEST_F(DeviceEventsTest, AThousandPassagesGiveAThousandLinesAndACountOfAThousand) {
    connectUnit();
    ASSERT_TRUE(waitForStreaming());
    for (int i = 0; i < 1000; ++i) {
        control("passage");
    }
    ASSERT_TRUE(waitUntil([&] { return dialog_->passageCount() >= 1000; }, 120000))
        << "count " << dialog_->passageCount();
    EXPECT_EQ(dialog_->passageCount(), 1000);
    EXPECT_EQ(logLinesWith(QStringLiteral("] Pig passage detected at ")), 1000);
    EXPECT_EQ(desktop_.count(SoundEvent::Passage), 1000);
    EXPECT_EQ(passageDialogs().size(), 1000u);
}

TEST_F(DeviceEventsTest, ADisconnectionClearsPlotsMeterSelectorCountersAndDeviceInfo) {
    connectUnit();
    ASSERT_TRUE(waitForStreaming());
    control("gain 5 2");
    control("ignored");
    ASSERT_TRUE(
        waitUntil([&] { return widget<console::GainMeter>().gain() == 5 && dialog_->ignoredCount() == 1; }));
    dialog_->OnDisconnect();
    ASSERT_TRUE(waitUntil([&] { return unitState().connectionState() == ConnectionState::Disconnected; }));
    ASSERT_TRUE(waitUntil([&] { return widget<console::DeviceInfoTab>().text(Field::Model).isEmpty(); }));
    EXPECT_EQ(widget<console::GainMeter>().gain(), 0);
    EXPECT_EQ(widget<console::GainMeter>().clipping(), 0);
    EXPECT_EQ(dialog_->ignoredCount(), 0);
    EXPECT_EQ(widget<console::ChannelSelector>().currentText(), QStringLiteral("Auto Select"));
    const auto& history = widget<console::HistoryWnd>().model();
    EXPECT_EQ(history.activeTransmitter(), nullptr);
    EXPECT_EQ(history.ring().newest(0).channel, 0) << "the ring is empty";
    EXPECT_EQ(widget<console::AxisHistoryWnd>().model().ring().newest(0).channel, 0);
}

TEST_F(DeviceEventsTest, FirmwareOutsideTheWindowIsRefusedWithItsBox) {
    connectUnit("V0.0084");
    ASSERT_TRUE(waitUntil([&] { return !desktop_.boxes.empty(); }, 20000));
    EXPECT_EQ(desktop_.boxes.front(),
              QStringLiteral("This QUORVEX unit is running an incompatible version of the firmware.\n\n"
                             "Minimum supported version 0.0085\nMaximum supported version 0.0098\n\n"
                             "Current Version 0.0084"));
    ASSERT_TRUE(waitUntil([&] { return unitState().connectionState() == ConnectionState::Disconnected; }));
    EXPECT_TRUE(widget<console::DeviceInfoTab>().text(Field::Model).isEmpty());
}

}  // namespace
}  // namespace quorvex::test
