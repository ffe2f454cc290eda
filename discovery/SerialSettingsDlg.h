#pragma once

#include "discovery/DiscoveryEnvironment.h"
#include "support/communication/SerialSettings.h"

#include <QDialog>

#include <cstdint>

class QComboBox;
class QPushButton;

namespace zeph::windows::discovery {

// "Serial Settings": the operator picks a COM port and its line parameters by hand. Stays above
// every other window. After OK the result holds the choice; Cancel leaves it as it was.
class SerialSettingsDlg final : public QDialog {
    Q_OBJECT

public:
    explicit SerialSettingsDlg(QWidget* parent = nullptr,
                               DiscoveryEnvironment environment = DiscoveryEnvironment::fromEnvironment());

    // Before showing: the port to select (0: none, "DISABLED" is selected).
    void setPresetPort(std::int32_t port) { presetPort_ = port; }
    // Before showing: the setting bits (2 baud rate ... 32 flow control) the operator may change.
    void setEnabledSettings(std::uint32_t mask) { enabledMask_ = mask; }
    // Before showing: the parameters to show; after OK: the choice.
    const communication::SerialSettings& serialSettings() const { return result_; }
    void setSerialSettings(const communication::SerialSettings& settings) { result_ = settings; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void fillCombos();
    void selectPreset();
    void updateEnabledStates();

    DiscoveryEnvironment environment_;
    std::int32_t presetPort_ = 0;
    std::uint32_t enabledMask_ = 255;
    communication::SerialSettings result_;

    QComboBox* port_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* flowControl_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace zeph::windows::discovery
