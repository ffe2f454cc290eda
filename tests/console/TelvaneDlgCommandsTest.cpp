#include "console/CommandIds.h"
#include "console/GainSpin.h"
#include "console/widgets/ChannelSelector.h"
#include "tests/console/ConsoleFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTest>
#include <QWheelEvent>

namespace {

using namespace quorvex::console;
using quorvex::test::ConsoleTest;

const QStringList quietUnit{"--simulate", "--records", "1", "--battery-period", "0"};

TEST(GainSpinTest, TheUpArrowIsDeltaMinusOneAndTheControlKeepsNoValue) {
    std::vector<int> deltas;
    ConsoleTest::application();
    GainSpin spin([&](int delta) { deltas.push_back(delta); }, nullptr);
    spin.stepUp();
    spin.stepDown();
    spin.stepBy(3);
    EXPECT_EQ((std::vector<int>{-1, 1, -1}), deltas);
    EXPECT_TRUE(spin.text().isEmpty());
}

TEST_F(ConsoleTest, TheGainCommandsAndTheSpinChangeTheUnitsGain) {
    // The console learns the gain from the unit's gain events only.
    start(quietUnit + QStringList{"--gain", "8"});
    ASSERT_TRUE(waitForStreaming());
    window().OnGainSpin(-1);
    ASSERT_TRUE(waitFor([&] { return unitState().gain() == 9; })) << "the up arrow raises the gain";
    window().action(ID_GAIN_DECREASE)->trigger();
    ASSERT_TRUE(waitFor([&] { return unitState().gain() == 8; }));
    window().OnGainSpin(1);
    ASSERT_TRUE(waitFor([&] { return unitState().gain() == 7; }));
    window().action(ID_GAIN_INCREASE)->trigger();
    ASSERT_TRUE(waitFor([&] { return unitState().gain() == 8; }));
}

// The keypad's + and - the Gain menu shows work wherever the focus is, the gain control shows the
// unit's gain as a number, and Tab reaches it, where Up and Down step the gain.
TEST_F(ConsoleTest, TheKeypadKeysStepTheGainAndTheGainControlShowsItAndTakesTab) {
    start(quietUnit + QStringList{"--gain", "8"});
    ASSERT_TRUE(waitForStreaming());
    auto* spin = window().findChild<GainSpin*>();
    ASSERT_NE(nullptr, spin);
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    window().action(ID_GAIN_INCREASE)->trigger();
    ASSERT_TRUE(waitFor([&] { return spin->text() == QStringLiteral("9"); })) << spin->text().toStdString();
    int gain = 9;
    for (QWidget* focus :
         {static_cast<QWidget*>(window().findChild<ChannelSelector*>()),
          static_cast<QWidget*>(window().findChild<QLineEdit*>()), static_cast<QWidget*>(spin)}) {
        ASSERT_NE(nullptr, focus);
        SCOPED_TRACE(focus->metaObject()->className());
        focus->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus, Qt::KeypadModifier);
        ASSERT_TRUE(waitFor([&] { return unitState().gain() == gain + 1; })) << "Num++ did nothing";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Minus, Qt::KeypadModifier);
        ASSERT_TRUE(waitFor([&] { return unitState().gain() == gain; })) << "Num+- did nothing";
    }
    EXPECT_TRUE(spin->focusPolicy() & Qt::TabFocus);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    ASSERT_TRUE(waitFor([&] { return spin->text() == QStringLiteral("10"); })) << spin->text().toStdString();
}

// A wheel turned over the channel selector or the gain arrows without focus is the operator
// scrolling past: nothing reaches the unit, and an M410 shows no refusal box.
TEST_F(ConsoleTest, TheWheelOverAnUnfocusedSelectorOrGainControlSendsNothing) {
    start(quietUnit + QStringList{"--model", "M410", "--gain", "8"});
    ASSERT_TRUE(waitForStreaming());
    auto* selector = window().findChild<ChannelSelector*>();
    auto* spin = window().findChild<GainSpin*>();
    ASSERT_TRUE(selector != nullptr && spin != nullptr);
    ASSERT_TRUE(unitState().autoSelect());
    // Down the list towards "QUORVEX 3"; up the gain.
    for (const auto& [control, notch] :
         {std::pair<QWidget*, int>{selector, -120}, std::pair<QWidget*, int>{spin, 120}}) {
        for (int turn = 0; turn < 3; ++turn) {
            QWheelEvent wheel(QPointF(5, 5), control->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, notch),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(control, &wheel);
        }
    }
    // The unit answers in order: whatever the wheel sent is answered before this.
    window().action(ID_GAIN_DECREASE)->trigger();
    ASSERT_TRUE(waitFor([&] { return unitState().gain() == 7; })) << "the wheel changed the gain";
    EXPECT_TRUE(answers_.boxes.empty());
    EXPECT_TRUE(unitState().autoSelect()) << "the wheel picked a channel";
    EXPECT_EQ(QStringLiteral("Auto Select"), selector->currentText());
}

