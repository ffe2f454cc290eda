#pragma once

#include "console/ControlRoomSettings.h"
#include "controlroom/PassageFeed.h"
#include "controlroom/Publisher.h"

#include <QLabel>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class DeviceState;
class QTimer;

namespace quorvex::console {

// The console's control-room link: the publisher the settings ask for and its pane in the status
// bar, refreshed from the publisher's status twice a second, when the unit's status is handed on
// too (sent only on change) and the other units' passages on the broker are handed to the run. The window
// thread only reads and hands over; starting and ending a publisher never waits on the network.
class ControlRoomLink : public QObject {
    Q_OBJECT
public:
    // Off until the journal is known (useJournal).
    ControlRoomLink(const DeviceState& unit, QWidget* statusBar);
    ~ControlRoomLink() override;

    // Stops the link there is and starts the one of the settings (none when off).
    void apply(const ControlRoomSettings& settings);
    // Publishes from this journal file from now on: the one the console writes, which --journal
    // or $QUORVEX_JOURNAL may have put elsewhere than the default.
    void useJournal(const std::string& journalPath);
    QLabel* pane() const { return pane_; }
    link::LinkStatus status() const;

signals:
    // A new error of the link's, once, for the status bar's message.
    void errorSeen(const QString& text);
    // Another unit's passage on the same broker and prefix, once per row.
    void passageArrived(const link::FeedPassage& passage);

private:
    void refresh();

    std::optional<std::string> journalPath_;
    ControlRoomSettings applied_;
    const DeviceState& unit_;
    std::unique_ptr<link::Publisher> publisher_;
    std::unique_ptr<link::PassageFeed> feed_;
    QLabel* pane_;
    QTimer* timer_;
    std::string lastError_;
    std::string lastFeedError_;
};

}  // namespace quorvex::console
