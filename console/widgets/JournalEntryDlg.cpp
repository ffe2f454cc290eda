#include "console/widgets/JournalEntryDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvex::console {

JournalEntryDlg::JournalEntryDlg(const QString& what, const Fields& fields, QWidget* parent)
    : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("QUORVEX - %1 (from the journal)").arg(what));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(tr("%1, from the passage journal").arg(what), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* form = new QFormLayout;
    for (const auto& [label, value] : fields) {
        if (value.isEmpty()) {
            continue;
        }
        auto* text = new QLabel(value, this);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        text->setAccessibleName(label);
        form->addRow(label + u':', text);
        shown_.emplace_back(label, value);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace quorvex::console
