#include "console/NoteDelegate.h"

#include "console/PassagesModel.h"

#include <QLineEdit>
#include <QLocale>
#include <QToolTip>

namespace quorvex::console {

QString NoteDelegate::limitText() {
    return tr("A note holds up to %1 characters.")
        .arg(QLocale(QLocale::English).toString(PassagesModel::NoteLimit));
}

QWidget* NoteDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setMaxLength(PassagesModel::NoteLimit);
    editor->setPlaceholderText(limitText());
    editor->setToolTip(limitText());
    editor->setAccessibleDescription(limitText());
    connect(editor, &QLineEdit::inputRejected, editor, [editor] {
        const QString told = tr("%1 The rest was not taken.").arg(limitText());
        editor->setToolTip(told);
        QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), told, editor);
    });
    return editor;
}

}  // namespace quorvex::console
