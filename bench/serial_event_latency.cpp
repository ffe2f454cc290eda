// Latency from a frame's 0x04 written at the far end of a pty to waitCommEvent returning on the
// port, with the mask and event character the connection sets. Prints median and p99.
#include "support/communication/Serial.h"
#include "support/platform/Event.h"

#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zeph::windows::communication;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUpFrames = 500;
constexpr int kFrames = 10000;

// One wake of the port wait, handed from the reader to the writer.
struct Handoff {
    std::mutex lock;
    std::condition_variable changed;
    int processed = 0;       // frames waited for and read
    Clock::time_point woke;  // when the last wait returned
    bool failed = false;
};

int fail(const char* what) {
    std::fprintf(stderr, "serial_event_latency: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        return fail("openpty failed");
    }
    std::string folder = (std::filesystem::temp_directory_path() / "quorvex-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        return fail("mkdtemp failed");
    }
    const PortDirectory ports(folder);
    int number = 0;
    Serial serial(ports);
    if (ports.addLink(name, number) != 0 || serial.open(L"\\\\.\\COM" + std::to_wstring(number)) != 0 ||
        serial.setBaudRate(BaudRate::Baud115200, DataBits::Bits8, Parity::NoParity, StopBits::One) != 0 ||
        serial.setHandshake(FlowControl::NoFlowControl) != 0 ||
        serial.setEventMask(EV_ERR | EV_TXEMPTY) != 0 || serial.setEventChar() != 0) {
        return fail("cannot open and configure the port");
    }

    const AbortEvent terminate = zeph::platform::Event::create(true, false);
    Handoff handoff;
    std::thread reader([&] {
        std::vector<std::uint8_t> bytes;
        for (;;) {
            DWORD mask = 0;
            const DWORD result = serial.waitCommEvent(terminate, mask);
            const Clock::time_point woke = Clock::now();
            if (result != 0) {
                std::lock_guard guard(handoff.lock);
                handoff.failed = result != zeph::platform::ERROR_CANCELLED;
                handoff.changed.notify_all();
                return;
            }
            if ((mask & EV_RXFLAG) == 0) {
                continue;
            }
            bytes.clear();
            serial.readPort(terminate, bytes);
            std::lock_guard guard(handoff.lock);
            handoff.woke = woke;
            ++handoff.processed;
            handoff.changed.notify_all();
        }
    });

    // A short frame as the unit sends them: SOH, payload, checksum, EOT.
    const std::uint8_t frame[] = {0x01, 0x0A, 0x20, 0x00, 0x00, 0x00, 0x11, 0x22,
                                  0x33, 0x44, 0x55, 0x66, 0x00, 0x7F, 0x04};
    std::vector<double> latenciesUs;
    latenciesUs.reserve(kFrames);
    for (int i = 0; i < kWarmUpFrames + kFrames; ++i) {
        const Clock::time_point sent = Clock::now();
        if (write(master, frame, sizeof frame) != static_cast<ssize_t>(sizeof frame)) {
            return fail("write to the pty master failed");
        }
        std::unique_lock guard(handoff.lock);
        if (!handoff.changed.wait_for(guard, std::chrono::seconds(10),
                                      [&] { return handoff.processed == i + 1 || handoff.failed; }) ||
            handoff.failed) {
            return fail("the port wait did not report the frame");
        }
        if (i >= kWarmUpFrames) {
            latenciesUs.push_back(std::chrono::duration<double, std::micro>(handoff.woke - sent).count());
        }
    }
    terminate->set();
    reader.join();
    serial.close();
    close(master);
    close(slave);
    std::filesystem::remove_all(folder);

    std::sort(latenciesUs.begin(), latenciesUs.end());
    const auto at = [&](double q) {
        return latenciesUs[static_cast<std::size_t>(q * static_cast<double>(latenciesUs.size() - 1))];
    };
    std::printf(
        "serial_event_latency: %d frames of %zu bytes, 0x04 written on the pty master -> waitCommEvent "
        "returns\n",
        kFrames, sizeof frame);
    std::printf("  median %.1f us   p90 %.1f us   p99 %.1f us   min %.1f us   max %.1f us\n", at(0.5),
                at(0.9), at(0.99), latenciesUs.front(), latenciesUs.back());
    std::printf("SUMMARY|serial_event_latency median|%.1f|us\n", at(0.5));
    std::printf("SUMMARY|serial_event_latency p99|%.1f|us\n", at(0.99));
    return 0;
}
