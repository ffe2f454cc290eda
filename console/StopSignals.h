#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace quorvex::console {

// SIGINT and SIGTERM close the console as its window's close button does, so the unit is
// disconnected and the debug log ends with its last line. Made on the window thread.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    // Blocks the two signals in the calling thread, and so in every thread started after it;
    // call first thing in main.
    static void block();

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
