#include "console/widgets/ChannelItemPainter.h"
#include "console/widgets/ChannelSelector.h"
#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"
#include "tests/console/support/ConsoleTestApp.h"
#include "tests/console/support/ReferenceImage.h"

#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

namespace quorvex::console {
namespace {

const ChannelRecord& row(int id) {
    return *ChannelRegistry::find(id);
}

class ChannelSelectorTest : public test::WindowTest {
protected:
    void SetUp() override { selector_.resize(200, 24); }

    // The middle of the swatch of the closed selector's edit part.
    QColor editSwatchColour() {
        QStyleOptionComboBox option;
        option.initFrom(&selector_);
        const QRect field = selector_.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                              QStyle::SC_ComboBoxEditField, &selector_);
        const QRect swatch = channelItemLayout(field).swatch;
        return selector_.grab().toImage().pixelColor(swatch.left() + 3, swatch.center().y());
    }

    DeviceState state_;
    ChannelSelector selector_{&state_};
};

TEST_F(ChannelSelectorTest, ListsTheChannelTableInIdOrderStartingAtAutoSelect) {
    ASSERT_EQ(selector_.count(), 10);
    EXPECT_EQ(selector_.itemText(0), QStringLiteral("Auto Select"));
    EXPECT_EQ(selector_.itemText(4), QStringLiteral("QUORVEX 4"));
    EXPECT_EQ(selector_.itemText(8), QStringLiteral("Mag"));
    EXPECT_EQ(selector_.itemText(9), QStringLiteral("Legacy"));
    EXPECT_EQ(selector_.currentIndex(), 0);
}

TEST_F(ChannelSelectorTest, ItemLayoutPutsTheSwatchInTheFirstThirdAndTheNameAfterIt) {
    const ChannelItemLayout layout = channelItemLayout(QRect(0, 0, 90, 20));
    EXPECT_EQ(layout.swatch, QRect(QPoint(2, 2), QPoint(29, 17)));
    EXPECT_EQ(layout.text.left(), 32);
    EXPECT_EQ(layout.text.right(), 89);
}

TEST_F(ChannelSelectorTest, AutomaticWithTransmitterFourReadsAutoSelectBesideItsSwatch) {
    selector_.show(RecordMode::Automatic, row(4));
    EXPECT_EQ(selector_.currentText(), QStringLiteral("Auto Select"));
    EXPECT_EQ(editSwatchColour(), QColor(0, 86, 171));
    EXPECT_TRUE(test::matchesReference(selector_.grab().toImage(), QStringLiteral("selector-auto-4")));

    selector_.show(RecordMode::Manual, row(5));
    EXPECT_EQ(selector_.currentText(), QStringLiteral("QUORVEX 5"));
    EXPECT_EQ(editSwatchColour(), QColor(198, 17, 137));

    selector_.reset();
    EXPECT_EQ(selector_.currentText(), QStringLiteral("Auto Select"));
    EXPECT_EQ(selector_.shownMode(), RecordMode::Automatic);
    EXPECT_EQ(editSwatchColour(), QColor(0, 0, 0)) << "Auto Select's own swatch";
}

TEST_F(ChannelSelectorTest, APickBecomesThePendingChoiceAndTheDisplayStaysWithTheUnit) {
    state_.setAutoSelect(false);
    state_.setActiveChannel(&row(2));
    selector_.show(RecordMode::Manual, row(2));
    int chosen = 0;
    QObject::connect(&selector_, &ChannelSelector::choiceMade, [&] { ++chosen; });
    selector_.setCurrentIndex(6);
    emit selector_.activated(6);
    ASSERT_EQ(chosen, 1);
    EXPECT_EQ(selector_.pendingChannel(), &row(6));
    EXPECT_EQ(*selector_.pendingMode(), RecordMode::Manual);
    EXPECT_EQ(selector_.currentText(), QStringLiteral("QUORVEX 2")) << "the unit has not answered yet";

    selector_.setCurrentIndex(0);
    emit selector_.activated(0);
    EXPECT_EQ(*selector_.pendingMode(), RecordMode::Automatic);
    EXPECT_EQ(selector_.pendingChannel(), &row(0));
}

TEST_F(ChannelSelectorTest, AnUpdateWhileTheListIsOpenReplacesThePendingChoiceAndLeavesTheDisplay) {
    selector_.show(RecordMode::Manual, row(2));
    selector_.QComboBox::show();
    selector_.showPopup();
    ASSERT_TRUE(selector_.listOpen());
    selector_.show(RecordMode::Manual, row(7));
    EXPECT_EQ(selector_.currentText(), QStringLiteral("QUORVEX 2"));
    EXPECT_EQ(selector_.pendingChannel(), &row(7));
    EXPECT_EQ(*selector_.pendingMode(), RecordMode::Manual);
    selector_.hidePopup();
    EXPECT_FALSE(selector_.listOpen());
    selector_.show(RecordMode::Manual, row(7));
    EXPECT_EQ(selector_.currentText(), QStringLiteral("QUORVEX 7"));
}

}  // namespace
}  // namespace quorvex::console
