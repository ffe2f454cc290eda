#pragma once

#include <QAccessibleWidget>

class QLineEdit;

namespace quorvex::console {

// A read-only field (a counter, the unit's model) as screen readers meet it: text they can read,
// select and move through, but not told as editable, which Qt's own line edit always claims.
class ReadOnlyFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyFieldAccessible(QLineEdit* field);

    // Lets Qt build this interface for every line edit that is read-only when first asked for;
    // safe to call more than once.
    static void install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QLineEdit* field() const;
};

}  // namespace quorvex::console
