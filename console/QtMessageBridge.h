#pragma once

#include <QObject>

class QSocketNotifier;

namespace quorvex::console {

// Lets Qt's event loop deliver the platform's posted and sent messages on the window thread,
// in order. A worker that posts only pushes to the platform's own queue and writes an eventfd;
// a socket notifier on the window thread drains the queue. No worker thread ever calls Qt.
// Created and destroyed on the window thread.
class QtMessageBridge final : public QObject {
    Q_OBJECT
public:
    QtMessageBridge();
    ~QtMessageBridge() override;
    QtMessageBridge(const QtMessageBridge&) = delete;
    QtMessageBridge& operator=(const QtMessageBridge&) = delete;

private:
    void drain();

    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorvex::console
