#include "console/plots/AxisHistoryModel.h"
#include "console/plots/HistoryModel.h"
#include "console/plots/PlotDescription.h"
#include "device/ChannelRegistry.h"
#include "tests/console/plots/PlotSamples.h"

#include <gtest/gtest.h>

namespace quorvex::console {
namespace {

std::uint16_t version(int minor) {
    return static_cast<std::uint16_t>(minor << 4);
}

const ChannelRecord& row(int id) {
    return *ChannelRegistry::find(id);
}

// A model in `mode` holding one sample, so a test can tell whether the plot was kept.
HistoryModel modelIn(const ChannelKind& mode) {
    HistoryModel model;
    model.reset(495);
    model.followUnitKind(mode);
    model.addSample(test::plotSample(4, 1234));
    return model;
}

bool keptPlot(const HistoryModel& model) {
    return model.ring().newest(0).levels[0] == 1234;
}

TEST(HistoryModel, StartsInAutoWithTheLegacyRowAndResetClearsIt) {
    HistoryModel model;
    EXPECT_EQ(model.mode(), ChannelKind::Auto);
    EXPECT_EQ(model.activeTransmitter(), &row(9));
    model.reset(495);
    EXPECT_EQ(model.activeTransmitter(), nullptr);
    EXPECT_EQ(model.ring().capacity(), 156u);
    EXPECT_EQ(model.ring().margin(), 2);
}

TEST(HistoryModel, AddingASampleSetsTheCurrentSampleTheActiveTransmitterAndDetectedFlags) {
    HistoryModel model;
    model.reset(495);
    StreamingSample sample = test::plotSample(4, 10);
    sample.signal = 1;
    sample.transmitters[3] = 1;
    model.addSample(sample);
    EXPECT_EQ(model.activeTransmitter(), &row(4));
    EXPECT_EQ(model.current().levels[3], 10);
    EXPECT_TRUE(model.detected(0));
    EXPECT_TRUE(model.detected(4));
    EXPECT_FALSE(model.detected(3));
    model.addSample(test::plotSample(0, 10));
    EXPECT_EQ(model.activeTransmitter(), nullptr) << "code 0 means no transmitter";
    model.addSample(test::plotSample(77, 10));
    EXPECT_EQ(model.activeTransmitter(), nullptr) << "a code not in the table";
    model.setCurrentSample(test::plotSample(4, 99));
    EXPECT_EQ(model.current().levels[0], 99);
    EXPECT_NE(model.ring().newest(0).levels[0], 99) << "the current value is not history";
}

TEST(HistoryModelSetMode, FromAutoOnlyAChangeTheFirmwareShowsClears) {
    HistoryModel model = modelIn(ChannelKind::Auto);
    model.setMode(ChannelKind::Quorvex, version(96));
    EXPECT_EQ(model.mode(), ChannelKind::Auto);
    EXPECT_TRUE(keptPlot(model));

    model.setMode(ChannelKind::Legacy, version(92));
    EXPECT_EQ(model.mode(), ChannelKind::Auto) << "Legacy changes the mode only up to 0.91";
    model.setMode(ChannelKind::Magnetic, version(90));
    EXPECT_EQ(model.mode(), ChannelKind::Auto) << "Magnetic changes it only from 0.91";

    model.setMode(ChannelKind::Legacy, version(91));
    EXPECT_EQ(model.mode(), ChannelKind::Legacy);
    EXPECT_FALSE(keptPlot(model));

    HistoryModel magnetic = modelIn(ChannelKind::Auto);
    magnetic.setMode(ChannelKind::Magnetic, version(91));
    EXPECT_EQ(magnetic.mode(), ChannelKind::Magnetic);
    EXPECT_FALSE(keptPlot(magnetic));
}

TEST(HistoryModelSetMode, FromQuorvexToAutoOrToLegacyOnNewFirmwareKeepsThePlot) {
    HistoryModel toAuto = modelIn(ChannelKind::Quorvex);
    toAuto.setMode(ChannelKind::Auto, version(85));
    EXPECT_EQ(toAuto.mode(), ChannelKind::Auto);
    EXPECT_TRUE(keptPlot(toAuto));

    HistoryModel toLegacy = modelIn(ChannelKind::Quorvex);
    toLegacy.setMode(ChannelKind::Legacy, version(96));
    EXPECT_EQ(toLegacy.mode(), ChannelKind::Legacy);
    EXPECT_TRUE(keptPlot(toLegacy));

    HistoryModel oldLegacy = modelIn(ChannelKind::Quorvex);
    oldLegacy.setMode(ChannelKind::Legacy, version(95));
    EXPECT_FALSE(keptPlot(oldLegacy));

    HistoryModel toMagnetic = modelIn(ChannelKind::Quorvex);
    toMagnetic.setMode(ChannelKind::Magnetic, version(96));
    EXPECT_EQ(toMagnetic.mode(), ChannelKind::Magnetic);
    EXPECT_FALSE(keptPlot(toMagnetic));
}

TEST(HistoryModelSetMode, FromLegacyOrMagneticAnyChangeClearsAndTheSameKindDoesNothing) {
    for (const ChannelKind* from : {&ChannelKind::Legacy, &ChannelKind::Magnetic}) {
        for (const ChannelKind* to :
             {&ChannelKind::Auto, &ChannelKind::Quorvex, &ChannelKind::Legacy, &ChannelKind::Magnetic}) {
            HistoryModel model = modelIn(*from);
            model.setMode(*to, version(96));
            EXPECT_EQ(model.mode(), *to);
            EXPECT_EQ(keptPlot(model), from == to) << std::string(from->name().begin(), from->name().end());
        }
    }
}

TEST(HistoryModelActiveTransmitter, ADifferentRowTakesItsKindUnlessAutoCanShowIt) {
    HistoryModel model = modelIn(ChannelKind::Auto);  // transmitter 4 active
    model.setActiveTransmitter(&row(2));
    EXPECT_EQ(model.activeTransmitter(), &row(2));
    EXPECT_EQ(model.mode(), ChannelKind::Auto) << "AUTO shows QUORVEX transmitters";
    EXPECT_TRUE(keptPlot(model));

    model.setActiveTransmitter(&row(8));
    EXPECT_EQ(model.activeTransmitter(), &row(8));
    EXPECT_EQ(model.mode(), ChannelKind::Magnetic);
    EXPECT_FALSE(keptPlot(model));

    model.setActiveTransmitter(nullptr);
    EXPECT_EQ(model.activeTransmitter(), nullptr);
    EXPECT_EQ(model.mode(), ChannelKind::Auto);

    model.setActiveTransmitter(&row(3));
    EXPECT_EQ(model.activeTransmitter(), nullptr) << "without an active transmitter nothing happens";
}

TEST(AxisHistoryModel, ResetKeepsTheActiveTransmitterAndAChangeOfTransmitterClears) {
    AxisHistoryModel model;
    model.reset(478);
    EXPECT_EQ(model.ring().capacity(), 158u);
    EXPECT_EQ(model.activeTransmitter(), &row(9));
    model.addSample(test::plotSample(4, 5, 777));
    EXPECT_EQ(model.activeTransmitter(), &row(4));
    model.setActiveTransmitter(&row(4));
    EXPECT_EQ(model.ring().newest(0).x, 777) << "the same transmitter keeps the plot";
    model.setActiveTransmitter(&row(5));
    EXPECT_EQ(model.activeTransmitter(), &row(5));
    EXPECT_EQ(model.ring().newest(0).x, NoValue);
    model.setActiveTransmitter(nullptr);
    EXPECT_EQ(model.activeTransmitter(), nullptr);
    model.setActiveTransmitter(&row(5));
    EXPECT_EQ(model.activeTransmitter(), nullptr);
}

// What a screen reader is told the plot shows, as the level bar shows it: nothing negative, a
// full bar above full scale.
TEST(HistoryModel, DescriptionNamesTheTransmitterAndItsLevelAsTheBarShowsIt) {
    const struct {
        int channel;
        std::int32_t level;
        const char* text;
    } rows[] = {
        {1, 9'000'000, "History plot, transmitter 1, level 45 % of full scale"},
        {7, 20'000'000, "History plot, transmitter 7, level 100 % of full scale"},
        {2, 40'000'000, "History plot, transmitter 2, level 100 % of full scale"},
        {3, -2, "History plot, transmitter 3, level 0 % of full scale"},
        {4, -1, "History plot, transmitter 4, no level"},
        {8, 1000, "History plot, Mag, no level"},
    };
    for (const auto& row : rows) {
        HistoryModel model;
        model.reset(495);
        model.addSample(test::plotSample(static_cast<std::uint16_t>(row.channel), row.level));
        EXPECT_EQ(historyDescription(model, version(96)), row.text) << row.channel << " " << row.level;
    }
    HistoryModel empty;
    empty.reset(495);
    EXPECT_EQ(historyDescription(empty, version(96)), "History plot, no transmitter, no level");
}

}  // namespace
}  // namespace quorvex::console
