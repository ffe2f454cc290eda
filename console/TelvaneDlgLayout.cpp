// TelvaneDlg: creation and layout of the main window.
#include "console/CommandIds.h"
#include "console/CommandPrompts.h"
#include "console/RunKeeper.h"
#include "console/StatusPanes.h"
#include "console/TelvaneDlg.h"
#include "console/resources/ConsoleIcon.h"
#include "console/widgets/LiteralMenuText.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "support/config/ConfigMgr.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

constexpr int ClockPeriodMs = 1000;
constexpr int BlinkPeriodMs = 500;
// The command state also follows the unit between its events (a battery reading, a state the
// stack changed on its own), as an idle refresh would.
constexpr int IdleRefreshMs = 250;

}  // namespace

TelvaneDlg::TelvaneDlg(IUserInterface& device, ConsoleServices services, bool debugMode)
    : device_(device), services_(services), debugMode_(debugMode), rules_(device, *this) {
    namespace platform = zeph::platform;
    messageWindow_ = platform::createMessageWindow(
        [this](platform::HWND, platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
            return onMessage(message, wParam, lParam);
        });
    setWindowTitle(QStringLiteral("QUORVEX Telvane"));
    setWindowIcon(consoleIcon(QStringLiteral("quorvex")));
    createMenus();
    createToolBar();
    createStatusBar();
    createCentralArea();
    describeControls();
    updateWorkingFolderMenu();

    idleTimer_ = new QTimer(this);
    connect(idleTimer_, &QTimer::timeout, this, &TelvaneDlg::refreshCommandState);
    idleTimer_->start(IdleRefreshMs);
    zeph::windows::config::ConfigMgr::instance().set(L"Volatile.Model", L"M450");
    refreshCommandState();
}

TelvaneDlg::~TelvaneDlg() {
    if (!closing_) {
        close();
    }
    // What the stack posted while it stopped is handled (and its records freed) before the
    // window that receives it goes.
    zeph::platform::pumpMessages();
    // Closing ends the session under way even when the stack's last word never came (a stop
    // signal closes as the close button does).
    connectionEnded(ConnectionOutcome::Disconnected, "console closed");
    zeph::platform::destroyWindow(messageWindow_);
}

void TelvaneDlg::closeEvent(QCloseEvent* event) {
    beginWait();
    closing_ = true;
    closeDebugTools();
    clockTimer_->stop();
    blinkTimer_->stop();
    idleTimer_->stop();
    // Disconnects and stops the stack's workers.
    device_.exit();
    event->accept();
}

bool TelvaneDlg::event(QEvent* event) {
    // A highlighted command shows its prompt in the message pane; leaving it restores the text.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        messagePane_->setText(tip.isEmpty() ? messageText_ : tip);
        return true;
    }
    return QMainWindow::event(event);
}

