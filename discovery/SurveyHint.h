#pragma once

#include "support/platform/ErrorCodes.h"

#include <QString>

#include <string>

namespace zeph::windows::discovery {

// Why the survey offers no unit to pick, as it saw it; each cause has its own advice.
struct SurveyHint {
    enum class Cause {
        NoRadio,        // none at start: serial ports only
        RadioGone,      // the radio went while the survey was open
        RadioOff,       // the radio is there, switched off
        ServiceSilent,  // BlueZ does not answer
        NotBound,       // no unit paired, or no serial link bound to it
        LinkInUse,      // the unit's serial link is held elsewhere (or its group is missing)
        UnitSilent,     // the unit's Bluetooth link did not come up
        LinkUnusable,   // the unit's serial link would not open for another reason
    };

    Cause cause = Cause::NotBound;
    platform::DWORD error = 0;  // the failure behind LinkUnusable

    // The cause of a unit whose examination failed with the text and error.
    static SurveyHint ofFailedUnit(const std::wstring& text, platform::DWORD error);
    QString text() const;
};

}  // namespace zeph::windows::discovery
