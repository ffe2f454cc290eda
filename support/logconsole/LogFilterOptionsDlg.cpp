#include "support/logconsole/LogFilterOptionsDlg.h"

#include "support/logging/ILogFilter.h"
#include "support/logging/LogBeacon.h"
#include "support/logging/LogVerbosity.h"
#include "support/ui/PersistWindowPos.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zeph::windows::logging {

LogFilterOptionsDlg::LogFilterOptionsDlg(QWidget* parent, ILogFilter* filter)
    : QDialog(parent),
      levels_(new QListWidget(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      updateVerbosity_(new QPushButton(QStringLiteral("Update Verbosity"), this)),
      filter_(filter),
      placement_(std::make_unique<ui::PersistWindowPos>(this, L"Log Filter Dialog")) {
    LogBeacon::log("LogFilterOptionsDlg::LogFilterOptionsDlg", DebugLevel1, L" ");
    setWindowTitle(QStringLiteral("Log Filter Options"));
    levels_->setObjectName(QStringLiteral("levels"));
    ok_->setObjectName(QStringLiteral("ok"));
    updateVerbosity_->setObjectName(QStringLiteral("updateVerbosity"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(updateVerbosity_);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Log Verbosity:"), this));
    layout->addWidget(levels_);
    layout->addLayout(buttons);
    resize(240, 330);

    fillLevels(filter_ != nullptr ? filter_->getFilter() : mask_);
    ok_->setVisible(filter_ == nullptr);
    updateVerbosity_->setVisible(filter_ != nullptr);
    ok_->setDefault(filter_ == nullptr);
    connect(ok_, &QPushButton::clicked, this, &LogFilterOptionsDlg::accept);
    connect(updateVerbosity_, &QPushButton::clicked, this, &LogFilterOptionsDlg::OnUpdateVerbosity);
    placement_->restore();
}

LogFilterOptionsDlg::~LogFilterOptionsDlg() {
    placement_->save();
}

void LogFilterOptionsDlg::OnUpdateVerbosity() {
    LogBeacon::log("LogFilterOptionsDlg::OnUpdateVerbosity", DebugLevel1, L" ");
    if (filter_ != nullptr) {
        filter_->setFilter(checkedMask());
    }
}

void LogFilterOptionsDlg::accept() {
    LogBeacon::log("LogFilterOptionsDlg::accept", DebugLevel1, L" ");
    if (filter_ != nullptr) {
        filter_->setFilter(checkedMask());
    } else {
        mask_ = checkedMask();
    }
    QDialog::accept();
}

void LogFilterOptionsDlg::fillLevels(std::uint16_t current) {
    for (const LogVerbosity* level : LogVerbosity::registry()) {
        auto* item = new QListWidgetItem(QString::fromStdWString(level->name()), levels_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, level->value());
        item->setCheckState((current & level->value()) == level->value() ? Qt::Checked : Qt::Unchecked);
    }
}

std::uint16_t LogFilterOptionsDlg::checkedMask() const {
    std::uint32_t mask = 0;
    for (int row = 0; row < levels_->count(); ++row) {
        const QListWidgetItem* item = levels_->item(row);
        if (item->checkState() == Qt::Checked) {
            mask |= item->data(Qt::UserRole).toUInt();
        }
    }
    return static_cast<std::uint16_t>(mask);
}

}  // namespace zeph::windows::logging