TEST_F(ConsoleTest, TheWorkingFolderMenuNamesTheUnitsFoldersAndChoosesOne) {
    start(quietUnit);
    // Until the unit's answers are handled, the window shows what it was created with.
    EXPECT_FALSE(window().workingFolderMenu()->isEnabled()) << "greyed while disconnected";
    EXPECT_EQ(QStringLiteral("Placeholder1"), window().action(ID_WORKING_FOLDER_1)->text());
    ASSERT_TRUE(waitForStreaming());
    EXPECT_TRUE(window().workingFolderMenu()->isEnabled());
    const WorkingFolderNames names = unitState().workingFolderNames();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(QString::fromStdString(names[i]), window().action(ID_WORKING_FOLDER_1 + i)->text()) << i;
    }
    const auto before = unitState().folderValues()[5];
    window().action(ID_WORKING_FOLDER_1 + 2)->trigger();
    ASSERT_TRUE(waitFor([&] { return unitState().folderValues()[5] != before; }));
    window().refreshCommandState();
    const auto current = unitState().folderValues()[5];
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(i == current, window().action(ID_WORKING_FOLDER_1 + i)->isChecked()) << i;
    }
}

TEST_F(ConsoleTest, AnM410RefusesTransmittersThreeToSevenWithABoxAndSendsTheOthers) {
    start(quietUnit + QStringList{"--model", "M410"});
    ASSERT_TRUE(waitForStreaming());
    window().OnSelChangeChannelSelector(3);
    ASSERT_EQ(1u, answers_.boxes.size());
    EXPECT_EQ(QStringLiteral("This option only available on the QUORVEX M450."), answers_.boxes[0].text);
    EXPECT_EQ(BoxIcon::Information, answers_.boxes[0].icon);

    window().OnSelChangeChannelSelector(2);
    ASSERT_TRUE(waitFor([this] {
        const ChannelRecord* channel = unitState().activeChannel();
        return channel != nullptr && channel->id == 2 && !unitState().autoSelect();
    }));
    EXPECT_EQ(1u, answers_.boxes.size());
}

TEST_F(ConsoleTest, AutomaticRecordingClosesTheRecordOptionsWhileTheUnitWaitsForATrigger) {
    start(quietUnit);
    ASSERT_TRUE(waitForStreaming());
    window().refreshCommandState();
    EXPECT_TRUE(window().action(ID_RECORD_MANUAL)->isChecked());
    window().action(ID_RECORD_AUTOMATIC)->trigger();
    ASSERT_TRUE(waitFor([this] { return unitState().autoTrigger() && unitState().logging(); }));
    window().refreshCommandState();
    EXPECT_TRUE(window().action(ID_RECORD_AUTOMATIC)->isChecked());
    EXPECT_FALSE(window().action(ID_RECORD_MANUAL)->isChecked());
    for (int id : {ID_RECORD_AUTOMATIC, ID_RECORD_MANUAL, ID_WORKING_FOLDER_1, ID_WORKING_FOLDER_5}) {
        EXPECT_FALSE(window().action(id)->isEnabled()) << id;
    }
    EXPECT_EQ(QStringLiteral("Waiting for Trigger"), window().statusText());
    window().action(ID_RECORD_MANUAL)->trigger();
    EXPECT_TRUE(unitState().autoTrigger()) << "a disabled command sends nothing";
}

// On a stream the controls are set only where the unit's state changed; a control changed by
// hand (a click toggles a checkable item before its command runs) is set back by the idle refresh.
TEST_F(ConsoleTest, OnAStreamAControlChangedByHandIsSetBackToTheUnitsState) {
    start(quietUnit);
    ASSERT_TRUE(waitForStreaming());
    QAction* manual = window().action(ID_RECORD_MANUAL);
    ASSERT_TRUE(waitFor([&] { return manual->isChecked(); }));
    manual->setChecked(false);
    EXPECT_TRUE(waitFor([&] { return manual->isChecked(); }));
}

TEST_F(ConsoleTest, ALostLinkShowsTheSystemsTextAndTheDisconnectedLook) {
    start(quietUnit);
    ASSERT_TRUE(waitForStreaming());
    control("passage");
    ASSERT_TRUE(waitFor([this] { return window().passageCount() == 1; }));
    control("fault hangup");
    // The stack is Disconnected before the window has handled the news; the counters are only
    // cleared by the disconnection's handler. The box says either that the device is not
    // connected (a read saw the hang-up) or that the unit does not answer (a GPS request did).
    ASSERT_TRUE(waitFor([this] { return !answers_.boxes.empty() && window().passageCount() == 0; }));
    ASSERT_EQ(1u, answers_.boxes.size());
    EXPECT_EQ(BoxIcon::Error, answers_.boxes[0].icon);
    EXPECT_FALSE(answers_.boxes[0].text.isEmpty());
    EXPECT_FALSE(answers_.boxes[0].text.endsWith('\n')) << "without the system text's line end";
    EXPECT_EQ(0, window().passageCount());
    EXPECT_EQ(QStringLiteral("Ready"), window().messageText());
    EXPECT_TRUE(window().action(ID_CONNECT)->isEnabled());
    EXPECT_FALSE(window().action(ID_DISCONNECT)->isEnabled());
}

TEST_F(ConsoleTest, AHighlightedCommandShowsItsPromptAndLeavingItRestoresTheMessage) {
    start({});
    QStatusTipEvent highlighted(window().action(ID_CONNECT)->statusTip());
    QApplication::sendEvent(&window(), &highlighted);
    EXPECT_EQ(QStringLiteral("Connect to the selected QUORVEX unit"), window().shownMessage());
    QStatusTipEvent left{QString()};
    QApplication::sendEvent(&window(), &left);
    EXPECT_EQ(QStringLiteral("Ready"), window().shownMessage());
}

}  // namespace
