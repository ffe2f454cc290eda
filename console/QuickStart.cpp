#include "console/QuickStart.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quorvex::console {

std::optional<QString> quickStartPath() {
    const QString name = QStringLiteral("QuickStart.pdf");
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {folder + QLatin1Char('/') + name, folder + QStringLiteral("/../share/quorvex/") + name,
          QStringLiteral(QUORVEX_DATA_DIR "/") + name}) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).canonicalFilePath();
        }
    }
    return std::nullopt;
}

}  // namespace quorvex::console
