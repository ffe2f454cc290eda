#include "support/ui/PlacementRect.h"

#include <gtest/gtest.h>

namespace {

using namespace zeph::windows::ui;

TEST(PlacementRect, WritesFourPaddedFieldsWithExclusiveRightAndBottom) {
    EXPECT_EQ(formatPlacementRect(QRect(100, 120, 300, 200)), L"0100 0120 0400 0320");
    EXPECT_EQ(formatPlacementRect(QRect(-50, -7, 60, 20)), L"-050 -007 0010 0013");
}

TEST(PlacementRect, ReadsBackWhatItWrites) {
    for (const QRect& rect :
         {QRect(100, 120, 300, 200), QRect(-999, -999, 1000, 1000), QRect(0, 0, 9999, 1)}) {
        EXPECT_EQ(parsePlacementRect(formatPlacementRect(rect)), rect);
    }
    // _wtoi reads up to the first character that is not part of a number.
    EXPECT_EQ(parsePlacementRect(L" 10x 20   30   40"), QRect(10, 20, 20, 20));
}

TEST(PlacementRect, ReadsFixedStridesSoWideCoordinatesDoNotComeBack) {
    const QRect wide(10000, 200, 300, 200);
    const std::wstring text = formatPlacementRect(wide);
    EXPECT_EQ(text, L"10000 0200 10300 0400");
    EXPECT_NE(parsePlacementRect(text), wide);
}

TEST(PlacementRect, DamagedTextGivesNothing) {
    for (const wchar_t* text : {L"", L"garbage", L"0100 0120 0400", L"abcd 0120 0400 0320",
                                L"0100 0120 0100 0320", L"0100 0320 0400 0120", L"- 10 0120 0400 0320"}) {
        EXPECT_EQ(parsePlacementRect(text), std::nullopt) << QString::fromWCharArray(text).toStdString();
    }
}

TEST(PlacementRect, KeepsARectangleThatCanBeGrabbedOnAnyScreen) {
    const QRect primary(0, 0, 1920, 1080);
    const QList<QRect> screens{primary, QRect(1920, 0, 1280, 1024)};
    EXPECT_EQ(placeOnScreen(QRect(100, 100, 300, 200), screens, primary), QRect(100, 100, 300, 200));
    EXPECT_EQ(placeOnScreen(QRect(2000, 500, 300, 200), screens, primary), QRect(2000, 500, 300, 200));
    // Mostly off the right edge, but a grip is still on the second screen.
    EXPECT_EQ(placeOnScreen(QRect(3150, 10, 300, 200), screens, primary), QRect(3150, 10, 300, 200));
}

// Saved at 100 % on a tall screen, restored at 200 % or on a laptop: the window must not reach
// past the screen it is on, where its status bar could not be seen.
TEST(PlacementRect, CutsARectangleLargerThanItsScreenToThatScreen) {
    const QRect primary(0, 0, 1920, 1080);
    const QList<QRect> screens{primary, QRect(1920, 0, 1280, 1000)};
    EXPECT_EQ(placeOnScreen(QRect(100, 100, 800, 1400), screens, primary), QRect(100, 0, 800, 1080));
    EXPECT_EQ(placeOnScreen(QRect(2000, 300, 1500, 900), screens, primary), QRect(1920, 100, 1280, 900));
    EXPECT_EQ(placeOnScreen(QRect(2000, 20, 600, 1200), screens, primary), QRect(2000, 0, 600, 1000));
}

TEST(PlacementRect, BringsALostRectangleOntoThePrimaryScreen) {
    const QRect primary(0, 0, 800, 600);
    const QList<QRect> screens{primary};
    EXPECT_EQ(placeOnScreen(QRect(5000, 5000, 300, 200), screens, primary), QRect(500, 400, 300, 200));
    EXPECT_EQ(placeOnScreen(QRect(-900, 100, 300, 200), screens, primary), QRect(0, 100, 300, 200));
    // A sliver of 10 pixels cannot be grabbed.
    EXPECT_EQ(placeOnScreen(QRect(790, 100, 300, 200), screens, primary), QRect(500, 100, 300, 200));
    EXPECT_EQ(placeOnScreen(QRect(-3000, -3000, 2000, 1000), screens, primary), QRect(0, 0, 800, 600));
}

}  // namespace
