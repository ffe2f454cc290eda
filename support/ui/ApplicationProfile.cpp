#include "support/ui/ApplicationProfile.h"

#include <QSettings>
#include <QVariant>

namespace zeph::windows::ui {

namespace {

constexpr const char* kOrganisation = "quorvex";
constexpr const char* kApplication = "quorvex-console";

QSettings openProfile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
}

QString keyOf(const std::wstring& section, const std::wstring& entry) {
    return QString::fromStdWString(section) + QLatin1Char('/') + QString::fromStdWString(entry);
}

// The stored value, or nothing when the profile cannot be read whole: half a damaged file is
// no better than none.
std::optional<QVariant> read(const std::wstring& section, const std::wstring& entry) {
    const QSettings profile = openProfile();
    if (profile.status() != QSettings::NoError) {
        return std::nullopt;
    }
    const QVariant value = profile.value(keyOf(section, entry));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value;
}

bool write(const std::wstring& section, const std::wstring& entry, const QVariant& value) {
    QSettings profile = openProfile();
    profile.setValue(keyOf(section, entry), value);
    profile.sync();
    return profile.status() == QSettings::NoError;
}

}  // namespace

std::wstring ApplicationProfile::getProfileString(const std::wstring& section, const std::wstring& entry,
                                                  const std::wstring& fallback) {
    const std::optional<QVariant> value = read(section, entry);
    if (!value || value->typeId() != QMetaType::QString) {
        return fallback;
    }
    return value->toString().toStdWString();
}

int ApplicationProfile::getProfileInt(const std::wstring& section, const std::wstring& entry, int fallback) {
    const std::optional<QVariant> value = read(section, entry);
    bool isNumber = false;
    const int number = value ? value->toInt(&isNumber) : fallback;
    return isNumber ? number : fallback;
}

bool ApplicationProfile::writeProfileString(const std::wstring& section, const std::wstring& entry,
                                            const std::wstring& value) {
    return write(section, entry, QString::fromStdWString(value));
}

bool ApplicationProfile::writeProfileInt(const std::wstring& section, const std::wstring& entry, int value) {
    return write(section, entry, value);
}

QString ApplicationProfile::fileName() {
    return openProfile().fileName();
}

}  // namespace zeph::windows::ui