QAction* TelvaneDlg::action(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

QAction* TelvaneDlg::addCommand(QMenu* menu, int id, const QString& text, std::function<void()> handler) {
    auto* command = menu->addAction(text);
    const CommandPrompt prompt = commandPrompt(id);
    command->setStatusTip(
        QString::fromUtf8(prompt.statusTip.data(), static_cast<qsizetype>(prompt.statusTip.size())));
    if (!prompt.toolTip.empty()) {
        command->setToolTip(
            QString::fromUtf8(prompt.toolTip.data(), static_cast<qsizetype>(prompt.toolTip.size())));
    }
    if (handler) {
        connect(command, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    }
    actions_[id] = command;
    return command;
}

void TelvaneDlg::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    // "Ctrl+S" is shown beside Save but is not bound to a key.
    addCommand(file, ID_FILE_SAVE, QStringLiteral("&Save\tCtrl+S"), [this] { OnSave(); });
    // Our own setting, kept in the File menu so the menu bar stays as the operators know it.
    QAction* controlRoom = file->addAction(QStringLiteral("Control &Room..."));
    controlRoom->setStatusTip(QStringLiteral("Publish passages to a control room's MQTT broker"));
    connect(controlRoom, &QAction::triggered, this, &TelvaneDlg::OnControlRoom);
    file->addSeparator();
    addCommand(file, ID_APP_EXIT, QStringLiteral("E&xit"), [this] { close(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    addCommand(view, ID_VIEW_TOOLBAR, QStringLiteral("&Tool Bar"), {})->setCheckable(true);
    addCommand(view, ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"), {})->setCheckable(true);
    view->addSeparator();
    addCommand(view, ID_VIEW_DEVICES, QStringLiteral("&Devices"), [this] { OnDevices(); });

    QMenu* unit = menuBar()->addMenu(QStringLiteral("&QUORVEX"));
    addCommand(unit, ID_CONNECT, QStringLiteral("&Connect"), [this] { OnConnect(); });
    addCommand(unit, ID_DISCONNECT, QStringLiteral("&Disconnect"), [this] { OnDisconnect(); });
    unit->addSeparator();
    addCommand(unit, ID_FILE_MANAGER, QStringLiteral("&File Manager"), {});
    addCommand(unit, ID_RESET_SENSOR, QStringLiteral("&Reset Sensor"), [this] { device_.resetMRSensor(); });

    QMenu* transport = menuBar()->addMenu(QStringLiteral("&Transport"));
    addCommand(transport, ID_TRANSPORT_LIVE, QStringLiteral("&Live"), [this] { OnLive(); });
    addCommand(transport, ID_TRANSPORT_PAUSE, QStringLiteral("&Pause"), [this] { OnLive(); });
    addCommand(transport, ID_TRANSPORT_STOP, QStringLiteral("&Stop"), [this] { OnStop(); });

    QMenu* gain = menuBar()->addMenu(QStringLiteral("&Gain"));
    addCommand(gain, ID_GAIN_INCREASE, QStringLiteral("&Increase"), [this] {
        device_.incGain();
    })->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    addCommand(gain, ID_GAIN_DECREASE, QStringLiteral("&Decrease"), [this] {
        device_.decGain();
    })->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_Minus));

    QMenu* record = menuBar()->addMenu(QStringLiteral("&Record Options"));
    workingFolderMenu_ = record->addMenu(QStringLiteral("Working &Folder"));
    for (int id = ID_WORKING_FOLDER_1; id <= ID_WORKING_FOLDER_5; ++id) {
        addCommand(workingFolderMenu_, id, QStringLiteral("Placeholder%1").arg(id - ID_WORKING_FOLDER_1 + 1),
                   [this, id] { OnWorkingFolder(id); })
            ->setCheckable(true);
    }
    addCommand(record, ID_RECORD_AUTOMATIC, QStringLiteral("&Automatic"), [this] {
        device_.setRecordModeAutomatic();
    })->setCheckable(true);
    addCommand(record, ID_RECORD_MANUAL, QStringLiteral("&Manual"), [this] {
        device_.setRecordModeManual();
    })->setCheckable(true);

    if (debugMode_) {
        createDebugMenu();
    }
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, ID_HELP, QStringLiteral("Telvane &Help"), [this] { OnHelp(); });
    addCommand(help, ID_APP_ABOUT, QStringLiteral("&About Telvane..."), [this] { OnAbout(); });
    for (QMenu* menu : {file, view, unit, transport, gain, record, help}) {
        connect(menu, &QMenu::aboutToShow, this, &TelvaneDlg::refreshCommandState);
    }
}

void TelvaneDlg::createDebugMenu() {
    QMenu* debug = menuBar()->addMenu(QStringLiteral("&Debug"));
    QMenu* configuration = debug->addMenu(QStringLiteral("&Configuration"));
    addCommand(configuration, ID_CONFIGURATION_SERIAL, QStringLiteral("&Serial"), [this] { OnSerial(); });
    debug->addSeparator();
    addCommand(debug, ID_VIEW_CONSOLE, QStringLiteral("View &Console"), [this] {
        OnViewConsole();
    })->setCheckable(true);
    addCommand(debug, ID_VIEW_FILTER, QStringLiteral("View &Filter"), [this] {
        OnViewFilter();
    })->setCheckable(true);
    addCommand(debug, ID_FORCE_REDRAW, QStringLiteral("Force &Redraw"), [this] { OnForceRedraw(); });
    connect(debug, &QMenu::aboutToShow, this, &TelvaneDlg::refreshCommandState);
}

void TelvaneDlg::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tool Bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(16, 16));
    const std::pair<int, const char*> buttons[] = {
        {ID_VIEW_DEVICES, "devices"},        {ID_CONNECT, "connect"},
        {ID_DISCONNECT, "disconnect"},       {0, nullptr},
        {ID_FILE_MANAGER, "file-manager"},   {0, nullptr},
        {ID_CONFIGURATION_SERIAL, "serial"}, {ID_VIEW_CONSOLE, "console"},
        {ID_VIEW_FILTER, "filter"}};
    // Without "-debug" the tool bar ends at File Manager.
    const std::size_t count = debugMode_ ? std::size(buttons) : 5;
    for (std::size_t i = 0; i < count; ++i) {
        const auto [id, icon] = buttons[i];
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* command = action(id);
        command->setIcon(consoleIcon(QString::fromLatin1(icon)));
        toolBar_->addAction(command);
    }
    // The logo sits at the tool bar's right end.
    auto* spacer = new QWidget(toolBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(spacer);
    auto* logo = new QLabel(toolBar_);
    logo->setPixmap(consoleIcon(QStringLiteral("logo")).pixmap(QSize(96, 24), devicePixelRatio()));
    toolBar_->addWidget(logo);

    QAction* toggle = action(ID_VIEW_TOOLBAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, toolBar_, &QToolBar::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void TelvaneDlg::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->setMinimumHeight(22);
    messagePane_ = new QLabel(bar);
    bar->addWidget(messagePane_, 1);
    for (int pane : {ConnectionPane, BatteryPane, GpsPane}) {
        auto* label = new QLabel(bar);
        label->setFixedSize(16, 16);
        bar->addPermanentWidget(label);
        panes_[pane] = label;
    }
    createControlRoomPane();
    clockPane_ = new QLabel(QString::fromStdString(clockText(std::time(nullptr))), bar);
    bar->addPermanentWidget(clockPane_);
    clockTimer_ = new QTimer(this);
    connect(clockTimer_, &QTimer::timeout, this, &TelvaneDlg::onClockTimer);
    clockTimer_->start(ClockPeriodMs);
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(BlinkPeriodMs);
    connect(blinkTimer_, &QTimer::timeout, this, &TelvaneDlg::onBlinkTimer);
    setMessageText(QStringLiteral("Ready"));

    QAction* toggle = action(ID_VIEW_STATUS_BAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void TelvaneDlg::createCentralArea() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createControlsRow());
    layout->addWidget(createPlotsRow());
    layout->addWidget(createTabs(), 1);
    setCentralWidget(central);
}

void TelvaneDlg::updateWorkingFolderMenu() {
    const DeviceState& state = *device_.getDeviceState();
    if (state.connectionState() == ConnectionState::Disconnected) {
        workingFolderMenu_->setEnabled(false);
        return;
    }
    workingFolderMenu_->setEnabled(true);
    const WorkingFolderNames names = state.workingFolderNames();
    for (int i = 0; i < 5; ++i) {
        action(ID_WORKING_FOLDER_1 + i)
            ->setText(literalMenuText(QString::fromLocal8Bit(names[i].substr(0, 259))));
    }
}

}  // namespace quorvex::console
