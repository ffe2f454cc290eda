#include "console/PassagesTab.h"

#include "console/NoteDelegate.h"
#include "console/PassagesModel.h"
#include "console/widgets/JournalEntryDlg.h"
#include "journal/Journal.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

using quorvex::journal::EventKind;

constexpr int RefreshMs = 500;

QString kindTitle(EventKind kind) {
    switch (kind) {
        case EventKind::Passage:
            return PassagesTab::tr("Pig passage");
        case EventKind::Ignored:
            return PassagesTab::tr("Ignored event");
        case EventKind::Trigger:
            return PassagesTab::tr("Recording trigger");
    }
    return {};
}

}  // namespace

PassagesTab::PassagesTab(quorvex::journal::Journal& journal,
                         std::function<std::optional<std::int64_t>()> session, QWidget* parent)
    : QWidget(parent),
      journal_(journal),
      session_(std::move(session)),
      model_(new PassagesModel(journal.path(), &journal, this)),
      proxy_(new QSortFilterProxyModel(this)),
      sessionFilter_(new QComboBox(this)),
      kindFilter_(new QComboBox(this)),
      view_(new QTableView(this)),
      timer_(new QTimer(this)) {
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(PassagesModel::SortRole);
    proxy_->setFilterRole(PassagesModel::SortRole);
    proxy_->setFilterKeyColumn(PassagesModel::Kind);
    view_->setModel(proxy_);
    view_->setAccessibleName(tr("Passage journal"));
    view_->setAccessibleDescription(
        tr("Passages, ignored events and recording triggers the journal holds; Return opens a row"));
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view_->setItemDelegateForColumn(PassagesModel::Note, new NoteDelegate(view_));
    view_->verticalHeader()->hide();
    sizeColumns();
    view_->horizontalHeader()->setSortIndicator(PassagesModel::LocalTime, Qt::DescendingOrder);
    view_->setSortingEnabled(true);
    buildFilters();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* filters = new QHBoxLayout;
    for (auto [text, box] :
         {std::pair{tr("&Session:"), sessionFilter_}, std::pair{tr("S&how:"), kindFilter_}}) {
        auto* label = new QLabel(text, this);
        label->setBuddy(box);
        filters->addWidget(label);
        filters->addWidget(box);
    }
    filters->addStretch(1);
    layout->addLayout(filters);
    layout->addWidget(view_, 1);
    connect(view_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &PassagesTab::sortChanged);
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() != PassagesModel::Note) {
            showDetails(proxy_->mapToSource(index).row());
        }
    });
    view_->installEventFilter(this);
    // The other columns fit what the first page holds.
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        if (first == 0 && last + 1 == model_->rowCount()) {
            fitColumns();
        }
    });
    connect(timer_, &QTimer::timeout, this, &PassagesTab::refresh);
    timer_->start(RefreshMs);
}

