#pragma once

#include "discovery/ComPortInfo.h"
#include "discovery/DeviceSelection.h"
#include "discovery/DiscoveryEnvironment.h"
#include "discovery/IBluetoothMgr.h"
#include "discovery/SurveyEntry.h"
#include "discovery/SurveyHint.h"

#include <QDialog>
#include <QIcon>

#include <boost/signals2/signal.hpp>

#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

namespace zeph::windows::discovery {

class DeviceMonitor;
class SurveyList;

// "Select Device": the paired QUORVEX units, each examined in the background until its serial
// link is known and opens, and the serial ports of the machine. OK hands the chosen device to
// the selection signal, Cancel hands nothing; either way the dialog stops its workers and
// deletes itself.
class DeviceSurveyDlg final : public QDialog {
    Q_OBJECT

public:
    // (dialog result, the selection or null): emitted once, 1 with a device or 2 with none.
    using SelectionSignal = boost::signals2::signal<void(int, const DeviceSelection*)>;

    explicit DeviceSurveyDlg(QWidget* parent, IBluetoothMgr& manager = IBluetoothMgr::instance(),
                             DiscoveryEnvironment environment = DiscoveryEnvironment::fromEnvironment());
    ~DeviceSurveyDlg() override;

    SelectionSignal& selectionSignal() { return selection_; }

    // OK (1) and Cancel (2, also the close box and Escape) end here.
    void done(int result) override;

private:
    void buildLayout();
    bool enumerateSerialPorts(bool showAll);
    std::vector<ComPortInfo> serialPortsToList(bool showAll) const;
    bool listSerialPorts(const std::vector<ComPortInfo>& ports);
    // Lists the serial ports again when they changed, keeping the operator's choice.
    void relistSerialPorts();
    // The first search holds the dialog busy; the ones that follow every kRefreshMs do not.
    void startSearch(bool busy = true);
    void refresh();
    void onBluetoothDevices(const platform::DWORD& code, const std::vector<BluetoothDevice>* devices);
    // Units that a search no longer reports (unpaired) go with their workers.
    void removeUnitsNotIn(const std::vector<BluetoothDevice>& devices);
    // How the kept radio stands after a search that ended with the code.
    void noteRadio(platform::DWORD code);
    // Rereads which unit each RFCOMM tty is bound to.
    void refreshBindings();
    void addUnit(const BluetoothDevice& device);
    void startWorker(SurveyEntry& entry);
    void stopWorker(SurveyEntry& entry, platform::DWORD timeoutMs);
    void onDeviceStatus(const tagQUORVEX_STATUS& status);
    void onSelectionChanged();
    void onShowAllSerialPorts();
    void onPortArrived(const std::filesystem::path& deviceNode);
    void onPortRemoved(const std::filesystem::path& deviceNode);
    void removeUnit(std::map<std::wstring, SurveyEntry>::iterator entry);
    void updateOk();
    void updateHint();
    SurveyHint hint() const;
    void setBusy(bool busy);
    bool selectionOf(DeviceSelection& selection) const;
    void shutdownWorkers();

    IBluetoothMgr& manager_;
    DiscoveryEnvironment environment_;
    SelectionSignal selection_;
    std::array<QIcon, 5> images_;
    std::map<std::wstring, SurveyEntry> entries_;
    std::vector<tagSERIAL_DEVICE> serialDevices_;  // the ports listed now
    // rfcommN -> the search text of the address it is bound to, as last read: a link's removal
    // is told by its node alone, when its address can no longer be read.
    std::map<std::string, std::wstring> bindings_;
    // Units removed with their serial link: a search does not list them again until it is back.
    std::set<std::wstring> linkGone_;
    boost::signals2::scoped_connection search_;  // the pending Bluetooth search
    bool bluetoothReady_ = false;
    bool searchFailed_ = false;  // the last search failed for another reason than finding nothing
    enum class Radio { On, Off, Gone };
    Radio radio_ = Radio::On;  // the kept radio as the last search found it
    bool busy_ = false;
    bool finished_ = false;

    SurveyList* list_ = nullptr;
    QCheckBox* showAll_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* ok_ = nullptr;
    DeviceMonitor* monitor_ = nullptr;
};

}  // namespace zeph::windows::discovery
