#include "discovery/BluezClient.h"

#include "support/platform/Format.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QVariantMap>

#include <atomic>

namespace zeph::windows::discovery {

using platform::DWORD;

namespace {

const QString kService = QStringLiteral("org.bluez");
const QString kAdapterInterface = QStringLiteral("org.bluez.Adapter1");
const QString kDeviceInterface = QStringLiteral("org.bluez.Device1");

using InterfaceMap = QMap<QString, QVariantMap>;
using ObjectMap = QMap<QDBusObjectPath, InterfaceMap>;

QString uniqueConnectionName() {
    static std::atomic<unsigned> next{0};
    return QStringLiteral("quorvex-bluez-%1").arg(next.fetch_add(1));
}

std::wstring wide(const QString& text) {
    return text.toStdWString();
}

BluetoothDevice deviceFrom(const QString& path, const QVariantMap& properties) {
    BluetoothDevice device;
    device.objectPath = path.toStdString();
    if (const auto address =
            parseBluezAddress(properties.value(QStringLiteral("Address")).toString().toStdString())) {
        device.Address = *address;
    }
    QString name = properties.value(QStringLiteral("Name")).toString();
    if (name.isEmpty()) {
        name = properties.value(QStringLiteral("Alias")).toString();
    }
    device.szName = wide(name);
    const bool paired = properties.value(QStringLiteral("Paired")).toBool();
    device.fAuthenticated = paired;
    device.fRemembered = paired || properties.value(QStringLiteral("Trusted")).toBool();
    device.fConnected = properties.value(QStringLiteral("Connected")).toBool();
    device.ulClassofDevice = properties.value(QStringLiteral("Class")).toUInt();
    device.adapterPath =
        properties.value(QStringLiteral("Adapter")).value<QDBusObjectPath>().path().toStdString();
    return device;
}

}  // namespace

BluezClient::BluezClient(std::string busAddress, int timeoutMs)
    : busAddress_(std::move(busAddress)), timeoutMs_(timeoutMs), connectionName_(uniqueConnectionName()) {}

BluezClient::~BluezClient() {
    if (opened_) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
}

bool BluezClient::connected() {
    if (!opened_) {
        opened_ = true;
        if (busAddress_.empty()) {
            QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName_);
        } else {
            QDBusConnection::connectToBus(QString::fromStdString(busAddress_), connectionName_);
        }
    }
    const QDBusConnection connection(connectionName_);
    if (!connection.isConnected()) {
        failure_ = platform::formatMessage(L"Unable to reach the D-Bus bus [%hs]: %s",
                                           busAddress_.empty() ? "system" : busAddress_.c_str(),
                                           wide(connection.lastError().message()));
        // A later call tries the bus afresh.
        QDBusConnection::disconnectFromBus(connectionName_);
        opened_ = false;
        return false;
    }
    return true;
}

DWORD BluezClient::failed(const QDBusMessage& reply) {
    const QString error = reply.errorName();
    if (error == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
        error == QStringLiteral("org.freedesktop.DBus.Error.Timeout")) {
        failure_ = platform::formatMessage(L"BlueZ did not answer within %d ms: %s", timeoutMs_,
                                           wide(reply.errorMessage()));
        return platform::ERROR_TIMEOUT;
    }
    failure_ =
        platform::formatMessage(L"BlueZ is not available [%s]: %s", wide(error), wide(reply.errorMessage()));
    return platform::ERROR_BAD_UNIT;
}

DWORD BluezClient::getManagedObjects(BluezObjects& objects) {
    failure_.clear();
    if (!connected()) {
        return platform::ERROR_BAD_UNIT;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
        QStringLiteral("GetManagedObjects"));
    const QDBusMessage reply = QDBusConnection(connectionName_).call(call, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return failed(reply);
    }
    if (reply.arguments().size() != 1 || !reply.arguments().front().canConvert<QDBusArgument>()) {
        failure_ =
            platform::formatMessage(L"BlueZ answered GetManagedObjects with [%s].", wide(reply.signature()));
        return platform::ERROR_INVALID_DATA;
    }
    ObjectMap map;
    reply.arguments().front().value<QDBusArgument>() >> map;
    for (auto object = map.cbegin(); object != map.cend(); ++object) {
        const QString path = object.key().path();
        if (const auto adapter = object.value().constFind(kAdapterInterface);
            adapter != object.value().cend()) {
            objects.adapters.push_back(
                BluezAdapter{path.toStdString(), adapter.value().value(QStringLiteral("Powered")).toBool()});
        }
        if (const auto device = object.value().constFind(kDeviceInterface); device != object.value().cend()) {
            objects.devices.push_back(deviceFrom(path, device.value()));
        }
    }
    return 0;
}

DWORD BluezClient::removeDevice(const std::string& adapterPath, const std::string& devicePath) {
    failure_.clear();
    if (!connected()) {
        return platform::ERROR_BAD_UNIT;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QString::fromStdString(adapterPath),
                                                       kAdapterInterface, QStringLiteral("RemoveDevice"));
    call << QVariant::fromValue(QDBusObjectPath(QString::fromStdString(devicePath)));
    const QDBusMessage reply = QDBusConnection(connectionName_).call(call, QDBus::Block, timeoutMs_);
    return reply.type() == QDBusMessage::ReplyMessage ? 0 : failed(reply);
}

}  // namespace zeph::windows::discovery
