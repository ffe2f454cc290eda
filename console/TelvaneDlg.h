#pragma once

#include "console/CommandState.h"
#include "console/ConsoleServices.h"
#include "console/StatusPanes.h"
#include "console/widgets/ISoundPlayer.h"
#include "discovery/DeviceSurveyDlg.h"
#include "journal/JournalFeed.h"
#include "session/ConsoleRules.h"
#include "session/IConsoleView.h"
#include "support/communication/SerialSettings.h"
#include "support/logconsole/LogConsoleListener.h"
#include "support/logconsole/LogFilterOptionsDlg.h"
#include "support/platform/WindowTypes.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class IUserInterface;
struct PassageRecord;
struct StreamingSample;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QTimer;
class QToolBar;

namespace quorvex::console {

class AxisHistoryWnd;
class ChannelSelector;
class ControlRoomLink;
class DeviceInfoTab;
class GainMeter;
class GainSpin;
class HistoryWnd;
class LogTab;
class PigPassageDlg;
class PassageExport;
class PassagesTab;
class RunKeeper;
class RunTab;

// The main window, "QUORVEX Telvane": menus, tool bar, status bar, plots, tabs, transport
// buttons and counters. Every operator command becomes a call on the device stack, whose
// answers come back as messages to the window's message window, on the window thread.
// One class split by concern: creation and layout, commands, command state, status panes,
// device events, child widget places, debug tools.
class TelvaneDlg final : public QMainWindow, private IConsoleView {
    Q_OBJECT
public:
    TelvaneDlg(IUserInterface& device, ConsoleServices services, bool debugMode);
    ~TelvaneDlg() override;

    // Sizes the window as its layout asks, but never larger than the screen's free area.
    void fitToScreen();

    // The window the device stack posts its messages to.
    zeph::platform::HWND messageWindow() const { return messageWindow_; }
    bool isDebugMode() const { return debugMode_; }
    void setSerialSettings(const zeph::windows::communication::SerialSettings& settings);
    const zeph::windows::communication::SerialSettings& serialSettings() const { return serialSettings_; }

    // A command by its number (menus and tool bar share it), or null.
    QAction* action(int id) const;
    QToolBar* toolBar() const { return toolBar_; }
    // The words of the message pane, the red status text, the log tab's text.
    QString messageText() const;
    // What the message pane shows now (a highlighted command's prompt, else the message text).
    QString shownMessage() const;
    QMenu* workingFolderMenu() const { return workingFolderMenu_; }
    // The control-room link and its status pane.
    ControlRoomLink* controlRoom() const { return controlRoom_; }
    QString statusText() const;
    QString logText() const;
    bool isWaiting() const { return waiting_; }
    int passageCount() const { return rules_.passageCount(); }
    int ignoredCount() const { return rules_.ignoredCount(); }
    // The picture names and tips of the connection, battery and GPS panes ("" when none).
    QString paneIcon(int pane) const;
    QString paneTip(int pane) const;
    bool batteryBlinking() const;

    // A problem the operator must see though no box is asked for: the status bar, the log tab and
    // the debug log say it.
    void reportProblem(const std::string& text);

    // Recomputes every command's and control's state from the unit and applies it.
    void refreshCommandState();
    // The same after a device message: applied only where it differs from what was applied last.
    // Messages come 150 times a second on a stream and rarely change anything; the idle refresh
    // applies everything again, so a control a person changed is set back within its period.
    void refreshChangedCommandState();

    // The passage journal (TelvaneDlgJournal.cpp): rows of the unit's events go to it; its
    // messages, which any thread may hand over, are shown once in the log tab, and the status
    // bar says while rows wait or nothing is journaled.
    void setJournal(quorvex::journal::Journal* journal);
    // From any thread, even after the window has gone (then on standard error).
    static void postJournalNotice(zeph::platform::HWND window, const std::string& text);
    QString journalStatusText() const;
    // The Passages tab, when there is a journal.
    PassagesTab* passagesTab() const { return passagesTab_; }
    // File > Export Passages...: the tab's rows (this session or all) as CSV, GPX or GeoJSON.
    void OnExportPassages();

    // The pig run (TelvaneDlgRun.cpp): File > Open Route..., the Run tab, its report.
    RunTab* runTab() const { return runTab_; }
    void OnOpenRoute();
    void OnRunReport();

