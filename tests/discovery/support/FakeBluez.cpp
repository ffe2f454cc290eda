#include "tests/discovery/support/FakeBluez.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorvex::test {

namespace {

constexpr int kStartTimeoutMs = 20000;

// Starts the program with the environment variable added; the child's standard output goes to
// outFd when it is not -1.
pid_t spawn(const std::vector<std::string>& argv, const std::string& busAddress, int outFd) {
    const pid_t pid = fork();
    if (pid == 0) {
        // The fakes' chatter would bury the test's own output.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(outFd >= 0 ? outFd : quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        if (!busAddress.empty()) {
            setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args.front(), args.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

// Class of device 0x1F00: uncategorised, as the unit reports itself.
constexpr std::uint32_t kUnitClass = 0x1F00;

QString devicePath(const QString& adapter, const QString& address) {
    return QStringLiteral("/org/bluez/") + adapter + QStringLiteral("/dev_") +
           QString(address).replace(':', '_').toUpper();
}

QString nextConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("fake-bluez-test-%1").arg(next.fetch_add(1));
}

}  // namespace

FakeBluez::FakeBluez(Service service) : connectionName_(nextConnectionName()) {
    startDaemon();
    startService(service);
}

FakeBluez::~FakeBluez() {
    QDBusConnection::disconnectFromBus(connectionName_);
    stop(service_);
    stop(daemon_);
}

void FakeBluez::startDaemon() {
    std::array<int, 2> pipe{};
    ASSERT_EQ(0, ::pipe(pipe.data()));
    const std::string socket = (folder_.path() / "bus").string();
    daemon_ = spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                     "--address=unix:path=" + socket},
                    "", pipe[1]);
    close(pipe[1]);
    // The daemon prints its address once it listens.
    pollfd ready{pipe[0], POLLIN, 0};
    ASSERT_EQ(1, poll(&ready, 1, kStartTimeoutMs)) << "dbus-daemon did not start";
    std::array<char, 512> buffer{};
    const ssize_t length = read(pipe[0], buffer.data(), buffer.size() - 1);
    close(pipe[0]);
    ASSERT_GT(length, 0);
    address_.assign(buffer.data(), static_cast<std::size_t>(length));
    address_ = address_.substr(0, address_.find('\n'));
    QDBusConnection::connectToBus(QString::fromStdString(address_), connectionName_);
    ASSERT_TRUE(QDBusConnection(connectionName_).isConnected());
}

void FakeBluez::startService(Service service) {
    if (service == Service::None) {
        return;
    }
    if (service == Service::Bluez) {
        service_ = spawn({"/usr/bin/python3", "-m", "dbusmock", "--session", "-t", "bluez5"}, address_, -1);
    } else {
        // Owns the name and never reads its messages: every call to it waits out its time-out.
        service_ = spawn({"/usr/bin/python3", "-c",
                          "import dbus, time\n"
                          "bus = dbus.SessionBus()\n"
                          "bus.request_name('org.bluez')\n"
                          "time.sleep(600)\n"},
                         address_, -1);
    }
    // The fake needs a moment to start; it is asked again until the bounded time is up.
    QDBusConnectionInterface* bus = QDBusConnection(connectionName_).interface();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (!bus->isServiceRegistered(QStringLiteral("org.bluez")).value()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the fake BlueZ did not come up";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void FakeBluez::call(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& args) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection(connectionName_).call(message);
    ASSERT_EQ(QDBusMessage::ReplyMessage, reply.type()) << reply.errorMessage().toStdString();
}

void FakeBluez::addAdapter(const QString& name) {
    call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("AddAdapter"),
         {name, name + "-host"});
}

void FakeBluez::addDevice(const QString& adapter, const QString& address, const QString& alias, bool paired) {
    call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("AddDevice"),
         {adapter, address, alias});
    if (paired) {
        call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("PairDevice"),
             {adapter, address, kUnitClass});
        // The template keeps the class a device was added with; the unit reports its own.
        call(devicePath(adapter, address), QStringLiteral("org.freedesktop.DBus.Mock"),
             QStringLiteral("UpdateProperties"),
             {QStringLiteral("org.bluez.Device1"),
              QVariantMap{{QStringLiteral("Class"), QVariant::fromValue(kUnitClass)}}});
    }
}

void FakeBluez::setPowered(const QString& adapter, bool powered) {
    call(QStringLiteral("/org/bluez/") + adapter, QStringLiteral("org.freedesktop.DBus.Mock"),
         QStringLiteral("UpdateProperties"),
         {QStringLiteral("org.bluez.Adapter1"), QVariantMap{{QStringLiteral("Powered"), powered}}});
}

void FakeBluez::removeAdapter(const QString& adapter) {
    call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("RemoveAdapterWithDevices"),
         {adapter});
}

void FakeBluez::removeDevice(const QString& adapter, const QString& address) {
    call(QStringLiteral("/org/bluez/") + adapter, QStringLiteral("org.bluez.Adapter1"),
         QStringLiteral("RemoveDevice"),
         {QVariant::fromValue(QDBusObjectPath(devicePath(adapter, address)))});
}

}  // namespace quorvex::test
