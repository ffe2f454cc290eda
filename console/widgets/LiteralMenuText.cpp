#include "console/widgets/LiteralMenuText.h"

namespace quorvex::console {

QString literalMenuText(const QString& name) {
    QString text = name;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

}  // namespace quorvex::console
