#include "discovery/SurveyHint.h"

#include "support/platform/SystemText.h"

#include <QCoreApplication>

namespace zeph::windows::discovery {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("DeviceSurveyDlg", text);
}

QString systemTextOf(platform::DWORD error) {
    const auto text = platform::systemText(error);
    return text ? QString::fromStdWString(*text).trimmed() : QStringLiteral("error %1").arg(error);
}

}  // namespace

SurveyHint SurveyHint::ofFailedUnit(const std::wstring& text, platform::DWORD error) {
    if (text == L"Failed to retrieve device configuration") {
        return {Cause::NotBound, error};
    }
    switch (error) {
        case platform::ERROR_ACCESS_DENIED:
            return {Cause::LinkInUse, error};
        case platform::ERROR_CONNECTION_REFUSED:
        case platform::ERROR_TIMEOUT:
            return {Cause::UnitSilent, error};
        default:
            return {Cause::LinkUnusable, error};
    }
}

QString SurveyHint::text() const {
    switch (cause) {
        case Cause::NoRadio:
            return tr(
                "No Bluetooth radio is available: connect the QUORVEX unit by cable and pick its serial "
                "port, or switch the radio on and open this list again.");
        case Cause::RadioGone:
            return tr(
                "The Bluetooth radio is gone (unplugged or switched off), and its units with it: plug it "
                "in or switch it on, then open this list again, or pick a serial port.");
        case Cause::RadioOff:
            return tr(
                "The Bluetooth radio is switched off: switch it on in the desktop's Bluetooth settings "
                "and its units come back, or pick a serial port.");
        case Cause::ServiceSilent:
            return tr(
                "Bluetooth does not answer (is the bluetooth service running?): pick a serial port, or "
                "open this list again once it runs.");
        case Cause::NotBound:
            break;
        case Cause::LinkInUse:
            return tr(
                "The QUORVEX unit's serial link is held by another program, or this session may not "
                "open it: close that program (the debug log names a missing group), then open this list "
                "again.");
        case Cause::UnitSilent:
            return tr(
                "The QUORVEX unit does not answer over Bluetooth: switch it on and bring it within "
                "range, then open this list again.");
        case Cause::LinkUnusable:
            return tr("The QUORVEX unit's serial link cannot be opened (%1): pick a serial port, or open "
                      "this "
                      "list again.")
                .arg(systemTextOf(error));
    }
    return tr(
        "No QUORVEX unit is paired and bound: pair it in the desktop's Bluetooth settings and bind its "
        "serial link (rfcomm bind), then open this list again.");
}

}  // namespace zeph::windows::discovery
