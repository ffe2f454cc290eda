#pragma once

#include <QDialog>
#include <QString>

#include <utility>
#include <vector>

namespace quorvex::console {

// A row of the journal opened again: what it was (a passage, an ignored event, a recording
// trigger), that it comes from the journal and when, and only the fields the row holds. It is
// not the passage dialog, so an old row never reads as a new alarm.
class JournalEntryDlg final : public QDialog {
    Q_OBJECT
public:
    using Fields = std::vector<std::pair<QString, QString>>;

    // `what` names the row's kind ("Pig passage"); fields without a value are left out.
    JournalEntryDlg(const QString& what, const Fields& fields, QWidget* parent);

    // The label and value texts shown, in order.
    Fields shownFields() const { return shown_; }

private:
    Fields shown_;
};

}  // namespace quorvex::console
