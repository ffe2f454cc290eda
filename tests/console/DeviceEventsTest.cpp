#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "console/widgets/ChannelSelector.h"
#include "console/widgets/DeviceInfoTab.h"
#include "console/widgets/GainMeter.h"
#include "console/widgets/PigPassageDlg.h"
#include "tests/console/ConsoleFixture.h"

#include <QMenuBar>
#include <QPointer>

#include <algorithm>

namespace quorvex::test {
namespace {

using console::SoundEvent;
using Field = console::DeviceInfoTab::Field;

// What the unit's events do to the main window's widgets, against a simulated unit.
class DeviceEventsTest : public ConsoleTest {
protected:
    template <typename Widget>
    Widget& widget() {
        auto* found = window().findChild<Widget*>();
        EXPECT_NE(found, nullptr);
        return *found;
    }

    static std::vector<console::PigPassageDlg*> passageDialogs() {
        return console::PigPassageDlg::openDialogs();
    }

    long played(SoundEvent event) const {
        return std::count(answers_.sounds.begin(), answers_.sounds.end(), event);
    }

    int logLinesWith(const QString& text) {
        int count = 0;
        for (const QString& line : window().logText().split(u'\n')) {
            count += line.contains(text) ? 1 : 0;
        }
        return count;
    }
};

TEST_F(DeviceEventsTest, AStreamingUnitFillsThePlotsTheDeviceInfoAndTheMeter) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    auto& history = widget<console::HistoryWnd>();
    auto& axes = widget<console::AxisHistoryWnd>();
    ASSERT_TRUE(waitFor([&] { return history.model().ring().newest(1).channel != 0; }));
    EXPECT_NE(history.model().activeTransmitter(), nullptr);
    EXPECT_NE(axes.model().ring().newest(0).channel, 0) << "both plots are fed while playing";
    EXPECT_EQ(history.model().ring().capacity(), 156u);

    auto& info = widget<console::DeviceInfoTab>();
    EXPECT_EQ(info.text(Field::Model), QStringLiteral("M450"));
    EXPECT_EQ(info.text(Field::SerialNumber), QStringLiteral("123456"));
    EXPECT_EQ(info.text(Field::Firmware), QStringLiteral("0.0096"));
    ASSERT_TRUE(waitFor([&] { return !info.text(Field::Latitude).isEmpty(); }));
    EXPECT_EQ(info.text(Field::Latitude), QStringLiteral("51.500000"));
    EXPECT_EQ(info.text(Field::Longitude), QStringLiteral("-0.120000"));
    EXPECT_EQ(info.text(Field::SignalQuality), QStringLiteral("Good"));

    auto& meter = widget<console::GainMeter>();
    control("gain 9 1");
    ASSERT_TRUE(waitFor([&] { return meter.gain() == 9; }));
    EXPECT_EQ(meter.clipping(), 1);
    control("gps 57.25 -2.5 80 1.5 0");
    ASSERT_TRUE(waitFor([&] { return info.text(Field::Latitude) == QStringLiteral("57.250000"); }));
    EXPECT_EQ(info.text(Field::SignalQuality), QStringLiteral("No signal"));
}

TEST_F(DeviceEventsTest, AChannelChangeSetsTheHistoryModeAndTheSelectorFollowsTheUnit) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    auto& history = widget<console::HistoryWnd>();
    auto& selector = widget<console::ChannelSelector>();
    window().OnSelChangeChannelSelector(8);
    ASSERT_TRUE(waitFor([&] { return history.model().mode() == ChannelKind::Magnetic; }));
    ASSERT_TRUE(waitFor([&] { return selector.currentText() == QStringLiteral("Mag"); }));
    window().OnSelChangeChannelSelector(0);
    ASSERT_TRUE(waitFor([&] { return selector.currentText() == QStringLiteral("Auto Select"); }));
}

TEST_F(DeviceEventsTest, WhilePausedASampleOnlyUpdatesTheCurrentValue) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    auto& history = widget<console::HistoryWnd>();
    ASSERT_TRUE(waitFor([&] { return history.model().ring().newest(0).channel != 0; }));
    window().OnLive();  // pause
    ASSERT_EQ(unitState().streamingState(), StreamingState::Paused);
    const StreamingSample newest = history.model().ring().newest(0);
    const std::int32_t before = history.model().current().x;
    ASSERT_TRUE(waitFor([&] { return history.model().current().x != before; }));
    EXPECT_EQ(history.model().ring().newest(0).x, newest.x) << "nothing is added to the history";
}

