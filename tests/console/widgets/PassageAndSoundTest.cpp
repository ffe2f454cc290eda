#include "console/widgets/CanberraSoundPlayer.h"
#include "console/widgets/PigPassageDlg.h"
#include "support/logging/LogBeacon.h"
#include "tests/console/support/ConsoleTestApp.h"
#include "tests/console/support/ReferenceImage.h"
#include "tests/helpers/ColourContrast.h"
#include "tests/helpers/CommaDecimalLocale.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <QTextBrowser>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace quorvex::console {
namespace {

using zeph::windows::logging::LogBeacon;

class PassageTest : public test::WindowTest {
protected:
    PigPassageDlg* openPassage(QWidget* parent) {
        auto* dialog = new PigPassageDlg({[this] { waiting_ = true; }, [this] { waiting_ = false; }}, parent);
        zeph::platform::SYSTEMTIME utc;
        utc.wHour = 9;
        utc.wMinute = 5;
        utc.wSecond = 7;
        utc.wMilliseconds = 42;
        dialog->setData(utc, 57.123456, -2.5, 101.25, QStringLiteral("Site <A>"));
        dialog->showModeless();
        return dialog;
    }

    bool waiting_ = false;
};

TEST_F(PassageTest, FillsTheFiveElementsByIdAndEscapesTheText) {
    QWidget parent;
    // The operator's locale changes no digit: the dialog shows what the log line says.
    const test::CommaDecimalLocale german;
    ASSERT_TRUE(german.active()) << german.failure();
    PigPassageDlg* dialog = openPassage(&parent);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("QUORVEX - Pig Passage Detected!"));
    const QString html = dialog->pageHtml();
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"timestamp\">09:05:07.042 UTC<")));
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"latitude\">57.123456<")));
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"longitude\">-2.500000<")));
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"elevation\">101.250000<")));
    EXPECT_TRUE(html.contains(QStringLiteral("id=\"file_location\">Site &lt;A&gt;<")));
    const QString page = dialog->findChild<QTextBrowser*>()->toPlainText();
    for (const char* text : {"Pig Passage Detected!", "Passage Time:", "Latitude:", "Longitude:",
                             "Elevation:", "Log file saved to :", "OK", "Site <A>"}) {
        EXPECT_TRUE(page.contains(QString::fromLatin1(text))) << text;
    }
    EXPECT_EQ(fillElementsById(QStringLiteral("<b id=\"x\">old</b>"),
                               {{QStringLiteral("missing"), QStringLiteral("y")}}),
              QStringLiteral("<b id=\"x\">old</b>"));
    dialog->resize(380, 230);
    EXPECT_TRUE(test::matchesReference(dialog->grab().toImage(), QStringLiteral("passage-dialog"), 400));
}

// On a dark desktop the page is not a light grey block: it takes the desktop's background, and
// its heading still reads on it.
TEST_F(PassageTest, OnADarkDesktopThePageIsDarkAndItsHeadingReads) {
    const QPalette desktop = QApplication::palette();
    QPalette dark(QColor(0x31, 0x36, 0x3b), QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::WindowText, QColor(0xef, 0xf0, 0xf1));
    dark.setColor(QPalette::ButtonText, QColor(0xef, 0xf0, 0xf1));
    QApplication::setPalette(dark);
    QWidget parent;
    PigPassageDlg* dialog = openPassage(&parent);
    dialog->resize(380, 230);
    const QImage page = dialog->findChild<QTextBrowser*>()->viewport()->grab().toImage();
    QApplication::setPalette(desktop);
    const QColor background = page.pixelColor(page.width() - 4, 4);
    EXPECT_EQ(background, dark.color(QPalette::Window)) << background.name().toStdString();
    double heading = 1.0;
    for (int y = 0; y < page.height() / 4; ++y) {
        for (int x = 0; x < page.width(); ++x) {
            heading = std::max(heading, test::colourContrast(page.pixelColor(x, y), background));
        }
    }
    EXPECT_GE(heading, 4.5);
}

