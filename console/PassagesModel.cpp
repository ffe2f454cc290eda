#include "console/PassagesModel.h"

#include "journal/ExportText.h"
#include "journal/Journal.h"

#include <QDateTime>

#include <algorithm>

namespace quorvex::console {

namespace {

using namespace quorvex::journal;

QString localTime(Microseconds time) {
    return QDateTime::fromMSecsSinceEpoch(time / 1000)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Number and name, as the exports describe a row: "3 (QUORVEX 3)".
QString channelText(const EventRow& event) {
    if (!event.channel) {
        return QString::fromStdString(validUtf8(event.channelName));
    }
    const QString number = QString::number(*event.channel);
    return event.channelName.empty()
               ? number
               : QStringLiteral("%1 (%2)").arg(number, QString::fromStdString(validUtf8(event.channelName)));
}

QString position(const EventRow& event) {
    if (!event.latitude || !event.longitude) {
        return {};
    }
    QString text = QString::number(*event.latitude, 'f', 6) + QStringLiteral(", ") +
                   QString::number(*event.longitude, 'f', 6);
    return event.elevation ? text + QStringLiteral(", ") + QString::number(*event.elevation, 'f', 1) + u'm'
                           : text;
}

}  // namespace

PassagesModel::PassagesModel(std::string path, Journal* writer, QObject* parent)
    : QAbstractTableModel(parent), path_(std::move(path)), writer_(writer) {}

void PassagesModel::setSession(std::optional<std::int64_t> session) {
    filter_.session = session;
    reload();
}

void PassagesModel::reload() {
    beginResetModel();
    rows_.clear();
    delivery_.clear();
    exhausted_ = false;
    endResetModel();
    fetchMore({});
}

int PassagesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PassagesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool PassagesModel::openReader() {
    // The journal may not exist yet when the window opens: it is looked for again each time.
    if (!opened_) {
        error_ = reader_.open(path_);
        opened_ = error_.empty();
    }
    return opened_;
}

int PassagesModel::fetchNewer() {
    if (rows_.empty()) {
        const int before = rowCount();
        exhausted_ = false;
        fetchMore({});
        return rowCount() - before;
    }
    if (!openReader()) {
        return 0;
    }
    std::vector<JournalEntry> newer;
    for (std::size_t read = PageSize; read == PageSize;) {
        std::vector<JournalEntry> page;
        const auto after = newer.empty() ? rows_.front().id : newer.back().id;
        error_ = reader_.page(filter_, false, after, PageSize, page);
        read = page.size();
        newer.insert(newer.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    }
    if (newer.empty()) {
        return 0;
    }
    classify(newer);
    const int count = static_cast<int>(newer.size());
    beginInsertRows({}, 0, count - 1);
    rows_.insert(rows_.begin(), std::make_move_iterator(newer.rbegin()),
                 std::make_move_iterator(newer.rend()));
    endInsertRows();
    return count;
}

void PassagesModel::fetchAll() {
    while (canFetchMore({})) {
        fetchMore({});
    }
}

bool PassagesModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !exhausted_;
}

void PassagesModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || exhausted_) {
        return;
    }
    std::vector<JournalEntry> page;
    if (openReader()) {
        const auto after = rows_.empty() ? std::nullopt : std::optional(rows_.back().id);
        error_ = reader_.page(filter_, true, after, PageSize, page);
    }
    exhausted_ = page.size() < PageSize;
    if (page.empty()) {
        return;
    }
    classify(page);
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(page.begin()), std::make_move_iterator(page.end()));
    endInsertRows();
}

void PassagesModel::showDelivery(std::optional<std::vector<std::int64_t>> parked) {
    const bool same = parked == parked_;
    parked_ = std::move(parked);
    if (!parked_) {
        delivery_.clear();
        settled_.reset();
    } else if (marks_.isOpen() || (openReader() && marks_.open(path_).empty())) {
        if (marks_.changed()) {
            settleWaiting();
        }
    }
    if (!same) {
        deliveryChanged(0, rowCount() - 1);
    }
}

// Rows as they are read, before the view sees them.
void PassagesModel::classify(const std::vector<JournalEntry>& rows) {
    if (!parked_ || !marks_.isOpen()) {
        return;
    }
    std::vector<std::int64_t> ids;
    ids.reserve(rows.size());
    for (const JournalEntry& row : rows) {
        ids.push_back(row.id);
    }
    std::vector<Delivery> states;
    if (marks_.states(ids, states).empty()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            delivery_[ids[i]] = states[i];
        }
    }
}

