#pragma once

#include "tests/helpers/TestData.h"

#include <QString>

#include <sys/types.h>
#include <string>

namespace quorvex::test {

// A private D-Bus bus (its own dbus-daemon) with BlueZ played by python-dbusmock's bluez5
// template, or by nothing at all, or by a name owner that never answers. The tests drive the
// fake through its org.bluez.Mock interface as a desktop panel's tests do.
class FakeBluez {
public:
    enum class Service { Bluez, None, Silent };

    explicit FakeBluez(Service service = Service::Bluez);
    ~FakeBluez();
    FakeBluez(const FakeBluez&) = delete;
    FakeBluez& operator=(const FakeBluez&) = delete;

    const std::string& address() const { return address_; }

    // org.bluez.Mock: AddAdapter(device name, system name) -> path
    void addAdapter(const QString& name);
    // AddDevice(adapter, address, alias) and, when paired, PairDevice(adapter, address, class).
    void addDevice(const QString& adapter, const QString& address, const QString& alias, bool paired);
    // The adapter's Powered property, as switching the radio off and on sets it.
    void setPowered(const QString& adapter, bool powered);
    // RemoveAdapterWithDevices: the radio is unplugged, its devices go with it.
    void removeAdapter(const QString& adapter);
    // org.bluez.Adapter1.RemoveDevice on the device's object.
    void removeDevice(const QString& adapter, const QString& address);

private:
    void startDaemon();
    void startService(Service service);
    void call(const QString& path, const QString& interface, const QString& method, const QVariantList& args);

    TemporaryFolder folder_;
    std::string address_;
    pid_t daemon_ = -1;
    pid_t service_ = -1;
    QString connectionName_;
};

}  // namespace quorvex::test
