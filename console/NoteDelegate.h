#pragma once

#include <QStyledItemDelegate>

namespace quorvex::console {

// The editor of a journal row's note: a line that says the notes' limit and, when typing or a
// paste goes past it, says that the rest was not taken, never cutting silently.
class NoteDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // What the editor says of the limit.
    static QString limitText();

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

}  // namespace quorvex::console
