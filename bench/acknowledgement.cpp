// What the acknowledgement of a passage frame costs now that its row is committed first: the
// time the read thread spends before it may write the ACK (decoding the frame, handing the row
// over and waiting for its commit, at most 50 ms), and the commit latency from the frame's
// arrival without that bound; on the disk under the working folder and on tmpfs. A frame without
// a passage is kept apart: it is only read for the unit's state, after its ACK. Prints
// SUMMARY|name|figure|unit lines.
#include "journal/EventRecorder.h"
#include "journal/Journal.h"
#include "simulator/EventBlocks.h"
#include "simulator/UnitFrameBuilder.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvex;
using Clock = std::chrono::steady_clock;

void summary(const std::string& name, double figure, const char* unit) {
    std::printf("SUMMARY|%s|%.3f|%s\n", name.c_str(), figure, unit);
}

void percentiles(const std::string& name, std::vector<double> milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    summary(name + " p50", milliseconds[milliseconds.size() / 2], "ms");
    summary(name + " p99", milliseconds[milliseconds.size() * 99 / 100], "ms");
    summary(name + " max", milliseconds.back(), "ms");
}

simulator::Bytes passageFrame(int index) {
    const simulator::Moment at = simulator::momentOf(std::chrono::system_clock::now());
    return simulator::payloadOf(
        {{simulator::PassageBit,
          simulator::passageBlock({at.seconds, at.microseconds, 1000,
                                   static_cast<std::uint16_t>(1 + index % 4), 51.5f, -0.12f, 35.0f, 1.0f})}});
}

// A passage frame every 20 ms, as in a flood; the time each one holds its acknowledgement.
std::vector<double> acknowledgements(const std::filesystem::path& folder, std::chrono::milliseconds bound,
                                     int frames) {
    std::filesystem::remove_all(folder);
    journal::JournalSettings settings;
    settings.path = (folder / "journal.sqlite3").string();
    journal::Journal journal(settings);
    journal::EventRecorder recorder(journal, bound);
    recorder.portOpened(L"/dev/pts/0");
    journal.waitUntilWritten(std::chrono::seconds(10));
    std::vector<double> milliseconds;
    for (int i = 0; i < frames; ++i) {
        const simulator::Bytes frame = passageFrame(i);
        const auto arrived = Clock::now();
        recorder.beforeAcknowledge(frame);
        milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - arrived).count());
        std::this_thread::sleep_until(arrived + std::chrono::milliseconds(20));
    }
    return milliseconds;
}

std::vector<double> streamingFrames(int frames) {
    journal::JournalSettings settings;
    settings.path = "/dev/shm/bench-ack-unused-" + std::to_string(::getpid()) + ".sqlite3";
    journal::Journal journal(settings);
    journal::EventRecorder recorder(journal);
    const std::vector<simulator::SensorRecord> records(1);
    const simulator::Bytes frame = simulator::payloadOf(
        {{simulator::StreamingBit, simulator::streamingBlock(records, simulator::RecordLayout::Short62)}});
    std::vector<double> microseconds;
    for (int i = 0; i < frames; ++i) {
        const auto arrived = Clock::now();
        recorder.afterAccept(frame);
        microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - arrived).count());
    }
    return microseconds;
}

}  // namespace

int main() {
    constexpr int Frames = 1000;
    const std::string pid = std::to_string(::getpid());
    const std::filesystem::path disk = std::filesystem::current_path() / ("bench-ack-" + pid);
    const std::filesystem::path shm = "/dev/shm/bench-ack-" + pid;
    for (const auto& [where, folder] : {std::pair{"disk", disk}, std::pair{"tmpfs", shm}}) {
        percentiles(std::string("passage frame acknowledgement held (") + where + ")",
                    acknowledgements(folder, journal::EventRecorder::DefaultBound, Frames));
        percentiles(std::string("commit from frame arrival, unbounded (") + where + ")",
                    acknowledgements(folder, std::chrono::seconds(10), Frames));
        std::filesystem::remove_all(folder);
    }
    const std::vector<double> streaming = streamingFrames(10000);
    summary("streaming frame read after its ACK p50", streaming[streaming.size() / 2], "us");
    std::filesystem::remove("/dev/shm/bench-ack-unused-" + pid + ".sqlite3");
    return 0;
}
