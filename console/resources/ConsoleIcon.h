#pragma once

#include <QIcon>
#include <QString>

namespace quorvex::console {

// One of the console's own pictures by its name (console/resources/README.md lists them).
QIcon consoleIcon(const QString& name);

}  // namespace quorvex::console
