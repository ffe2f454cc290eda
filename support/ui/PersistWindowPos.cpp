#include "support/ui/PersistWindowPos.h"

#include "support/config/ConfigMgr.h"
#include "support/logging/LogBeacon.h"
#include "support/ui/ApplicationProfile.h"
#include "support/ui/PlacementRect.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <boost/variant/get.hpp>

#include <utility>

namespace zeph::windows::ui {

namespace {

using logging::LogBeacon;

constexpr const wchar_t* kRectangle = L"Rectangle";
constexpr const wchar_t* kIconized = L"Iconized";
constexpr const wchar_t* kMaximized = L"Maximized";

QRect onScreen(const QRect& rect) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return rect;
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->availableGeometry());
    }
    return placeOnScreen(rect, screens, primary->availableGeometry());
}

Qt::WindowStates shownState(bool iconized, bool maximized) {
    Qt::WindowStates state = maximized ? Qt::WindowMaximized : Qt::WindowNoState;
    return iconized ? state | Qt::WindowMinimized : state;
}

}  // namespace

PersistWindowPos::PersistWindowPos(QWidget* window, std::wstring section)
    : window_(window), section_(std::move(section)) {}

PersistWindowPos::~PersistWindowPos() = default;

bool PersistWindowPos::restore() {
    LogBeacon::log("PersistWindowPos::restore", logging::DebugLevel1, L" ");
    const std::optional<Entries> entries = storeMode_ ? readStore() : readProfile();
    if (!entries || entries->rectangle.empty()) {
        return false;
    }
    const std::optional<QRect> rect = parsePlacementRect(entries->rectangle);
    if (!rect) {
        LogBeacon::log("PersistWindowPos::restore", logging::Warning,
                       L"The stored rectangle [%s] of [%s] is damaged; the window keeps its place.",
                       entries->rectangle, section_);
        return false;
    }
    window_->setGeometry(onScreen(*rect));
    window_->setWindowState(shownState(entries->iconized, entries->maximized));
    return true;
}

void PersistWindowPos::save() {
    LogBeacon::log("PersistWindowPos::save", logging::DebugLevel1, L" ");
    const Qt::WindowStates state = window_->windowState();
    Entries entries;
    entries.iconized = state.testFlag(Qt::WindowMinimized);
    // A minimised window that was maximised before keeps that, so it comes back maximised.
    entries.maximized = state.testFlag(Qt::WindowMaximized);
    const QRect normal = window_->normalGeometry();
    entries.rectangle = formatPlacementRect(normal.isValid() ? normal : window_->geometry());
    if (storeMode_) {
        writeStore(entries);
    } else {
        writeProfile(entries);
    }
}

PersistWindowPos::Entries PersistWindowPos::readProfile() const {
    Entries entries;
    entries.rectangle = ApplicationProfile::getProfileString(section_, kRectangle, L"");
    entries.iconized = ApplicationProfile::getProfileInt(section_, kIconized, 0) != 0;
    entries.maximized = ApplicationProfile::getProfileInt(section_, kMaximized, 0) != 0;
    return entries;
}

std::optional<PersistWindowPos::Entries> PersistWindowPos::readStore() const {
    const config::ConfigMgr& store = config::ConfigMgr::instance();
    Entries entries;
    try {
        if (!store.get(storeKey(kRectangle), entries.rectangle)) {
            return std::nullopt;
        }
        store.get(storeKey(kIconized), entries.iconized);
        store.get(storeKey(kMaximized), entries.maximized);
    } catch (const boost::bad_get&) {
        LogBeacon::log(
            "PersistWindowPos::readStore", logging::Warning,
            L"The stored placement of [%s] holds a value of the wrong kind; the window keeps its place.",
            section_);
        return std::nullopt;
    }
    return entries;
}

void PersistWindowPos::writeProfile(const Entries& entries) const {
    const bool written = ApplicationProfile::writeProfileString(section_, kRectangle, entries.rectangle) &&
                         ApplicationProfile::writeProfileInt(section_, kIconized, entries.iconized ? 1 : 0) &&
                         ApplicationProfile::writeProfileInt(section_, kMaximized, entries.maximized ? 1 : 0);
    if (!written) {
        LogBeacon::log("PersistWindowPos::writeProfile", logging::Warning,
                       L"The placement of [%s] could not be written to [%s].", section_,
                       ApplicationProfile::fileName().toStdWString());
    }
}

void PersistWindowPos::writeStore(const Entries& entries) const {
    config::ConfigMgr& store = config::ConfigMgr::instance();
    store.set(storeKey(kRectangle), entries.rectangle);
    store.set(storeKey(kIconized), entries.iconized);
    store.set(storeKey(kMaximized), entries.maximized);
}

std::wstring PersistWindowPos::storeKey(const wchar_t* entry) const {
    return section_ + L"." + entry;
}

}  // namespace zeph::windows::ui