// After the journal changed: a delivered row stays delivered and, once the link's start is known,
// a row before it stays outside; only the others (the rows waiting) are looked at again.
void PassagesModel::settleWaiting() {
    const std::optional<std::int64_t> settled = marks_.settledThrough();
    std::vector<std::int64_t> ids;
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row) {
        const std::int64_t id = rows_[static_cast<std::size_t>(row)].id;
        const auto found = delivery_.find(id);
        const bool known = found != delivery_.end();
        const bool final = known && (found->second == Delivery::Delivered ||
                                     (found->second == Delivery::None && settled_.has_value()));
        if (!final) {
            ids.push_back(id);
            rows.push_back(row);
        }
    }
    settled_ = settled;
    std::vector<Delivery> states;
    if (!marks_.states(ids, states).empty()) {
        return;
    }
    // One signal for the span of rows that changed, however many.
    int first = rowCount();
    int last = -1;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        Delivery& state = delivery_[ids[i]];
        if (state != states[i]) {
            state = states[i];
            first = std::min(first, rows[i]);
            last = std::max(last, rows[i]);
        }
    }
    deliveryChanged(first, last);
}

void PassagesModel::deliveryChanged(int first, int last) {
    if (first <= last) {
        emit dataChanged(index(first, ControlRoom), index(last, ControlRoom), {Qt::DisplayRole});
    }
}

QString PassagesModel::deliveryText(std::int64_t id) const {
    if (!parked_) {
        return {};
    }
    if (std::binary_search(parked_->begin(), parked_->end(), id)) {
        return tr("refused");
    }
    const auto found = delivery_.find(id);
    if (found == delivery_.end() || found->second == Delivery::None) {
        return {};
    }
    return found->second == Delivery::Delivered ? tr("delivered") : tr("waiting");
}

QString PassagesModel::text(const JournalEntry& entry, int column) const {
    const EventRow& event = entry.event;
    const Microseconds time = event.unitTime.value_or(event.received);
    switch (column) {
        case LocalTime:
            return localTime(time);
        case UtcTime:
            // To the millisecond, as the passage dialog shows it.
            return QString::fromStdString(isoUtc(time)).left(23) + u'Z';
        case Kind:
            return QString::fromStdString(std::string(kindName(event.kind)));
        case Channel:
            return channelText(event);
        case Position:
            return position(event);
        case Folder:
            return QString::fromStdString(validUtf8(event.folder));
        case Unit:
            return QString::fromStdString(validUtf8(entry.model + " " + entry.serialNumber)).trimmed();
        case ControlRoom:
            return deliveryText(entry.id);
        case Note:
            return QString::fromStdString(event.note);
        default:
            return {};
    }
}

QVariant PassagesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const JournalEntry& entry = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return text(entry, index.column());
    }
    if (role == SortRole) {
        return sortKey(entry, index.column());
    }
    return {};
}

QVariant PassagesModel::sortKey(const JournalEntry& entry, int column) const {
    const EventRow& event = entry.event;
    switch (column) {
        case LocalTime:
        case UtcTime:
            return QVariant::fromValue<qlonglong>(event.unitTime.value_or(event.received));
        case Kind:
            return QString::fromStdString(std::string(kindName(event.kind)));
        case Channel:
            return event.channel ? QVariant::fromValue<qlonglong>(*event.channel)
                                 : QVariant::fromValue<qlonglong>(-1);
        default:
            return text(entry, column);
    }
}

QVariant PassagesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList titles{
        QStringLiteral("Time (local)"), QStringLiteral("Time (UTC)"),   QStringLiteral("Kind"),
        QStringLiteral("Channel"),      QStringLiteral("Position"),     QStringLiteral("Folder"),
        QStringLiteral("Unit"),         QStringLiteral("Control room"), QStringLiteral("Note")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount) {
        return titles[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PassagesModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == Note && writer_ != nullptr ? flags | Qt::ItemIsEditable : flags;
}

bool PassagesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != Note || writer_ == nullptr || index.row() >= rowCount()) {
        return false;
    }
    const QString note = value.toString();
    if (note.size() > NoteLimit) {
        return false;
    }
    JournalEntry& entry = rows_[static_cast<std::size_t>(index.row())];
    entry.event.note = note.toStdString();
    writer_->editNote(entry.id, entry.event.note);
    emit dataChanged(index, index);
    return true;
}

}  // namespace quorvex::console
