#include "console/ExportRangeDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>

namespace quorvex::console {

namespace {

QDateTimeEdit* timeEdit(const QDateTime& shown, QWidget* parent) {
    auto* edit = new QDateTimeEdit(shown, parent);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    edit->setCalendarPopup(true);
    edit->setEnabled(false);
    return edit;
}

quorvex::journal::Microseconds microsecondsOf(const QDateTime& time) {
    return quorvex::journal::Microseconds{time.toMSecsSinceEpoch()} * 1000;
}

}  // namespace

ExportRangeDlg::ExportRangeDlg(std::optional<std::int64_t> session, bool sessionOnly, QWidget* parent)
    : QDialog(parent),
      session_(session),
      sessions_(new QComboBox(this)),
      useFrom_(new QCheckBox(tr("&From"), this)),
      from_(timeEdit(QDateTime(QDate::currentDate(), QTime(0, 0)), this)),
      useUntil_(new QCheckBox(tr("&Until"), this)),
      until_(timeEdit(QDateTime::currentDateTime(), this)) {
    setWindowTitle(tr("Export Passages"));
    sessions_->addItems({tr("This session"), tr("All sessions")});
    sessions_->setCurrentIndex(sessionOnly && session ? 0 : 1);
    sessions_->setAccessibleName(tr("Sessions"));
    from_->setAccessibleName(tr("From"));
    until_->setAccessibleName(tr("Until"));
    connect(useFrom_, &QCheckBox::toggled, from_, &QWidget::setEnabled);
    connect(useUntil_, &QCheckBox::toggled, until_, &QWidget::setEnabled);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Sessions:"), sessions_);
    form->addRow(useFrom_, from_);
    form->addRow(useUntil_, until_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

bool ExportRangeDlg::sessionOnly() const {
    return sessions_->currentIndex() == 0;
}

quorvex::journal::JournalFilter ExportRangeDlg::filter() const {
    quorvex::journal::JournalFilter filter;
    // Before the session's first row is on disk no row can be this session's.
    if (sessionOnly()) {
        filter.session = session_.value_or(0);
    }
    if (useFrom_->isChecked()) {
        filter.from = microsecondsOf(from_->dateTime());
    }
    if (useUntil_->isChecked()) {
        filter.to = microsecondsOf(until_->dateTime());
    }
    return filter;
}

}  // namespace quorvex::console
