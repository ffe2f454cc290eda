#include "console/widgets/DeviceInfoTab.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

QString fixed(double value) {
    return QString::asprintf("%f", value);
}

}  // namespace

QString signalQualityText(std::uint8_t quality) {
    switch (quality) {
        case 1:
            return QStringLiteral("Poor");
        case 2:
            return QStringLiteral("Fair");
        case 3:
            return QStringLiteral("Good");
        case 4:
            return QStringLiteral("Excellent");
        default:
            return QStringLiteral("No signal");
    }
}

DeviceInfoTab::DeviceInfoTab(QWidget* parent) : QWidget(parent) {
    const char* labels[] = {"Model:",     "Serial Number:", "Firmware:", "Latitude:",
                            "Longitude:", "Elevation:",     "HDOP:",     "Signal Quality:"};
    auto* layout = new QVBoxLayout(this);
    QFormLayout* form = nullptr;
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        if (i == 0 || i == 3) {
            auto* group = new QGroupBox(i == 0 ? tr("QUORVEX Unit") : tr("GPS"), this);
            form = new QFormLayout(group);
            layout->addWidget(group);
        }
        edits_[i] = new QLineEdit(this);
        edits_[i]->setReadOnly(true);
        form->addRow(tr(labels[i]), edits_[i]);
    }
    layout->addStretch();
}

void DeviceInfoTab::setGPS(double latitude, double longitude, double elevation, double hdop,
                           std::uint8_t quality) {
    setText(Field::Latitude, fixed(latitude));
    setText(Field::Longitude, fixed(longitude));
    setText(Field::Elevation, fixed(elevation));
    setText(Field::Hdop, fixed(hdop));
    setText(Field::SignalQuality, signalQualityText(quality));
}

void DeviceInfoTab::clear() {
    for (QLineEdit* field : edits_) {
        field->clear();
    }
}

QString DeviceInfoTab::text(Field field) const {
    return edit(field)->text();
}

void DeviceInfoTab::setText(Field field, const QString& text) {
    edit(field)->setText(text);
}

}  // namespace quorvex::console
