#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QTableView;
class QTimer;

namespace quorvex::journal {
class Journal;
}

namespace quorvex::console {

class PassagesModel;

// The Passages tab: the journal newest first, this session's rows or all, the note editable in
// place; a double-click shows a passage as the passage dialog does. New rows are shown as soon
// as the journal has written them (it is asked twice a second, only while the tab is shown).
class PassagesTab final : public QWidget {
    Q_OBJECT
public:
    // `session` tells the journal row of the session under way, if any.
    PassagesTab(quorvex::journal::Journal& journal, std::function<std::optional<std::int64_t>()> session,
                QWidget* parent = nullptr);

    PassagesModel& model() const { return *model_; }
    QTableView& view() const { return *view_; }
    // Shows only this session's rows (true) or all.
    void showThisSession(bool only);
    // Reads the journal again if it has written rows since the last look.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showDetails(int row);

    quorvex::journal::Journal& journal_;
    std::function<std::optional<std::int64_t>()> session_;
    PassagesModel* model_;
    QComboBox* filter_;
    QTableView* view_;
    QTimer* timer_;
    std::uint64_t seenWritten_ = 0;
};

}  // namespace quorvex::console