    // Commands.
    void OnDevices();
    // The survey's answer: on OK the chosen device's port at 115200 8N1, connected at once.
    void onDeviceSelected(int result, const zeph::windows::discovery::DeviceSelection* selection);
    // The survey while it is open, else null.
    zeph::windows::discovery::DeviceSurveyDlg* deviceSurvey() const { return survey_; }
    void OnConnect();
    void OnDisconnect();
    void OnLive();
    void OnStop();
    void OnRecord();
    void OnGainSpin(int delta);
    void OnWorkingFolder(int id);
    void OnClear();
    void OnSave();
    void OnHelp();
    void OnAbout();
    void OnSelChangeChannelSelector(int pendingChannel);

    // The most passage dialogs open at once.
    static constexpr std::size_t MaxPassageDialogs = 20;

    // Pane ids, as the status bar numbers them.
    static constexpr int ConnectionPane = 103;
    static constexpr int BatteryPane = 104;
    static constexpr int GpsPane = 114;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Creation and layout (TelvaneDlgLayout.cpp).
    QAction* addCommand(QMenu* menu, int id, const QString& text, std::function<void()> handler);
    void createMenus();
    void createDebugMenu();
    void createToolBar();
    void createStatusBar();
    void createControlRoomPane();
    void OnControlRoom();
    void createCentralArea();
    void updateWorkingFolderMenu() override;

    // Child widget places (TelvaneDlgWidgets.cpp).
    QWidget* createControlsRow();
    QWidget* createPlotsRow();
    QWidget* createCounters();
    QTabWidget* createTabs();
    void resetHistoryWindows();
    void resetGainMeter();
    void showGain(int gain, int clipping);
    void resetChannelSelector();
    void showSelector(const SelectorDisplay& display);
    void clearDeviceInfo();
    void showDeviceInfo();
    void showGps(zeph::platform::LPARAM record);
    void setHistoryMode();
    void feedSample(const StreamingSample& sample);
    // Both plots follow the unit's own channel (the stream was paused).
    void setActiveTransmitter();
    void playSound(SoundEvent event);
    void openPassageDialog(zeph::platform::LPARAM passage);
    QWidget* createRunTab();
    // The unit's own passage, to the run under way.
    void feedRun(const PassageRecord& passage);
    // The Run tab's run kept in the journal as it goes, and taken up again at the next start.
    void keepRuns(const quorvex::journal::Journal& journal);

    // Names and tab order for screen readers and the keyboard (TelvaneDlgAccessibility.cpp).
    void describeControls();
    // A hidden label tied to the widget, which screen readers take as its name.
    static void nameByHiddenLabel(QWidget* widget, const QString& name);
    static QString imageButtonName(const QString& icon);

    // Command state and status panes (TelvaneDlgCommandState.cpp, TelvaneDlgStatusPanes.cpp).
    DialogMembers dialogMembers() const;
    void applyImageButton(QAbstractButton* button, const ImageButtonState& state, const char* normal,
                          const char* alternate);
    void applyCommandState(const CommandState& state);
    void refreshStatusPanes();
    void setPane(int pane, const PaneImage& image);
    // The picture alone: the blinking battery keeps its tip.
    void setPaneIcon(int pane, const std::string& icon);
    void onClockTimer();
    void onBlinkTimer();

