// The whole console (main window, device stack, debug log on) while quorvex-sim, in a process of
// its own on a pseudo-terminal, streams one-record frames at 150 a second: the console's CPU share
// of one core with both plots visible (goal: under 10%), how often each plot paints, and how late
// the window thread answered a message posted to it every 100 ms (goal: under 1 s, the point at
// which an operator sees a frozen window).
//   bench_console_streaming [seconds (default 20)] [frames per second (default 150)]
// Prints SUMMARY|name|figure|unit lines for scripts/bench.sh.
#include "bench/WindowThreadProbe.h"
#include "console/DesktopServices.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "device/QueryInterface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTabWidget>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

// quorvex-sim on a new pseudo-terminal; its first line names the line it plays on.
class SimulatorProcess {
public:
    explicit SimulatorProcess(int rate) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            const std::string frames = std::to_string(rate);
            ::execl(QUORVEX_SIM_PROGRAM, "quorvex-sim", "--pty", "--no-stdin", "--rate", frames.c_str(),
                    "--records", "1", "--battery-period", "0", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
    }
    ~SimulatorProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) {
            std::fclose(output_);
        }
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // The line's path from "quorvex-sim: M450 123456, firmware V0.0096, on /dev/pts/7", or "".
    std::string portPath() {
        char line[512] = {};
        if (output_ == nullptr || std::fgets(line, sizeof line, output_) == nullptr) {
            return {};
        }
        std::string text(line);
        const auto on = text.rfind(" on ");
        return on == std::string::npos ? std::string()
                                       : text.substr(on + 4, text.find_first_of(" \n", on + 4) - on - 4);
    }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until the condition holds or the time is up; it sleeps between events.
bool runUntil(const std::function<bool()>& condition, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    check.setInterval(10);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return condition();
}

// Runs the event loop for that long.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Other programs' options (bench.sh passes its latency options to every plain program) read as
    // 0 and leave the defaults.
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 20;
    const int rate = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 150;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    SimulatorProcess simulator(rate);
    quorvex::console::ConsoleOptions options;
    options.port = simulator.portPath();
    options.connect = true;
    if (options.port->empty()) {
        std::cerr << "bench_console_streaming: quorvex-sim did not start" << std::endl;
        return 1;
    }
    quorvex::console::DesktopServices desktop;
    {
        quorvex::console::Telvane telvane(deviceStack(), desktop.services());
        if (const std::string error = telvane.initInstance(options); !error.empty()) {
            std::cerr << "bench_console_streaming: " << error << std::endl;
            return 1;
        }
        auto* window = telvane.mainWindow();
        const DeviceState& state = *deviceStack().getDeviceState();
        if (!runUntil(
                [&] { return state.streamingState() == StreamingState::Playing && !window->isWaiting(); },
                20000)) {
            std::cerr << "bench_console_streaming: the unit did not stream" << std::endl;
            return 1;
        }
        window->findChild<QTabWidget*>()->setCurrentIndex(1);  // "Axis History": both plots on screen
        PaintCounter historyPaints;
        PaintCounter axisPaints;
        window->findChild<quorvex::console::HistoryWnd*>()->installEventFilter(&historyPaints);
        window->findChild<quorvex::console::AxisHistoryWnd*>()->installEventFilter(&axisPaints);
        runFor(2000);  // settle
        historyPaints.paints = 0;
        axisPaints.paints = 0;
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        quorvex::bench::WindowThreadProbe probe;
        runFor(seconds * 1000);
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        probe.stopPosting();
        runFor(500);
        const double share = (cpuSeconds() - cpuBefore) / elapsed * 100.0;
        std::printf("console CPU over %.1f s at %d frames/s: %.2f%% of one core\n", elapsed, rate, share);
        std::printf("SUMMARY|console_streaming_cpu|%.2f|%% of one core\n", share);
        std::printf("SUMMARY|history_paints|%.1f|per second\n", historyPaints.paints / elapsed);
        std::printf("SUMMARY|axis_history_paints|%.1f|per second\n", axisPaints.paints / elapsed);
        std::printf("window thread answered %ld of %ld probes, the latest after %.1f ms\n", probe.answered,
                    probe.posted.load(), static_cast<double>(probe.worstNs) / 1e6);
        std::printf("SUMMARY|window_thread_worst_answer|%.1f|ms\n", static_cast<double>(probe.worstNs) / 1e6);
    }
    return 0;
}
