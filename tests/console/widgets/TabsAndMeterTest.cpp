#include "console/widgets/DeviceInfoTab.h"
#include "console/widgets/GainMeter.h"
#include "console/widgets/LogTab.h"
#include "tests/console/support/ConsoleTestApp.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace quorvex::console {
namespace {

class WidgetTest : public test::WindowTest {
protected:
};

TEST_F(WidgetTest, GainMeterSegmentsCountFromTheBottom) {
    std::vector<SegmentPicture> segments;
    for (int i = 0; i < GainMeter::Segments; ++i) {
        segments.push_back(segmentPicture(i, 2, 3));
    }
    std::vector<SegmentPicture> expected(2, SegmentPicture::Gain);
    expected.insert(expected.end(), 3, SegmentPicture::Clipping);
    expected.insert(expected.end(), 11, SegmentPicture::Unlit);
    EXPECT_EQ(segments, expected);
}

TEST_F(WidgetTest, GainMeterIgnoresRepeatsAndCountsBeyondSixteen) {
    GainMeter meter;
    EXPECT_TRUE(meter.showGain(2, 3));
    EXPECT_FALSE(meter.showGain(2, 3)) << "a repeat";
    EXPECT_FALSE(meter.showGain(10, 7)) << "17 segments";
    EXPECT_FALSE(meter.showGain(-1, 2));
    EXPECT_EQ(meter.gain(), 2);
    EXPECT_EQ(meter.clipping(), 3);
    EXPECT_TRUE(meter.showGain(16, 0));
    meter.clear();
    EXPECT_EQ(meter.gain(), 0);
    EXPECT_EQ(meter.clipping(), 0);
    meter.resize(25, 194);
    EXPECT_FALSE(meter.grab().isNull());
}

TEST_F(WidgetTest, DeviceInfoShowsTheGpsFixAndSignalQualityWords) {
    DeviceInfoTab tab;
    tab.setGPS(51.5, -0.125, 12.25, 0.9, 4);
    using Field = DeviceInfoTab::Field;
    EXPECT_EQ(tab.text(Field::Latitude), QStringLiteral("51.500000"));
    EXPECT_EQ(tab.text(Field::Longitude), QStringLiteral("-0.125000"));
    EXPECT_EQ(tab.text(Field::Elevation), QStringLiteral("12.250000"));
    EXPECT_EQ(tab.text(Field::Hdop), QStringLiteral("0.900000"));
    EXPECT_EQ(tab.text(Field::SignalQuality), QStringLiteral("Excellent"));
    const char* words[] = {"No signal", "Poor", "Fair", "Good", "Excellent", "No signal"};
    for (std::uint8_t quality = 0; quality <= 5; ++quality) {
        EXPECT_EQ(signalQualityText(quality), QString::fromLatin1(words[quality])) << int(quality);
    }
    tab.setModel(QStringLiteral("M410"));
    tab.setSerialNumber(QStringLiteral("SN1234"));
    tab.setFirmware(QStringLiteral("0.0096"));
    tab.clear();
    for (int field = 0; field < 8; ++field) {
        EXPECT_TRUE(tab.text(static_cast<Field>(field)).isEmpty()) << field;
    }
}

TEST_F(WidgetTest, LogLinesStartWithTheTimeInBrackets) {
    LogTab log;
    log.append(QStringLiteral("Event ignored.\n"), Qt::black);
    log.append(QStringLiteral("QUORVEX is recording magnetic disturbance.\n"), Qt::black);
    const QStringList lines = log.plainText().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\[[^\\]]+\\] Event ignored\\.$")).match(lines[0]).hasMatch())
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("] QUORVEX is recording magnetic disturbance.")));
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_TRUE(logTimePrefix().startsWith(u'[') && logTimePrefix().endsWith(QStringLiteral("] ")));
    log.clear();
    EXPECT_TRUE(log.plainText().isEmpty());
}

TEST_F(WidgetTest, LogKeepsTheNewestLinesPastItsLimit) {
    LogTab log;
    const int extra = 25;
    for (int i = 0; i < LogTab::MaxLines + extra; ++i) {
        log.append(QStringLiteral("line %1\n").arg(i), Qt::black);
    }
    const QStringList lines = log.plainText().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), LogTab::MaxLines);
    EXPECT_TRUE(lines.front().endsWith(QStringLiteral("] line %1").arg(extra)));
    EXPECT_TRUE(lines.back().endsWith(QStringLiteral("] line %1").arg(LogTab::MaxLines + extra - 1)));
}

}  // namespace
}  // namespace quorvex::console
