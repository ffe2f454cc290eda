// quorvex-soak: many connect / stream / disconnect cycles of the device stack against simulated
// units with random faults, checking after each cycle that every passage was reported and that no
// thread, descriptor or memory is left behind.
#include "session/DebugLog.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "soak/ProcessResources.h"
#include "soak/SoakCycle.h"

#include "support/config/ConfigMgr.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>
#include <thread>

namespace {

using namespace quorvex::soak;

bool readCount(std::string_view text, unsigned& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

void printProgress(unsigned cycle, const ProcessResources& resources,
                   const std::map<std::string, unsigned>& ends) {
    std::cout << "cycle " << cycle << ": threads " << resources.threads << ", descriptors "
              << resources.descriptors << ", resident " << resources.residentKiB << " KiB;";
    for (const auto& [name, count] : ends) {
        std::cout << ' ' << name << ' ' << count;
    }
    std::cout << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned cycles = 1000;
    unsigned seed = 1;
    std::filesystem::path logs;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--cycles" || arg == "--seed") && i + 1 < argc &&
            readCount(argv[i + 1], arg == "--cycles" ? cycles : seed)) {
            ++i;
        } else if (arg == "--logs" && i + 1 < argc) {
            logs = argv[++i];
        } else {
            std::cerr
                << "Usage: quorvex-soak [--cycles N (default 1000)] [--seed S (default 1)] [--logs DIR]\n"
                   "  --logs DIR   each cycle's debug log in DIR/cycle-N; only failed cycles keep theirs"
                << std::endl;
            return 2;
        }
    }
    if (!logs.empty()) {
        zeph::windows::config::ConfigMgr::instance().set(L"Application.Logging.Debug", true);
    }
    void* interface = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &interface);
    IUserInterface& device = *static_cast<IUserInterface*>(interface);

    std::mt19937 random(seed);
    ProcessResources baseline;
    std::size_t firstResident = 0;
    std::size_t passages = 0;
    std::map<std::string, unsigned> ends;
    int failures = 0;
    int slowThreads = 0;
    for (unsigned cycle = 1; cycle <= cycles; ++cycle) {
        const std::filesystem::path cycleLogs =
            logs.empty() ? logs : logs / ("cycle-" + std::to_string(cycle));
        std::optional<quorvex::console::DebugLog> log;
        if (!cycleLogs.empty()) {
            std::filesystem::create_directories(cycleLogs);
            ::setenv("TEMP", cycleLogs.c_str(), 1);
            log.emplace().initialize();
        }
        const CycleResult result = runCycle(device, random);
        log.reset();
        ProcessResources resources = ProcessResources::now();
        // A worker that missed its shutdown time is left to end by itself: give it time first.
        if (cycle > 3 && resources.threads > baseline.threads) {
            ++slowThreads;
            for (int wait = 0; wait < 100 && resources.threads > baseline.threads; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                resources = ProcessResources::now();
            }
        }
        passages += result.passagesReported;
        ++ends[nameOf(result.fault)];
        // The first cycles start the threads and objects that live as long as the stack.
        if (cycle <= 3) {
            baseline = resources;
            firstResident = resources.residentKiB;
        }
        std::string failure = result.failure;
        if (failure.empty() && cycle > 3 && resources.threads > baseline.threads) {
            failure = "threads left behind: " + std::to_string(resources.threads);
        }
        if (failure.empty() && cycle > 3 && resources.descriptors > baseline.descriptors) {
            failure = "descriptors left behind: " + std::to_string(resources.descriptors);
        }
        if (failure.empty() && !cycleLogs.empty()) {
            std::filesystem::remove_all(cycleLogs);
        }
        if (!failure.empty()) {
            ++failures;
            std::cout << "cycle " << cycle << " (fault " << nameOf(result.fault) << ", passages "
                      << result.passagesReported << "/" << result.passagesSent << ", end "
                      << static_cast<int>(result.end) << "): " << failure << std::endl;
        }
        if (cycle % 50 == 0 || cycle == cycles) {
            printProgress(cycle, resources, ends);
        }
    }
    const ProcessResources last = ProcessResources::now();
    std::cout << "soak: " << cycles << " cycles, " << failures << " failed, " << slowThreads
              << " with a worker that ended after its cycle, " << passages << " passages reported, resident "
              << firstResident << " KiB after cycle 3, " << last.residentKiB << " KiB at the end"
              << std::endl;
    device.exit();
    return failures == 0 ? 0 : 1;
}
