// The Passages tab says for each row whether the control room has it, from the marks the link
// keeps in the journal, and follows them as they arrive without reading the rows again.
#include "console/ControlRoomLink.h"
#include "console/PassagesModel.h"
#include "console/PassagesTab.h"
#include "controlroom/DeliveryLedger.h"
#include "journal/Journal.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/helpers/mqtt/MqttBroker.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>

#include <cstdlib>

namespace quorvex::test {
namespace {

using console::PassagesModel;

class PassagesDeliveryTest : public ConsoleTest {
protected:
    std::string journalPath() const { return (temp_.path() / "journal.sqlite3").string(); }

    // Rows 1..count, in one session.
    void writeRows(int count) {
        journal::JournalSettings settings;
        settings.path = journalPath();
        journal::Journal journal(settings);
        const auto token = journal.beginSession({journal::journalNow(), "/dev/pts/3"});
        journal.describeUnit(token, {"M450", "123456", "0.0096"});
        for (int i = 0; i < count; ++i) {
            journal::EventRow row;
            row.received = journal::journalNow();
            row.channel = 3;
            journal.addEvent(token, row);
        }
        ASSERT_TRUE(journal.waitUntilWritten(std::chrono::seconds(20)));
    }

    static QString shown(const PassagesModel& model, int row) {
        return model.index(row, PassagesModel::ControlRoom).data().toString();
    }
    static testing::AssertionResult noStripRightOfTheNote(const console::PassagesTab& tab) {
        const QHeaderView* header = tab.view().horizontalHeader();
        const int right =
            header->sectionViewportPosition(PassagesModel::Note) + header->sectionSize(PassagesModel::Note);
        if (right >= tab.view().viewport()->width()) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure()
               << "the note ends at " << right << " of " << tab.view().viewport()->width();
    }
    // The column from the newest row down.
    static QStringList column(const PassagesModel& model) {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row) {
            texts << shown(model, row);
        }
        return texts;
    }
};

// Marks the link makes (here its own ledger on the real journal file) show as they come, each
// change of the journal in one signal for the rows that moved; a row the broker refused shows as
// refused, and nothing shows without a link.
TEST_F(PassagesDeliveryTest, TheColumnFollowsTheLinksMarksInOneBoundedSignal) {
    writeRows(450);
    PassagesModel model(journalPath(), nullptr);
    model.reload();
    model.fetchAll();
    ASSERT_EQ(450, model.rowCount());
    model.showDelivery(std::vector<std::int64_t>{});
    EXPECT_EQ(QStringList(450, QString()), column(model)) << "the link never ran on this journal";

    link::DeliveryLedger ledger;
    ASSERT_EQ("", ledger.open(journalPath(), 0));  // every row is the link's
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    model.showDelivery(std::vector<std::int64_t>{});
    EXPECT_EQ(QStringList(450, QStringLiteral("waiting")), column(model));
    ASSERT_EQ(1, changes.count());

    // Rows 1..300 acknowledged (the oldest, at the bottom), row 305 too.
    std::vector<link::DeliveredRow> acknowledged;
    for (std::int64_t id = 1; id <= 300; ++id) {
        acknowledged.push_back({id, "", false});
    }
    acknowledged.push_back({305, "", false});
    ASSERT_EQ("", ledger.markDelivered(acknowledged, journal::journalNow()));
    changes.clear();
    model.showDelivery(std::vector<std::int64_t>{});
    ASSERT_EQ(1, changes.count());
    EXPECT_EQ(PassagesModel::ControlRoom, changes[0][0].toModelIndex().column());
    EXPECT_EQ(450 - 305, changes[0][0].toModelIndex().row());
    EXPECT_EQ(449, changes[0][1].toModelIndex().row());
    EXPECT_EQ("delivered", shown(model, 449));
    EXPECT_EQ("delivered", shown(model, 450 - 305));
    EXPECT_EQ("waiting", shown(model, 450 - 304));
    EXPECT_EQ("waiting", shown(model, 0));

    changes.clear();
    model.showDelivery(std::vector<std::int64_t>{});
    EXPECT_EQ(0, changes.count()) << "nothing changed in the journal, nothing is redrawn";

    model.showDelivery(std::vector<std::int64_t>{450});
    EXPECT_EQ("refused", shown(model, 0));
    EXPECT_EQ("waiting", shown(model, 1));
    model.showDelivery(std::nullopt);
    EXPECT_EQ(QStringList(450, QString()), column(model)) << "no link configured";
}

// The console's own link to a real broker: the row of a passage goes from waiting to delivered
// as the broker comes back, in the tab the operator looks at; the note takes the width left.
TEST_F(PassagesDeliveryTest, ThePassagesTabShowsWhatTheControlRoomHas) {
    ::setenv("XDG_CONFIG_HOME", temp_.path().c_str(), 1);
    MqttBroker broker(temp_.path());
    start({"--simulate", "--journal", QString::fromStdString(journalPath())});
    console::PassagesTab* tab = window().passagesTab();
    ASSERT_NE(nullptr, tab);
    window().findChild<QTabWidget*>()->setCurrentWidget(tab);
    window().resize(1800, 900);  // wider than the columns: the note takes what they leave
    ASSERT_TRUE(waitFor([&] { return tab->view().viewport()->width() > 1200; }));
    window().controlRoom()->apply({broker.url(), "", "", "", "", ""});
    ASSERT_TRUE(waitForStreaming());
    control("passage 3 47.25 8.5 400");
    PassagesModel& model = tab->model();
    ASSERT_TRUE(waitFor([&] { return model.rowCount() >= 1 && shown(model, 0) == "delivered"; }))
        << shown(model, 0).toStdString();
    EXPECT_FALSE(tab->view().isColumnHidden(PassagesModel::ControlRoom));
    EXPECT_TRUE(noStripRightOfTheNote(*tab));

    broker.stop();
    const int before = model.rowCount();
    control("passage 3 47.26 8.5 400");
    ASSERT_TRUE(waitFor([&] { return model.rowCount() > before && shown(model, 0) == "waiting"; }))
        << shown(model, 0).toStdString();
    broker.start();
    EXPECT_TRUE(waitFor([&] { return shown(model, 0) == "delivered"; })) << shown(model, 0).toStdString();

    window().controlRoom()->apply({});
    EXPECT_TRUE(waitFor([&] { return shown(model, 0).isEmpty(); }));
    EXPECT_TRUE(tab->view().isColumnHidden(PassagesModel::ControlRoom)) << "no link, no column";

    tab->fitColumns();
    EXPECT_TRUE(noStripRightOfTheNote(*tab));
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace quorvex::test
