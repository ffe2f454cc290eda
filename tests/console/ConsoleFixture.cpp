#include "tests/console/ConsoleFixture.h"

#include "device/IUserInterface.h"
#include "simulator/SimulatedUnit.h"

#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quorvex::test {

void AnsweringServices::show(QWidget* parent, const QString& text, console::BoxIcon icon) {
    const auto* window = qobject_cast<const console::TelvaneDlg*>(parent);
    boxes.push_back({text, icon, QThread::currentThread() == QApplication::instance()->thread(),
                     window != nullptr ? window->messageText() : QString()});
}

std::optional<QString> AnsweringServices::askFileName(QWidget*, const QString& askedFilter) {
    filter = askedFilter;
    return fileName;
}

std::optional<console::ISaveFileDialog::Choice> AnsweringServices::askSaveFile(QWidget*,
                                                                               const QString& filters,
                                                                               const QString& name) {
    filter = filters;
    suggested = name;
    if (!fileName) {
        return std::nullopt;
    }
    return Choice{*fileName,
                  chosenFilter.isEmpty() ? filters.section(QStringLiteral(";;"), 0, 0) : chosenFilter};
}

QApplication& ConsoleTest::application() {
    static int argc = 1;
    static char name[] = "test_console";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals are gone by the time static objects are.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

ConsoleTest::ConsoleTest() {
    application();
    // The debug log goes to %TEMP%, the simulated unit's port links to the port directory.
    ::setenv("TEMP", temp_.path().c_str(), 1);
    ::setenv("QUORVEX_PORT_DIR", (temp_.path() / "ports").c_str(), 1);
    // The passage journal's default place is the test's folder, never the user's own.
    ::setenv("XDG_DATA_HOME", temp_.path().c_str(), 1);
    telvane_ = std::make_unique<console::Telvane>(console::deviceStack(), answers_.services());
}

ConsoleTest::~ConsoleTest() {
    telvane_.reset();
    if (HasFailure()) {
        // What the console logged, to tell why.
        const std::string log = debugLog();
        std::printf("--- end of the debug log ---\n%s\n", log.substr(0).c_str());
    }
    // The folder is removed next; a later test in this process makes its own.
    ::unsetenv("TEMP");
    ::unsetenv("QUORVEX_PORT_DIR");
    ::unsetenv("XDG_DATA_HOME");
}

void ConsoleTest::start(const QStringList& options) {
    std::vector<std::string> arguments;
    for (const QString& option : options) {
        arguments.push_back(option.toStdString());
    }
    startWithArguments(arguments);
}

void ConsoleTest::startWithArguments(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quorvex-console");
    console::ConsoleOptions parsed;
    const std::string error = console::parseConsoleOptions(arguments, parsed);
    ASSERT_EQ("", error);
    ASSERT_EQ("", telvane_->initInstance(parsed));
}

const DeviceState& ConsoleTest::unitState() const {
    return *console::deviceStack().getDeviceState();
}

void ConsoleTest::control(const std::string& line) {
    ASSERT_NE(nullptr, telvane_->simulatedUnit());
    ASSERT_EQ("", telvane_->simulatedUnit()->control(line));
}

bool ConsoleTest::waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 15000);
}

bool ConsoleTest::waitForStreaming() {
    return waitFor([this] {
        return unitState().connectionState() == ConnectionState::Connected &&
               unitState().streamingState() == StreamingState::Playing && !window().isWaiting();
    });
}

std::string ConsoleTest::debugLog() const {
    return readDebugLog(temp_.path());
}

bool ConsoleTest::waitForLog(const std::string& text) {
    return waitFor([&] { return debugLog().find(text) != std::string::npos; });
}

}  // namespace quorvex::test