TEST_F(DeviceEventsTest, PassagesOpenADialogEachCountAndSoundAndClearResetsTheCount) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    control("passage 1 57.5 -2.25 101.5");
    control("passage 2");
    ASSERT_TRUE(waitFor([&] { return window().passageCount() == 2; }));
    EXPECT_EQ(logLinesWith(QStringLiteral("] Pig passage detected at ")), 2);
    EXPECT_EQ(
        logLinesWith(QStringLiteral("Latitude = 57.500000, Longitude = -2.250000, Elevation = 101.500000.")),
        1);
    EXPECT_EQ(played(SoundEvent::Passage), 2);
    const auto dialogs = passageDialogs();
    ASSERT_EQ(dialogs.size(), 2u) << "every passage has its own dialog";
    const auto atPosition = std::count_if(dialogs.begin(), dialogs.end(), [](console::PigPassageDlg* dialog) {
        return dialog->pageHtml().contains(QStringLiteral("id=\"latitude\">57.500000<"));
    });
    EXPECT_EQ(atPosition, 1);
    EXPECT_TRUE(window().isWaiting());
    EXPECT_FALSE(window().centralWidget()->isEnabled() || window().menuBar()->isEnabled());
    EXPECT_TRUE(dialogs[0]->isEnabled() && dialogs[1]->isEnabled())
        << "the operator can close a passage dialog while the window waits";

    QPointer<console::PigPassageDlg> closed = dialogs[1];
    closed->accept();
    EXPECT_FALSE(window().isWaiting()) << "closing any passage dialog ends the wait";
    ASSERT_TRUE(waitFor([&] { return closed.isNull(); }));
    EXPECT_EQ(passageDialogs().size(), 1u);

    window().OnClear();
    EXPECT_EQ(window().passageCount(), 0);
    EXPECT_TRUE(window().logText().isEmpty());
}

TEST_F(DeviceEventsTest, IgnoredEventsAndRecordingTriggersAreLoggedWithTheirSounds) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    control("ignored");
    control("trigger 8");
    control("trigger 9");
    control("trigger 3");
    ASSERT_TRUE(waitFor([&] { return played(SoundEvent::Triggered) == 3; }));
    EXPECT_EQ(window().ignoredCount(), 1);
    EXPECT_EQ(played(SoundEvent::Ignored), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] Event ignored.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording magnetic disturbance.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording legacy transmitter.")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("] QUORVEX is recording Korvid transmitter 3.")), 1);
    EXPECT_EQ(window().passageCount(), 0) << "no counter but the ignored one changes";
}

TEST_F(DeviceEventsTest, AThousandPassagesGiveAThousandLinesAndACountOfAThousand) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    for (int i = 0; i < 1000; ++i) {
        control("passage");
    }
    ASSERT_TRUE(waitFor([&] { return window().passageCount() >= 1000; }))
        << "count " << window().passageCount();
    EXPECT_EQ(window().passageCount(), 1000);
    EXPECT_EQ(logLinesWith(QStringLiteral("] Pig passage detected at ")), 1000);
    EXPECT_EQ(played(SoundEvent::Passage), 1000);
    // One dialog per passage up to the limit; the newest counts the rest.
    const auto dialogs = passageDialogs();
    EXPECT_EQ(dialogs.size(), console::TelvaneDlg::MaxPassageDialogs);
    EXPECT_EQ(std::count_if(dialogs.begin(), dialogs.end(),
                            [](console::PigPassageDlg* dialog) {
                                return dialog->laterPassagesText() ==
                                       QStringLiteral(
                                           "980 more passages arrived; the Log tab lists every passage.");
                            }),
              1);
}

TEST_F(DeviceEventsTest, ADisconnectionClearsPlotsMeterSelectorCountersAndDeviceInfo) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    control("gain 5 2");
    control("ignored");
    ASSERT_TRUE(
        waitFor([&] { return widget<console::GainMeter>().gain() == 5 && window().ignoredCount() == 1; }));
    window().OnDisconnect();
    ASSERT_TRUE(waitFor([&] { return unitState().connectionState() == ConnectionState::Disconnected; }));
    ASSERT_TRUE(waitFor([&] { return widget<console::DeviceInfoTab>().text(Field::Model).isEmpty(); }));
    EXPECT_EQ(widget<console::GainMeter>().gain(), 0);
    EXPECT_EQ(widget<console::GainMeter>().clipping(), 0);
    EXPECT_EQ(window().ignoredCount(), 0);
    EXPECT_EQ(widget<console::ChannelSelector>().currentText(), QStringLiteral("Auto Select"));
    const auto& history = widget<console::HistoryWnd>().model();
    EXPECT_EQ(history.activeTransmitter(), nullptr);
    EXPECT_EQ(history.ring().newest(0).channel, 0) << "the ring is empty";
    EXPECT_EQ(widget<console::AxisHistoryWnd>().model().ring().newest(0).channel, 0);
}

}  // namespace
}  // namespace quorvex::test
