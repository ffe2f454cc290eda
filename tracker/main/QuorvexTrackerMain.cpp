// quorvex-tracker: the control room's service. It takes the units' passages from the broker,
// runs the pig-run engine, keeps its state and serves the page.

#include "controlroom/LinkUrl.h"
#include "support/program/StopSignalSet.h"
#include "support/version/Version.h"
#include "tracker/RunStart.h"
#include "tracker/SystemdNotify.h"
#include "tracker/TrackerService.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace quorvex;

namespace {

constexpr const char* Usage =
    "Usage: quorvex-tracker --broker mqtt[s]://[user@]host[:port]/prefix [--listen HOST:PORT] [--state DIR]\n"
    "                       [--open --tls-cert FILE --tls-key FILE] [--tiles URL] [--web DIR]\n"
    "       quorvex-tracker run start --broker URL --route FILE --name NAME --launch MARKER\n"
    "                       [--at ISO-TIME] [--speed KMH] [--launch MARKER ...]... [--unit SERIAL]...\n"
    "The control room's service: it takes the units' passages from the broker, follows every pig\n"
    "run on them and serves a web page of the runs.\n"
    "\n"
    "Options:\n"
    "  --broker URL        the MQTT broker and the units' topic prefix\n"
    "  --listen HOST:PORT  where the page is served (default 127.0.0.1:8470)\n"
    "  --state DIR         where the state is kept (default $XDG_STATE_HOME/quorvex-tracker)\n"
    "  --open              serve beyond this machine: needs --tls-cert, --tls-key and a token\n"
    "  --tls-cert FILE     the page's certificate (PEM)\n"
    "  --tls-key FILE      its private key (PEM)\n"
    "  --tiles URL         a map tile URL for the page (default: none, a plain background)\n"
    "  --web DIR           serve the page from DIR instead of the installed one\n"
    "\n"
    "Options of run start (a run defined through the broker, for every tracker on it):\n"
    "  --route FILE        the pipeline's route file (GeoJSON, GPX, KML, GeoPackage)\n"
    "  --name NAME         the run's name (letters, digits, '.', '_' and '-')\n"
    "  --launch MARKER     the marker a pig is launched at (repeat for a train, in launch order)\n"
    "  --at ISO-TIME       that pig's launch time in UTC (default: now)\n"
    "  --speed KMH         that pig's planned speed in km/h\n"
    "  --unit SERIAL       a unit of the run (repeat for each)\n"
    "\n"
    "  -h, --help          this help\n"
    "  -v, --version       the program's version\n"
    "\n"
    "The broker's password comes from QUORVEX_PUBLISH_PASSWORD, the page's token (with --open)\n"
    "from QUORVEX_TRACKER_TOKEN.\n"
    "\n"
    "Examples:\n"
    "  quorvex-tracker --broker mqtt://127.0.0.1/quorvex\n"
    "  quorvex-tracker run start --broker mqtt://127.0.0.1/quorvex --route drill.geojson --name drill "
    "--launch D1\n";

int fail(const std::string& line) {
    std::fprintf(stderr, "quorvex-tracker: %s\n", line.c_str());
    return 2;
}

void waitForStopSignal() {
    const int descriptor = program::StopSignalSet::openDescriptor(0);
    signalfd_siginfo info{};
    while (::read(descriptor, &info, sizeof info) < 0 && errno == EINTR) {
    }
    ::close(descriptor);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
        link::hidePassword(argv[i]);
    }
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (arguments.size() == 1 && (arguments[0] == "--version" || arguments[0] == "-v")) {
        std::printf("quorvex-tracker %s\n", Version);
        return 0;
    }
    tracker::TrackerOptions options;
    if (const std::string error = tracker::parseTrackerOptions(arguments, options); !error.empty()) {
        return fail(error);
    }
    if (options.runStart) {
        const std::string error = tracker::startRunOnBroker(options);
        return error.empty() ? 0 : fail(error);
    }
    program::StopSignalSet::block();
    tracker::TrackerService service(options);
    if (const std::string error = service.start(); !error.empty()) {
        return fail(error);
    }
    std::printf("quorvex-tracker: the page is at http%s://%s:%d/ (broker %s)\n",
                options.tlsCertificate.empty() ? "" : "s", options.listenHost.c_str(), service.port(),
                link::brokerName(options.broker).c_str());
    std::fflush(stdout);
    tracker::notifySystemd("READY=1");
    waitForStopSignal();
    tracker::notifySystemd("STOPPING=1");
    service.stop();
    return 0;
}
