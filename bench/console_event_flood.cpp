// Floods of events that once drowned the window, on the whole console (main window, device stack,
// debug log on, a simulated unit in the process):
//  - the log tab at its 10,000-line cap taking 200 lines a second: the window thread's CPU per
//    second, for the log tab and, for comparison, a rich-text edit that takes each line on its own
//    and lets the document drop its oldest line (how the tab was built before);
//  - a passage every 20 ms together with 200 ignored events a second: how late the window thread
//    answered a message posted to it every 100 ms (goal: under 100 ms), the passage dialogs open,
//    resident memory, and how long closing the console took (goal: under 2 s).
//   bench_console_event_flood [seconds (default 60)] [ms between passages (default 20)]
// Prints SUMMARY|name|figure|unit lines for scripts/bench.sh.
#include "bench/WindowThreadProbe.h"
#include "console/DesktopServices.h"
#include "console/Telvane.h"
#include "console/TelvaneDlg.h"
#include "console/widgets/LogTab.h"
#include "console/widgets/PigPassageDlg.h"
#include "simulator/SimulatedUnit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

namespace {

using quorvex::console::LogTab;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

// Runs the event loop for that long, calling the tick every interval.
void runFor(int ms, int intervalMs = 0, const std::function<void()>& tick = {}) {
    QEventLoop loop;
    QTimer timer;
    if (tick) {
        QObject::connect(&timer, &QTimer::timeout, tick);
        timer.start(intervalMs);
    }
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window thread's CPU share of one core while a shown log at its cap takes 200 lines a second.
double logAtCapShare(const std::function<void(const QString&)>& append, int seconds) {
    for (int i = 0; i < LogTab::MaxLines; ++i) {
        append(QStringLiteral("Event ignored, before the flood %1.\n").arg(i));
    }
    runFor(500);
    const double before = cpuSeconds();
    int n = 0;
    runFor(seconds * 1000, 5, [&] { append(QStringLiteral("Event ignored %1.\n").arg(++n)); });
    return (cpuSeconds() - before) / seconds * 100.0;
}

void benchLogAtCap(int seconds) {
    LogTab tab;
    tab.resize(600, 300);
    tab.show();
    const double tabShare = logAtCapShare([&](const QString& text) { tab.append(text, Qt::black); }, seconds);
    tab.hide();
    QTextEdit rich;
    rich.setReadOnly(true);
    rich.setUndoRedoEnabled(false);
    rich.document()->setMaximumBlockCount(LogTab::MaxLines + 1);
    rich.resize(600, 300);
    rich.show();
    const double richShare = logAtCapShare(
        [&](const QString& text) {
            QTextCursor cursor(rich.document());
            cursor.movePosition(QTextCursor::End);
            QTextCharFormat format;
            format.setForeground(Qt::black);
            cursor.insertText(quorvex::console::logTimePrefix() + text, format);
            rich.verticalScrollBar()->setValue(rich.verticalScrollBar()->maximum());
        },
        seconds);
    std::printf(
        "log at its cap, 200 lines/s over %d s: log tab %.1f%%, one rich-text insert a line %.1f%% of one "
        "core\n",
        seconds, tabShare, richShare);
    std::printf("SUMMARY|log_tab_at_cap_200_lines_per_s|%.1f|%% of one core\n", tabShare);
    std::printf("SUMMARY|rich_text_per_line_at_cap_200_lines_per_s|%.1f|%% of one core\n", richShare);
}

int benchFlood(int seconds, int passageMs) {
    std::vector<std::string> arguments = {
        "quorvex-console",  "--simulate", "--records",       "1",
        "--battery-period", "0",          "--passage-every", std::to_string(passageMs)};
    quorvex::console::ConsoleOptions options;
    if (const std::string error = quorvex::console::parseConsoleOptions(arguments, options); !error.empty()) {
        std::cerr << "bench_console_event_flood: " << error << std::endl;
        return 1;
    }
    quorvex::console::DesktopServices desktop;
    auto telvane =
        std::make_unique<quorvex::console::Telvane>(quorvex::console::deviceStack(), desktop.services());
    if (const std::string error = telvane->initInstance(options); !error.empty()) {
        std::cerr << "bench_console_event_flood: " << error << std::endl;
        return 1;
    }
    auto* window = telvane->mainWindow();
    // The log tab at its cap from the start.
    for (int i = 0; i < LogTab::MaxLines; ++i) {
        window->reportProblem("a line before the flood " + std::to_string(i));
    }
    runFor(2000);
    const long rssBefore = residentKb();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    quorvex::bench::WindowThreadProbe probe;
    // 200 ignored events a second, as the unit reports them.
    runFor(seconds * 1000, 5, [&] { telvane->simulatedUnit()->control("ignored"); });
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    probe.stopPosting();
    runFor(500);
    const double share = (cpuSeconds() - cpuBefore) / elapsed * 100.0;
    const auto dialogs = quorvex::console::PigPassageDlg::openDialogs().size();
    std::printf(
        "flood over %.1f s: %d passages, %d ignored, %zu passage dialogs open, console %.1f%% of one core, "
        "resident %ld -> %ld kB; window thread answered %ld of %ld probes, the latest after %.1f ms\n",
        elapsed, window->passageCount(), window->ignoredCount(), dialogs, share, rssBefore, residentKb(),
        probe.answered, probe.posted.load(), static_cast<double>(probe.worstNs) / 1e6);
    std::printf("SUMMARY|flood_window_thread_worst_answer|%.1f|ms\n",
                static_cast<double>(probe.worstNs) / 1e6);
    std::printf("SUMMARY|flood_passage_dialogs_open|%zu|dialogs\n", dialogs);
    std::printf("SUMMARY|flood_console_cpu|%.1f|%% of one core\n", share);
    std::printf("SUMMARY|flood_resident_growth|%ld|kB\n", residentKb() - rssBefore);
    QElapsedTimer closing;
    closing.start();
    telvane.reset();
    std::printf("SUMMARY|flood_close|%.0f|ms\n", static_cast<double>(closing.elapsed()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Other programs' options (bench.sh passes its latency options to every plain program) read as
    // 0 and leave the defaults.
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 60;
    const int passageMs = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 20;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchLogAtCap(std::min(seconds, 20));
    return benchFlood(seconds, passageMs);
}
