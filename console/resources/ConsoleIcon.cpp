#include "console/resources/ConsoleIcon.h"

namespace quorvex::console {

QIcon consoleIcon(const QString& name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

}  // namespace quorvex::console
