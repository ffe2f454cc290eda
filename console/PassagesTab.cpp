#include "console/PassagesTab.h"

#include "console/PassagesModel.h"
#include "journal/Journal.h"
#include "console/widgets/PigPassageDlg.h"
#include "support/platform/LocalTime.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

constexpr int RefreshMs = 500;

}  // namespace

PassagesTab::PassagesTab(quorvex::journal::Journal& journal,
                         std::function<std::optional<std::int64_t>()> session, QWidget* parent)
    : QWidget(parent),
      journal_(journal),
      session_(std::move(session)),
      model_(new PassagesModel(journal.path(), &journal, this)),
      filter_(new QComboBox(this)),
      view_(new QTableView(this)),
      timer_(new QTimer(this)) {
    filter_->addItems({QStringLiteral("This session"), QStringLiteral("All")});
    filter_->setCurrentIndex(1);
    filter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(filter_, 0, Qt::AlignLeft);
    layout->addWidget(view_, 1);
    connect(filter_, &QComboBox::currentIndexChanged, this,
            [this](int index) { showThisSession(index == 0); });
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() != PassagesModel::Note) {
            showDetails(index.row());
        }
    });
    connect(timer_, &QTimer::timeout, this, &PassagesTab::refresh);
    timer_->start(RefreshMs);
}

void PassagesTab::showThisSession(bool only) {
    filter_->setCurrentIndex(only ? 0 : 1);
    // Before the session's first row is on disk no row can be this session's: none is shown.
    model_->setSession(only ? std::optional(session_().value_or(0)) : std::nullopt);
    seenWritten_ = journal_.status().written;
}

void PassagesTab::refresh() {
    const std::uint64_t written = journal_.status().written;
    // A note being typed (its editor is a child of the viewport) is never swept away by new rows.
    const bool editing = !view_->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
    if (written == seenWritten_ || !isVisible() || editing) {
        return;
    }
    seenWritten_ = written;
    if (filter_->currentIndex() == 0) {
        model_->setSession(session_().value_or(0));
    } else {
        model_->reload();
    }
}

void PassagesTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    seenWritten_ = ~std::uint64_t{0};
    refresh();
}

void PassagesTab::showDetails(int row) {
    const auto& entry = model_->entry(row);
    const auto& event = entry.event;
    const auto time = event.unitTime.value_or(event.received);
    const auto seconds = time >= 0 ? time / 1000000 : (time - 999999) / 1000000;
    const auto milliseconds = static_cast<std::uint16_t>((time - seconds * 1000000) / 1000);
    auto* dialog = new PigPassageDlg({}, window());
    dialog->setData(zeph::platform::utcTimeAt(static_cast<std::time_t>(seconds), milliseconds),
                    event.latitude.value_or(0.0), event.longitude.value_or(0.0),
                    event.elevation.value_or(0.0), QString::fromStdString(event.folder));
    dialog->showModeless();
}

}  // namespace quorvex::console
