#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace quorvex::journal {
class Journal;
}

namespace quorvex::console {

class PassagesModel;

// The Passages tab: the journal newest first, this session's rows or all, of every kind or one,
// sorted by any column, the note editable in place; Return or a double-click opens a row. Rows
// written since the last look (by this console or another program) are added while the tab is
// shown, twice a second, without moving the operator's place or selection.
class PassagesTab final : public QWidget {
    Q_OBJECT
public:
    // `session` tells the journal row of the session under way, if any.
    PassagesTab(quorvex::journal::Journal& journal, std::function<std::optional<std::int64_t>()> session,
                QWidget* parent = nullptr);

    PassagesModel& model() const { return *model_; }
    QTableView& view() const { return *view_; }
    QComboBox& kindFilter() const { return *kindFilter_; }
    // Shows only this session's rows (true) or all.
    void showThisSession(bool only);
    // Adds the rows the journal holds since the last look.
    void refresh();
    // Fits the columns to the rows read; the note keeps the width left.
    void fitColumns();
    // Shows where each row stands with the control-room link, asked at each look: the rows the
    // link refused, or nullopt when no link is configured.
    void followLink(std::function<std::optional<std::vector<std::int64_t>>()> parkedRows);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFilters();
    void sizeColumns();
    void showKind(int index);
    void sortChanged(int column, Qt::SortOrder order);
    void openCurrentRow();
    void showDetails(int row);

    quorvex::journal::Journal& journal_;
    std::function<std::optional<std::int64_t>()> session_;
    std::function<std::optional<std::vector<std::int64_t>>()> parkedRows_;
    PassagesModel* model_;
    QSortFilterProxyModel* proxy_;
    QComboBox* sessionFilter_;
    QComboBox* kindFilter_;
    QTableView* view_;
    QTimer* timer_;
};

}  // namespace quorvex::console
