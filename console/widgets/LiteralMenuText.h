#pragma once

#include <QString>

namespace quorvex::console {

// A name from the unit as a menu item shows it letter for letter: an '&' is no mnemonic and a
// tab does not move the rest into the shortcut column.
QString literalMenuText(const QString& name);

}  // namespace quorvex::console
