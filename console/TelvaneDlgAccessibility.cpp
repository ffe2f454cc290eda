// TelvaneDlg: what screen readers call the controls and panes, and the order Tab visits them in.
// The plots, the gain meter and the picture panes keep their descriptions current themselves; the
// panes of text (message, clock, status) are read by their text.
#include "console/GainSpin.h"
#include "console/TelvaneDlg.h"
#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "console/widgets/ChannelSelector.h"
#include "console/widgets/DeviceInfoTab.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>

namespace quorvex::console {

QString TelvaneDlg::imageButtonName(const QString& icon) {
    static const std::map<QString, QString> names{
        {QStringLiteral("live"), QStringLiteral("Live")},
        {QStringLiteral("pause"), QStringLiteral("Pause")},
        {QStringLiteral("stop"), QStringLiteral("Stop")},
        {QStringLiteral("record"), QStringLiteral("Record")},
        {QStringLiteral("record-stop"), QStringLiteral("Stop recording")}};
    const auto found = names.find(icon);
    return found == names.end() ? QString() : found->second;
}

void TelvaneDlg::nameByHiddenLabel(QWidget* widget, const QString& name) {
    auto* label = new QLabel(name, widget->parentWidget());
    label->setBuddy(widget);
    label->hide();
}

void TelvaneDlg::describeControls() {
    const auto describe = [](QWidget* widget, const char* name, const char* description) {
        widget->setAccessibleName(QString::fromLatin1(name));
        if (description != nullptr) {
            widget->setAccessibleDescription(QString::fromLatin1(description));
        }
    };
    describe(channelSelector_, "Channel", "The transmitter channel the unit listens to");
    describe(liveButton_, "Live", "Start or pause the live data stream");
    describe(stopButton_, "Stop", "Stop the live data stream");
    describe(recordButton_, "Record", "Start or stop recording on the unit");
    // What the plots show until their first picture says it with the values of the moment.
    describe(historyWindow_, "History plot",
             "The transmitters' levels over the last seconds, newest at the right");
    describe(axisHistoryWindow_, "Axis history plot", "The active transmitter's axes over the last seconds");
    describe(gainSpin_, "Gain", "Raise or lower the unit's gain");
    describe(passageEdit_, "Passages", "Pig passages reported since the counters were cleared");
    describe(ignoredEdit_, "Ignored", "Ignored events reported since the counters were cleared");
    describe(tabs_, "Unit pages", nullptr);
    // Qt names a drop-down list and a tab list on this desktop by the choice they show; a label
    // tied to each gives them a name of their own. The labels stay hidden: the layout is unchanged.
    nameByHiddenLabel(channelSelector_, QStringLiteral("Channel"));
    nameByHiddenLabel(tabs_->tabBar(), QStringLiteral("Unit pages"));
    describe(deviceInfoTab_, "Device info", nullptr);
    describe(toolBar_, "Tool Bar", nullptr);
    // The button that shows the tool bar's hidden buttons when the window is narrow.
    if (auto* more = toolBar_->findChild<QAbstractButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        describe(more, "More tools", "Shows the tool bar buttons the window is too narrow for");
    }
    describe(panes_.at(ConnectionPane), "Connection", nullptr);
    describe(panes_.at(BatteryPane), "Battery", nullptr);
    describe(panes_.at(GpsPane), "GPS", nullptr);
    // Tab goes along the rows as they are laid out: the transport row, the counters, the tabs.
    QWidget* const order[] = {channelSelector_, liveButton_,  stopButton_,  recordButton_,
                              passageEdit_,     ignoredEdit_, clearButton_, tabs_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

}  // namespace quorvex::console