    // Device events (TelvaneDlgDeviceEvents.cpp).
    zeph::platform::LRESULT onMessage(zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                                      zeph::platform::LPARAM lParam);
    void OnQuorvexConnectEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexDisconnectEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexCommunicationsFailure(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexInitEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexGainEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexADCReadEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexADCDataEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexStreamingDataEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexStopEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexSelChannelChangedEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexProcessAutoRecordEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexProcessIgnoredEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexProcessPassageEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexGPSInfoEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexRecordModeChangeEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    void OnQuorvexStateInfoEvt(zeph::platform::WPARAM wParam, zeph::platform::LPARAM lParam);
    zeph::platform::LRESULT OnQuorvexShowErrorBox(zeph::platform::WPARAM wParam,
                                                  zeph::platform::LPARAM lParam);

    // Debug tools (TelvaneDlgDebugTools.cpp).
    void OnSerial();
    void OnViewConsole();
    void OnViewFilter();
    void OnForceRedraw();
    bool debugConsoleOpen() const;
    bool filterDialogOpen() const;
    void closeDebugTools();
    // Blanks the debug console when it is open (a new connection starts a new page).
    void clearDebugConsole();
    void closeFilterDialog();

    // What the console's rules show (TelvaneDlgView.cpp).
    void showStatus(const std::string& text) override;
    void showMessageBox(const std::string& text, BoxIcon icon) override;
    void beginWait() override;
    void endWait() override;
    void appendLogLine(const std::string& text) override;
    void connectionEnded(ConnectionOutcome outcome, const std::string& reason) override;
    // Feeds a device message to the journal; true for a journal's own message (then shown).
    bool journalMessage(zeph::platform::UINT message, zeph::platform::LPARAM lParam);
    void showJournalNotice(const std::string& text);
    void refreshJournalStatus();
    void setMessageText(const QString& text);
    void showBox(const QString& text, BoxIcon icon);

    IUserInterface& device_;
    ConsoleServices services_;
    const bool debugMode_;
    ConsoleRules rules_;
    zeph::platform::HWND messageWindow_ = nullptr;
    zeph::windows::communication::SerialSettings serialSettings_;
    int deviceIsBluetooth_ = 0;  // the kind of the last device chosen: 0 serial port, 1 Bluetooth
    QPointer<zeph::windows::discovery::DeviceSurveyDlg> survey_;  // deletes itself when it closes
    bool waiting_ = false;                                        // the wait state: one flag, not a count
    std::vector<QPointer<QWidget>> waitingParts_;                 // the parts the wait disabled
    bool closing_ = false;  // the window is going away: nothing more is asked of a person

    std::map<int, QAction*> actions_;
    QMenu* workingFolderMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QString messageText_;  // what the message pane shows when no prompt is highlighted
    std::map<int, QLabel*> panes_;
    QLabel* clockPane_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    ControlRoomLink* controlRoom_ = nullptr;
    QTimer* blinkTimer_ = nullptr;
    int blinkCounter_ = 0;
    QTimer* idleTimer_ = nullptr;
    std::optional<CommandState> appliedState_;  // what the controls were last set to
    // What the connection, battery and GPS panes were last drawn from (connected, Bluetooth unit,
    // battery level, GPS flag).
    std::optional<std::tuple<bool, int, double, std::uint8_t>> appliedPaneInputs_;

    // Child widgets and their places.
    ChannelSelector* channelSelector_ = nullptr;
    GainMeter* gainMeter_ = nullptr;
    HistoryWnd* historyWindow_ = nullptr;
    GainSpin* gainSpin_ = nullptr;
    QAbstractButton* liveButton_ = nullptr;
    QAbstractButton* stopButton_ = nullptr;
    QAbstractButton* recordButton_ = nullptr;
    QLabel* statusText_ = nullptr;
    QLineEdit* passageEdit_ = nullptr;
    QLineEdit* ignoredEdit_ = nullptr;
    QAbstractButton* clearButton_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    LogTab* logTab_ = nullptr;
    QWidget* axisHistoryTab_ = nullptr;
    AxisHistoryWnd* axisHistoryWindow_ = nullptr;
    DeviceInfoTab* deviceInfoTab_ = nullptr;

    // The passage dialog opened last, which counts the passages beyond the limit.
    QPointer<PigPassageDlg> newestPassage_;
    int passagesBeyondDialogs_ = 0;  // passages that got no dialog of their own since the limit was met

    // Debug tools: the live console while it is open, and its filter dialog while it is shown.
    std::unique_ptr<zeph::windows::logging::LogConsoleListener> consoleListener_;
    std::unique_ptr<zeph::windows::logging::LogFilterOptionsDlg> filterDlg_;
    quorvex::journal::Journal* journal_ = nullptr;
    std::optional<quorvex::journal::JournalFeed> journalFeed_;
    QLabel* journalPane_ = nullptr;
    PassagesTab* passagesTab_ = nullptr;
    PassageExport* passageExport_ = nullptr;
    RunTab* runTab_ = nullptr;
    std::unique_ptr<RunKeeper> runKeeper_;
};

}  // namespace quorvex::console
