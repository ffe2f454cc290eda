#include "console/ReadOnlyFieldAccessible.h"

#include <QLineEdit>

namespace quorvex::console {

namespace {

QAccessibleInterface* readOnlyFieldAccessible(const QString&, QObject* object) {
    auto* field = qobject_cast<QLineEdit*>(object);
    return field == nullptr || !field->isReadOnly() ? nullptr : new ReadOnlyFieldAccessible(field);
}

}  // namespace

ReadOnlyFieldAccessible::ReadOnlyFieldAccessible(QLineEdit* field)
    : QAccessibleWidget(field, QAccessible::EditableText) {}

void ReadOnlyFieldAccessible::install() {
    // Installed after the application's own factories, so it is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(readOnlyFieldAccessible);
        return true;
    }();
    (void)installed;
}

QLineEdit* ReadOnlyFieldAccessible::field() const {
    return static_cast<QLineEdit*>(widget());
}

QAccessible::State ReadOnlyFieldAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.selectableText = true;
    return state;
}

QString ReadOnlyFieldAccessible::text(QAccessible::Text kind) const {
    return kind == QAccessible::Value ? field()->text() : QAccessibleWidget::text(kind);
}

void* ReadOnlyFieldAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void ReadOnlyFieldAccessible::selection(int, int* startOffset, int* endOffset) const {
    const int start = field()->selectionStart();
    *startOffset = start < 0 ? 0 : start;
    *endOffset = start < 0 ? 0 : start + static_cast<int>(field()->selectedText().size());
}

int ReadOnlyFieldAccessible::selectionCount() const {
    return field()->hasSelectedText() ? 1 : 0;
}

void ReadOnlyFieldAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void ReadOnlyFieldAccessible::removeSelection(int) {
    field()->deselect();
}

void ReadOnlyFieldAccessible::setSelection(int, int startOffset, int endOffset) {
    field()->setSelection(startOffset, endOffset - startOffset);
}

int ReadOnlyFieldAccessible::cursorPosition() const {
    return field()->cursorPosition();
}

void ReadOnlyFieldAccessible::setCursorPosition(int position) {
    field()->setCursorPosition(position);
}

QString ReadOnlyFieldAccessible::text(int startOffset, int endOffset) const {
    return field()->text().mid(startOffset, endOffset - startOffset);
}

int ReadOnlyFieldAccessible::characterCount() const {
    return static_cast<int>(field()->text().size());
}

QRect ReadOnlyFieldAccessible::characterRect(int) const {
    // The field as a whole: a magnifier still finds the text.
    return rect();
}

int ReadOnlyFieldAccessible::offsetAtPoint(const QPoint&) const {
    return -1;
}

void ReadOnlyFieldAccessible::scrollToSubstring(int, int) {}

QString ReadOnlyFieldAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

}  // namespace quorvex::console
