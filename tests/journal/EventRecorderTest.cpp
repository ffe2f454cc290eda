// The rows taken where the frames are read carry the unit's state as its frames told it up to
// then (working folder, last GPS fix, channel numbering of its model and firmware), whatever the
// device state says when the window gets round to the message.
#include "device/ChannelMapping.h"
#include "device/FirmwareRevisionText.h"
#include "journal/EventRecorder.h"
#include "simulator/EventBlocks.h"
#include "tests/journal/JournalFixture.h"

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;
namespace sim = simulator;

sim::Bytes frame(std::uint32_t bit, sim::Bytes block) {
    return sim::payloadOf({{bit, std::move(block)}});
}

TEST_F(JournalTest, RowsTakenAtReadTimeCarryTheUnitsStateAsItsFramesToldIt) {
    const auto journal = openJournal();
    EventRecorder recorder(*journal, 20s);
    recorder.portOpened(L"/dev/pts/7");

    sim::RecordSettings record;
    record.folderNames = {"North", "East", "South", "West", "Depot"};
    record.folderValues = {1, 2, 3, 4, 5, 1};
    const sim::Bytes init =
        frame(sim::InitBit, sim::initBlock({"M450 123456", "V0.0096", 3150, true, 2, record}));
    const sim::Bytes first =
        frame(sim::PassageBit, sim::passageBlock({1796601600, 250, 900, 3, 47.25f, 8.5f, 400, 1}));
    record.folderValues[5] = 4;
    const sim::Bytes moved = frame(sim::RecordModeBit, sim::recordModeBlock(record));
    const sim::Bytes fix = frame(sim::GpsBit, sim::gpsBlock({1796601601, 9, 47.5f, 8.25f, 410, 1.5f, 3}));
    const sim::Bytes second =
        frame(sim::PassageBit, sim::passageBlock({1796601602, 500, 900, 3, 47.5f, 8.25f, 410, 1}));
    const sim::Bytes ignored = frame(sim::IgnoredBit, sim::passageBlock({1796601603, 0, 100, 3, 0, 0, 0, 0}));
    const sim::Bytes trigger = frame(sim::RecordingStartedBit, sim::recordingStartedBlock(1, 3));

    for (const sim::Bytes* each : {&init, &moved, &fix}) {
        EXPECT_FALSE(IAcknowledgementGate::mustKeep(*each)) << "an ACK held up for no event";
    }
    recorder.afterAccept(init);
    recorder.beforeAcknowledge(first);
    recorder.afterAccept(moved);
    recorder.afterAccept(fix);
    for (const sim::Bytes* each : {&second, &ignored, &trigger}) {
        ASSERT_TRUE(IAcknowledgementGate::mustKeep(*each));
        recorder.beforeAcknowledge(*each);
    }
    // Each was committed before its acknowledgement could go.
    const auto entries = rows();
    ASSERT_EQ(4u, entries.size());
    const auto ended = recorder.endSession();
    ASSERT_TRUE(ended.has_value());
    EXPECT_EQ(4u, ended->kept);
    EXPECT_FALSE(recorder.session().has_value());

    const std::uint16_t firmware = parseFirmwareRevision("V0.0096").words[0];
    const int channel = mapChannelCode("M450", firmware, 3);
    const struct {
        EventKind kind;
        std::optional<Microseconds> unitTime;
        std::int64_t channel;
        std::string folder;
        std::optional<std::int64_t> quality;
    } expected[] = {
        {EventKind::Passage, 1796601600000250, channel, "East", std::nullopt},
        {EventKind::Passage, 1796601602000500, channel, "Depot", 3},
        {EventKind::Ignored, 1796601603000000, channel, "Depot", 3},
        {EventKind::Trigger, std::nullopt, channel, "Depot", 3},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const EventRow& row = entries[i].event;
        EXPECT_EQ(expected[i].kind, row.kind);
        EXPECT_EQ(expected[i].unitTime, row.unitTime);
        EXPECT_EQ(expected[i].channel, row.channel);
        EXPECT_EQ(expected[i].folder, row.folder);
        EXPECT_EQ(expected[i].quality, row.gpsQuality);
        EXPECT_EQ("/dev/pts/7", entries[i].port);
    }
    EXPECT_NEAR(47.25, *entries[0].event.latitude, 1e-5);
    EXPECT_DOUBLE_EQ(1.5, *entries[1].event.hdop);
}

}  // namespace
}  // namespace quorvex::test
