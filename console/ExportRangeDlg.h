#pragma once

#include "journal/JournalReader.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;

namespace quorvex::console {

// What to export: this session's rows or all, from and until a time (the operator's local time,
// each bound optional).
class ExportRangeDlg final : public QDialog {
    Q_OBJECT
public:
    // `session`: the journal row of this session, if there is one; `sessionOnly` preselects it.
    ExportRangeDlg(std::optional<std::int64_t> session, bool sessionOnly, QWidget* parent);

    quorvex::journal::JournalFilter filter() const;
    // Only this session's rows are chosen.
    bool sessionOnly() const;

    QComboBox& sessions() const { return *sessions_; }
    QCheckBox& fromBound() const { return *useFrom_; }
    QDateTimeEdit& from() const { return *from_; }
    QCheckBox& untilBound() const { return *useUntil_; }
    QDateTimeEdit& until() const { return *until_; }

private:
    std::optional<std::int64_t> session_;
    QComboBox* sessions_;
    QCheckBox* useFrom_;
    QDateTimeEdit* from_;
    QCheckBox* useUntil_;
    QDateTimeEdit* until_;
};

}  // namespace quorvex::console
