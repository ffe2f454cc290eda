#include "support/logconsole/LogFilterOptionsDlg.h"
#include "support/ui/ApplicationProfile.h"
#include "tests/support/logconsole/ConsoleFixture.h"

#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

namespace {

using namespace zeph::windows::logging;
using quorvex::test::ConsoleFixture;

class LogFilterOptions : public ConsoleFixture {
protected:
    void SetUp() override {
        ConsoleFixture::SetUp();
        ASSERT_TRUE(profileFolder_.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profileFolder_.path());
    }

    static QListWidget* levelsOf(LogFilterOptionsDlg& dialog) {
        return dialog.findChild<QListWidget*>("levels");
    }
    static QPushButton* buttonOf(LogFilterOptionsDlg& dialog, const char* name) {
        return dialog.findChild<QPushButton*>(name);
    }
    // Checks exactly the levels of the mask.
    static void check(LogFilterOptionsDlg& dialog, std::uint32_t mask) {
        QListWidget* levels = levelsOf(dialog);
        for (int row = 0; row < levels->count(); ++row) {
            const std::uint32_t value = levels->item(row)->data(Qt::UserRole).toUInt();
            levels->item(row)->setCheckState((mask & value) != 0 ? Qt::Checked : Qt::Unchecked);
        }
    }

    QTemporaryDir profileFolder_;
};

TEST_F(LogFilterOptions, ListsTheTwelveLevelsInAscendingOrderCheckedByTheMask) {
    console_->setFilter(static_cast<std::uint16_t>(Warning.value() | Error.value()));
    LogFilterOptionsDlg dialog(nullptr, console_.get());
    EXPECT_EQ(dialog.windowTitle(), "Log Filter Options");
    QListWidget* levels = levelsOf(dialog);
    ASSERT_EQ(levels->count(), 12);
    const QStringList names{"Debug Level 1",  "Debug Level 2",  "Debug Level 3",  "Debug Level 4",
                            "Information",    "Warning",        "Error",          "UI Info",
                            "App Specific 1", "App Specific 2", "App Specific 3", "App Specific 4"};
    for (int row = 0; row < 12; ++row) {
        EXPECT_EQ(levels->item(row)->text(), names[row]);
        EXPECT_EQ(levels->item(row)->data(Qt::UserRole).toUInt(), 1u << row);
        EXPECT_EQ(levels->item(row)->checkState(), row == 5 || row == 6 ? Qt::Checked : Qt::Unchecked);
    }
}

TEST_F(LogFilterOptions, UpdateVerbosityAppliesAtOnceWhileTheDialogStaysOpen) {
    ASSERT_TRUE(console_->open());
    LogFilterOptionsDlg dialog(nullptr, console_.get());
    dialog.show();
    EXPECT_TRUE(buttonOf(dialog, "updateVerbosity")->isVisible());
    EXPECT_FALSE(buttonOf(dialog, "ok")->isVisible());

    check(dialog, Error.value());
    buttonOf(dialog, "updateVerbosity")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(console_->getFilter(), Error.value());
    logEveryLevel();
    deliver();
    EXPECT_EQ(shownLines(), QStringList({"Test::levels Error entry"}));

    console_->clear();
    check(dialog, 0);
    buttonOf(dialog, "updateVerbosity")->click();
    logEveryLevel();
    deliver();
    EXPECT_TRUE(shownLines().isEmpty());
}

TEST_F(LogFilterOptions, WithoutAFilterOkKeepsTheMaskAndCancelDoesNot) {
    LogFilterOptionsDlg dialog(nullptr, nullptr);
    dialog.show();
    EXPECT_TRUE(buttonOf(dialog, "ok")->isVisible());
    EXPECT_FALSE(buttonOf(dialog, "updateVerbosity")->isVisible());
    for (int row = 0; row < levelsOf(dialog)->count(); ++row) {
        EXPECT_EQ(levelsOf(dialog)->item(row)->checkState(), Qt::Unchecked);
    }
    check(dialog, DebugLevel3.value() | UIInfo.value());
    dialog.reject();
    EXPECT_EQ(dialog.mask(), 0);
    dialog.show();
    buttonOf(dialog, "ok")->click();
    EXPECT_EQ(dialog.mask(), DebugLevel3.value() | UIInfo.value());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(LogFilterOptions, RemembersItsPlaceUnderLogFilterDialog) {
    {
        LogFilterOptionsDlg dialog(nullptr, console_.get());
        dialog.show();
        dialog.setGeometry(120, 90, 260, 340);
    }
    const QSettings profile(zeph::windows::ui::ApplicationProfile::fileName(), QSettings::IniFormat);
    EXPECT_EQ(profile.value("Log Filter Dialog/Rectangle").toString(), "0120 0090 0380 0430");
    LogFilterOptionsDlg dialog(nullptr, console_.get());
    EXPECT_EQ(dialog.geometry(), QRect(120, 90, 260, 340));
}

}  // namespace
