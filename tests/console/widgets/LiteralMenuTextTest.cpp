#include "console/widgets/LiteralMenuText.h"
#include "tests/console/support/ConsoleTestApp.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

using quorvex::console::literalMenuText;

// A working folder named by the unit is shown as it is named: "R&D" is not "RD" with an
// underlined D, and a tab does not push half the name into the shortcut column.
using LiteralMenuText = quorvex::test::WindowTest;

TEST_F(LiteralMenuText, FolderNamesShowLetterForLetter) {
    const struct {
        const char* name;
        const char* text;   // the item's text
        const char* shown;  // what the menu draws
    } rows[] = {
        {"FOLDER1", "FOLDER1", "FOLDER1"},
        {"R&D", "R&&D", "R&D"},
        {"&&", "&&&&", "&&"},
        {"A\tB", "A B", "A B"},
        {"&\t&", "&& &&", "& &"},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        const QString text = literalMenuText(QString::fromUtf8(row.name));
        EXPECT_EQ(QString::fromUtf8(row.text), text) << row.name;
        QAction action;
        action.setText(text);
        EXPECT_EQ(QString::fromUtf8(row.shown), action.iconText()) << row.name;
        EXPECT_TRUE(action.shortcut().isEmpty()) << row.name;
    }
}

}  // namespace
