#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace quorvex::console {

// The stop signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT) close the console as its window's close
// button does, so the unit is disconnected and the debug log ends with its last line. Made on the
// window thread, after StopSignalSet::block ran first thing in main.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    int signalFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> onStop_;
};

}  // namespace quorvex::console
