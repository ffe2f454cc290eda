#include "support/config/ConfigMgr.h"
#include "support/ui/ApplicationProfile.h"
#include "support/ui/PersistWindowPos.h"
#include "tests/helpers/OffscreenApplication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

namespace {

using zeph::windows::config::ConfigMgr;
using zeph::windows::ui::ApplicationProfile;
using zeph::windows::ui::PersistWindowPos;

constexpr const wchar_t* kSection = L"Log Filter Dialog";

// Every test keeps its profile in a fresh configuration folder of its own.
class PersistWindowPosTest : public ::testing::Test {
protected:
    void SetUp() override {
        quorvex::test::offscreenApplication();
        ASSERT_TRUE(folder_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder_.path());
    }

    // A top-level window where its template would put it, not yet shown.
    static std::unique_ptr<QWidget> newWindow() {
        auto window = std::make_unique<QWidget>();
        window->setGeometry(kTemplatePlace);
        return window;
    }

    static QRect placeAfterRestore(bool expectRestored) {
        const std::unique_ptr<QWidget> window = newWindow();
        PersistWindowPos keeper(window.get(), kSection);
        EXPECT_EQ(keeper.restore(), expectRestored);
        return window->geometry();
    }

    static void writeProfile(const QByteArray& content) {
        QFile file(ApplicationProfile::fileName());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    static QSettings profile() { return QSettings(ApplicationProfile::fileName(), QSettings::IniFormat); }

    static constexpr QRect kTemplatePlace{40, 30, 220, 180};
    QTemporaryDir folder_;
};

TEST_F(PersistWindowPosTest, FirstRunRestoresNothingAndLeavesTheTemplatePlace) {
    EXPECT_EQ(placeAfterRestore(false), kTemplatePlace);
    EXPECT_FALSE(QFile::exists(ApplicationProfile::fileName()));
}

TEST_F(PersistWindowPosTest, SavesTheNormalRectangleAndStateUnderTheSection) {
    const std::unique_ptr<QWidget> window = newWindow();
    window->setGeometry(100, 120, 300, 200);
    window->show();
    PersistWindowPos(window.get(), kSection).save();

    const QSettings stored = profile();
    EXPECT_EQ(stored.value("Log Filter Dialog/Rectangle").toString(), "0100 0120 0400 0320");
    EXPECT_EQ(stored.value("Log Filter Dialog/Iconized").toInt(), 0);
    EXPECT_EQ(stored.value("Log Filter Dialog/Maximized").toInt(), 0);
    EXPECT_EQ(placeAfterRestore(true), QRect(100, 120, 300, 200));
}

TEST_F(PersistWindowPosTest, MinimisedFromMaximisedComesBackSoAndRestoresToMaximised) {
    {
        const std::unique_ptr<QWidget> window = newWindow();
        window->setGeometry(100, 120, 300, 200);
        window->show();
        window->showMaximized();
        window->showMinimized();
        PersistWindowPos(window.get(), kSection).save();
    }
    EXPECT_EQ(profile().value("Log Filter Dialog/Iconized").toInt(), 1);
    EXPECT_EQ(profile().value("Log Filter Dialog/Maximized").toInt(), 1);

    const std::unique_ptr<QWidget> window = newWindow();
    ASSERT_TRUE(PersistWindowPos(window.get(), kSection).restore());
    window->show();
    EXPECT_EQ(window->windowState(), Qt::WindowMinimized | Qt::WindowMaximized);
    EXPECT_EQ(window->normalGeometry(), QRect(100, 120, 300, 200));
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    EXPECT_EQ(window->windowState(), Qt::WindowMaximized);
}

TEST_F(PersistWindowPosTest, MinimisedFromNormalComesBackMinimisedOnly) {
    writeProfile("[Log%20Filter%20Dialog]\nRectangle=0100 0120 0400 0320\nIconized=1\nMaximized=0\n");
    const std::unique_ptr<QWidget> window = newWindow();
    ASSERT_TRUE(PersistWindowPos(window.get(), kSection).restore());
    EXPECT_EQ(window->windowState(), Qt::WindowMinimized);
    EXPECT_EQ(window->geometry(), QRect(100, 120, 300, 200));
}

TEST_F(PersistWindowPosTest, DamagedOrUnreadableProfileRestoresNothing) {
    const QByteArray damaged[] = {
        QByteArray("\x00\xff\x13garbage\n[[[\n=\n", 16),
        "[Log%20Filter%20Dialog]\nRectangle=not a rectangle\nMaximized=1\n",
        "[Log%20Filter%20Dialog]\nRectangle=0100 0120 0050 0320\n",
        "[Log%20Filter%20Dialog]\nRectangle=0100, 0120, 0400, 0320\n",
        "[Log%20Filter%20Dialog]\nIconized=1\nMaximized=1\n",
    };
    for (const QByteArray& content : damaged) {
        writeProfile(content);
        EXPECT_EQ(placeAfterRestore(false), kTemplatePlace) << content.toStdString();
    }
    // A folder where the file should be cannot be read, not even by root.
    ASSERT_TRUE(QFile::remove(ApplicationProfile::fileName()));
    ASSERT_TRUE(QDir().mkpath(ApplicationProfile::fileName()));
    EXPECT_EQ(placeAfterRestore(false), kTemplatePlace);
}

TEST_F(PersistWindowPosTest, ARectangleOffEveryScreenComesBackOnThePrimaryScreen) {
    writeProfile("[Log%20Filter%20Dialog]\nRectangle=5000 5000 5300 5200\n");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed = placeAfterRestore(true);
    EXPECT_EQ(placed.size(), QSize(300, 200));
    EXPECT_TRUE(screen.contains(placed)) << placed.x() << "," << placed.y();
}

TEST_F(PersistWindowPosTest, StoreModeKeepsThePlacementUnderDottedKeys) {
    ConfigMgr& store = ConfigMgr::instance();
    {
        const std::unique_ptr<QWidget> window = newWindow();
        window->setGeometry(60, 70, 200, 100);
        window->show();
        window->showMaximized();
        PersistWindowPos keeper(window.get(), L"Store Section");
        keeper.setStoreMode(true);
        keeper.save();
    }
    std::wstring rectangle;
    bool iconized = true;
    bool maximized = false;
    ASSERT_TRUE(store.get(L"Store Section.Rectangle", rectangle));
    ASSERT_TRUE(store.get(L"Store Section.Iconized", iconized));
    ASSERT_TRUE(store.get(L"Store Section.Maximized", maximized));
    EXPECT_EQ(rectangle, L"0060 0070 0260 0170");
    EXPECT_FALSE(iconized);
    EXPECT_TRUE(maximized);
    EXPECT_FALSE(QFile::exists(ApplicationProfile::fileName()));

    const std::unique_ptr<QWidget> window = newWindow();
    PersistWindowPos keeper(window.get(), L"Store Section");
    keeper.setStoreMode(true);
    ASSERT_TRUE(keeper.restore());
    EXPECT_EQ(window->windowState(), Qt::WindowMaximized);
    EXPECT_EQ(window->normalGeometry(), QRect(60, 70, 200, 100));
}

TEST_F(PersistWindowPosTest, StoreModeRestoresNothingFromAbsentOrWrongKindValues) {
    ConfigMgr& store = ConfigMgr::instance();
    const std::unique_ptr<QWidget> window = newWindow();
    PersistWindowPos keeper(window.get(), L"Odd Section");
    keeper.setStoreMode(true);
    EXPECT_FALSE(keeper.restore());
    store.set(L"Odd Section.Rectangle", 42);
    EXPECT_FALSE(keeper.restore());
    store.set(L"Odd Section.Rectangle", L"0100 0120 0400 0320");
    store.set(L"Odd Section.Maximized", L"yes");
    EXPECT_FALSE(keeper.restore());
    EXPECT_EQ(window->geometry(), kTemplatePlace);
}

}  // namespace
