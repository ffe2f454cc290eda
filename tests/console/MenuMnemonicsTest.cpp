#include "tests/console/ConsoleFixture.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <map>

namespace {

using quorvex::test::ConsoleTest;

// The clashes of underlined letters in a menu and, depth first, in its submenus: "menu: a / b".
void collectClashes(const QString& where, const QList<QAction*>& actions, QStringList& clashes) {
    std::map<QKeySequence, QString> taken;
    for (const QAction* action : actions) {
        if (action->isSeparator()) {
            continue;
        }
        if (const QKeySequence letter = QKeySequence::mnemonic(action->text()); !letter.isEmpty()) {
            if (const auto [at, fresh] = taken.emplace(letter, action->text()); !fresh) {
                clashes << where + QStringLiteral(": ") + at->second + QStringLiteral(" / ") + action->text();
            }
        }
        if (const QMenu* submenu = action->menu()) {
            collectClashes(action->text(), submenu->actions(), clashes);
        }
    }
}

// A letter that two commands of a menu share only moves between them and chooses neither, so a
// keyboard user needs a second key. The debug menu keeps "&Configuration" and "View &Console" as
// they have always read.
TEST_F(ConsoleTest, NoTwoCommandsOfAMenuShareTheirUnderlinedLetter) {
    start({QStringLiteral("-debug")});
    QStringList clashes;
    collectClashes(QStringLiteral("menu bar"), window().menuBar()->actions(), clashes);
    EXPECT_EQ(QStringList{QStringLiteral("&Debug: &Configuration / View &Console")}, clashes);
}

}  // namespace