// The times and the position always fit their text, the note takes what is left of the width.
void PassagesTab::sizeColumns() {
    QHeaderView* header = view_->horizontalHeader();
    for (const int column : {PassagesModel::LocalTime, PassagesModel::UtcTime, PassagesModel::Position}) {
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    header->setSectionResizeMode(PassagesModel::Note, QHeaderView::Stretch);
    view_->setColumnHidden(PassagesModel::ControlRoom, true);
}

void PassagesTab::fitColumns() {
    // Not the view's resizeColumnsToContents: it would size the note to its text too, and leave
    // the rest of the width empty until the next layout.
    const QHeaderView* header = view_->horizontalHeader();
    for (int column = 0; column < PassagesModel::ColumnCount; ++column) {
        if (header->sectionResizeMode(column) == QHeaderView::Interactive) {
            view_->resizeColumnToContents(column);
        }
    }
}

void PassagesTab::followLink(std::function<std::optional<std::vector<std::int64_t>>()> parkedRows) {
    parkedRows_ = std::move(parkedRows);
    refresh();
}

void PassagesTab::buildFilters() {
    sessionFilter_->addItems({tr("This session"), tr("All")});
    sessionFilter_->setCurrentIndex(1);
    sessionFilter_->setAccessibleName(tr("Session"));
    sessionFilter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(sessionFilter_, &QComboBox::currentIndexChanged, this,
            [this](int index) { showThisSession(index == 0); });
    kindFilter_->addItems({tr("All kinds"), tr("Passages"), tr("Ignored events"), tr("Triggers")});
    kindFilter_->setAccessibleName(tr("Kind"));
    kindFilter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(kindFilter_, &QComboBox::currentIndexChanged, this, &PassagesTab::showKind);
}

void PassagesTab::showThisSession(bool only) {
    sessionFilter_->setCurrentIndex(only ? 0 : 1);
    // Before the session's first row is on disk no row can be this session's: none is shown.
    model_->setSession(only ? std::optional(session_().value_or(0)) : std::nullopt);
}

void PassagesTab::showKind(int index) {
    static const QString kinds[] = {QString(), QStringLiteral("passage"), QStringLiteral("ignored"),
                                    QStringLiteral("trigger")};
    const QString kind = kinds[std::clamp(index, 0, 3)];
    proxy_->setFilterRegularExpression(kind.isEmpty() ? QString() : u'^' + kind + u'$');
}

void PassagesTab::sortChanged(int column, Qt::SortOrder order) {
    // Newest first is the journal's own order, read a page at a time; any other order needs
    // every row, or the first screen would be sorted alone.
    const bool journalOrder = (column == PassagesModel::LocalTime || column == PassagesModel::UtcTime) &&
                              order == Qt::DescendingOrder;
    if (!journalOrder) {
        model_->fetchAll();
    }
}

void PassagesTab::refresh() {
    // A note being typed (its editor is a child of the viewport) is never swept away by new rows.
    const bool editing = !view_->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
    if (!isVisible() || editing) {
        return;
    }
    if (sessionFilter_->currentIndex() == 0 && model_->session() != session_().value_or(0)) {
        model_->setSession(session_().value_or(0));
        return;
    }
    // The row at the top stays at the top, unless the operator watches the newest rows.
    QScrollBar* scroll = view_->verticalScrollBar();
    const QModelIndex top = scroll->value() > 0 ? view_->indexAt(QPoint(0, 0)) : QModelIndex();
    const QPersistentModelIndex kept(top);
    if (model_->fetchNewer() > 0 && kept.isValid()) {
        view_->scrollTo(kept, QAbstractItemView::PositionAtTop);
    }
    if (parkedRows_) {
        auto parked = parkedRows_();
        // Without a link the column would only take the note's room.
        view_->setColumnHidden(PassagesModel::ControlRoom, !parked);
        model_->showDelivery(std::move(parked));
    }
}

void PassagesTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

bool PassagesTab::eventFilter(QObject* watched, QEvent* event) {
    // Return opens the row; while a note is typed its editor has the key, not the table.
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && view_->currentIndex().isValid()) {
            openCurrentRow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PassagesTab::openCurrentRow() {
    const QModelIndex current = view_->currentIndex();
    if (current.isValid()) {
        showDetails(proxy_->mapToSource(current).row());
    }
}

void PassagesTab::showDetails(int row) {
    const PassagesModel& model = *model_;
    const auto& event = model.entry(row).event;
    const auto cell = [&](int column) { return model.index(row, column).data().toString(); };
    const auto degrees = [](const std::optional<double>& value) {
        return value ? QString::asprintf("%f", *value) : QString();
    };
    const JournalEntryDlg::Fields fields{{tr("Time (UTC)"), cell(PassagesModel::UtcTime)},
                                         {tr("Time (local)"), cell(PassagesModel::LocalTime)},
                                         {tr("Channel"), cell(PassagesModel::Channel)},
                                         {tr("Latitude"), degrees(event.latitude)},
                                         {tr("Longitude"), degrees(event.longitude)},
                                         {tr("Elevation"), degrees(event.elevation)},
                                         {tr("Folder"), cell(PassagesModel::Folder)},
                                         {tr("Unit"), cell(PassagesModel::Unit)},
                                         {tr("Note"), cell(PassagesModel::Note)}};
    auto* dialog = new JournalEntryDlg(kindTitle(event.kind), fields, window());
    dialog->show();
}

}  // namespace quorvex::console