TEST_F(PassageTest, EveryPassageHasItsOwnDialogAndClosingAnyEndsTheWait) {
    QWidget parent;
    QPointer<PigPassageDlg> first = openPassage(&parent);
    QPointer<PigPassageDlg> second = openPassage(&parent);
    EXPECT_TRUE(waiting_);
    EXPECT_TRUE(first->isVisible() && second->isVisible());
    parent.setEnabled(false);  // what the owner's wait state does
    EXPECT_TRUE(first->isEnabled() && second->isEnabled()) << "a waiting owner must not disable its passages";
    second->findChild<QTextBrowser*>()->anchorClicked(QUrl(QStringLiteral("ok:")));
    EXPECT_FALSE(waiting_) << "the wait is one flag, not a count";
    ASSERT_TRUE(test::waitUntil([&] { return second.isNull(); })) << "a closed passage dialog deletes itself";
    EXPECT_FALSE(first.isNull());
    first->reject();
    ASSERT_TRUE(test::waitUntil([&] { return first.isNull(); }));
}

// OK is the dialog's default button: Return (or Enter), typed where the focus is, closes it.
TEST_F(PassageTest, ReturnOrEnterPressesTheDefaultOk) {
    QWidget parent;
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QPointer<PigPassageDlg> dialog = openPassage(&parent);
        ASSERT_TRUE(waiting_);
        QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QApplication::sendEvent(dialog->findChild<QTextBrowser*>(), &press);
        EXPECT_FALSE(waiting_) << key;
        ASSERT_TRUE(test::waitUntil([&] { return dialog.isNull(); })) << key;
    }
}

TEST_F(PassageTest, APassageDialogGoesWithItsOwner) {
    auto owner = std::make_unique<QWidget>();
    QPointer<PigPassageDlg> dialog = openPassage(owner.get());
    EXPECT_EQ(PigPassageDlg::openDialogs().size(), 1u);
    owner.reset();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(waiting_) << "a passage dialog closed by its owner's end does not call back into it";
}

TEST(SoundEvents, TheThemeKnowsThemByTheirIds) {
    EXPECT_STREQ(soundEventId(SoundEvent::Passage), "Telvane_PassageEvent");
    EXPECT_STREQ(soundEventId(SoundEvent::Ignored), "Telvane_IgnoredEvent");
    EXPECT_STREQ(soundEventId(SoundEvent::Triggered), "Telvane_TriggeredEvent");
}

TEST(SoundEvents, ABurstIsPlayedOffTheCallersThreadAndAFailureIsLoggedOnceAtMost) {
    LogBeacon& beacon = LogBeacon::instance();
    int reports = 0;
    const auto connection = beacon.connect([&](zeph::windows::logging::LogBatch batch) {
        for (const auto& entry : batch) {
            reports += entry.context() == "CanberraSoundPlayer::play" ? 1 : 0;
        }
    });
    {
        CanberraSoundPlayer player;
        for (int i = 0; i < 50; ++i) {
            player.play(static_cast<SoundEvent>(i % 3));
        }
    }  // joins the sound thread
    beacon.flush();
    EXPECT_LE(reports, 1);
    boost::signals2::connection(connection).disconnect();
}

// A sound server that never answers (the play call hangs) must not hold up the program's end.
TEST(SoundEvents, ASoundServerThatHangsDoesNotHoldUpTheEnd) {
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const auto playing = std::make_shared<std::atomic<bool>>(false);
    auto player = std::make_unique<CanberraSoundPlayer>([playing, released](SoundEvent) {
        playing->store(true);
        released.wait();
    });
    player->play(SoundEvent::Passage);
    for (int waited = 0; waited < 2000 && !playing->load(); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(playing->load());
    auto ended = std::async(std::launch::async, [&player] { player.reset(); });
    EXPECT_EQ(std::future_status::ready, ended.wait_for(std::chrono::seconds(60)));
    release.set_value();  // lets the thread left behind finish
    ended.wait();
}

}  // namespace
}  // namespace quorvex::console
