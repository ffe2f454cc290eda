#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;

namespace quorvex::console {

// "Poor", "Fair", "Good", "Excellent" for qualities 1 to 4, else "No signal".
QString signalQualityText(std::uint8_t quality);

// The "Device Info" tab: the unit's model, serial number and firmware, and its GPS fix.
class DeviceInfoTab : public QWidget {
    Q_OBJECT
public:
    enum class Field { Model, SerialNumber, Firmware, Latitude, Longitude, Elevation, Hdop, SignalQuality };

    explicit DeviceInfoTab(QWidget* parent = nullptr);

    void setModel(const QString& text) { setText(Field::Model, text); }
    void setSerialNumber(const QString& text) { setText(Field::SerialNumber, text); }
    void setFirmware(const QString& text) { setText(Field::Firmware, text); }
    void setGPS(double latitude, double longitude, double elevation, double hdop, std::uint8_t quality);
    // Every field empty (a disconnection).
    void clear();

    QString text(Field field) const;

private:
    void setText(Field field, const QString& text);
    QLineEdit* edit(Field field) const { return edits_[static_cast<std::size_t>(field)]; }

    std::array<QLineEdit*, 8> edits_{};
};

}  // namespace quorvex::console
