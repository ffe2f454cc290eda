#pragma once

#include "support/platform/LocalTime.h"

#include <QString>
#include <QStringView>

namespace zeph::windows::logging {

// One entry as a line of the debug console: "03/06/2026 09:05:03.007 context message\n".
QString formatConsoleLine(const platform::SYSTEMTIME& time, QStringView context, QStringView message);

}  // namespace zeph::windows::logging
