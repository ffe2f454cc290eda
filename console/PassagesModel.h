#pragma once

#include "journal/DeliveryMarks.h"
#include "journal/JournalReader.h"

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvex::journal {
class Journal;
}

namespace quorvex::console {

// The journal's rows, newest first, read a page at a time as the view scrolls (fetchMore), so a
// journal of 100,000 rows opens as fast as one of ten. The note is edited in place and written
// through the journal's writer. Lives on the window thread.
class PassagesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { LocalTime, UtcTime, Kind, Channel, Position, Folder, Unit, ControlRoom, Note, ColumnCount };
    static constexpr int PageSize = 200;
    // A note is a few lines an operator types, not a document: longer text is refused, not cut.
    static constexpr int NoteLimit = 4000;
    // What the rows are sorted and filtered by: times as numbers, the kind by its journal name,
    // the channel by its number.
    static constexpr int SortRole = Qt::UserRole;

    PassagesModel(std::string path, quorvex::journal::Journal* writer, QObject* parent = nullptr);

    // Only this session's rows, or (nullopt) all.
    void setSession(std::optional<std::int64_t> session);
    std::optional<std::int64_t> session() const { return filter_.session; }
    // Reads the newest rows again, from the first page.
    void reload();
    // Adds the rows written since the newest one read (by any program), at the top; how many.
    int fetchNewer();
    // Reads every row of the filter.
    void fetchAll();
    // Shows where each row stands with the control-room link: `parked` are the rows it refused;
    // nullopt when no link is configured (the column stays empty). Called again as the link
    // goes on, it looks at the journal's marks only when the journal changed, and then only at
    // the rows still waiting.
    void showDelivery(std::optional<std::vector<std::int64_t>> parked);
    const quorvex::journal::JournalEntry& entry(int row) const {
        return rows_.at(static_cast<std::size_t>(row));
    }
    // What went wrong reading the journal, or "".
    const std::string& error() const { return error_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QString text(const quorvex::journal::JournalEntry& entry, int column) const;
    QVariant sortKey(const quorvex::journal::JournalEntry& entry, int column) const;
    bool openReader();
    void classify(const std::vector<quorvex::journal::JournalEntry>& rows);
    void settleWaiting();
    void deliveryChanged(int first, int last);
    QString deliveryText(std::int64_t id) const;

    std::string path_;
    quorvex::journal::Journal* writer_;
    quorvex::journal::JournalReader reader_;
    bool opened_ = false;
    quorvex::journal::JournalFilter filter_;
    std::vector<quorvex::journal::JournalEntry> rows_;
    bool exhausted_ = false;
    std::string error_;
    quorvex::journal::DeliveryMarks marks_;
    std::optional<std::vector<std::int64_t>> parked_;                        // nullopt: no link configured
    std::optional<std::int64_t> settled_;                                    // the link's start as last read
    std::unordered_map<std::int64_t, quorvex::journal::Delivery> delivery_;  // by row id
};

}  // namespace quorvex::console
