#include "console/DesktopServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace quorvex::console {

void DesktopServices::show(QWidget* parent, const QString& text, BoxIcon icon) {
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QStringLiteral("QUORVEX Telvane"), text, QMessageBox::Ok, parent);
    // A box can come while the main window waits, disabled; Qt would grey out the box with it.
    box.setEnabled(true);
    box.exec();
}

std::optional<QString> DesktopServices::askFileName(QWidget* parent, const QString& filter) {
    // Qt's dialog asks before it overwrites; no extension is added to the name typed.
    const QString name = QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

std::optional<ISaveFileDialog::Choice> DesktopServices::askSaveFile(QWidget* parent, const QString& filters,
                                                                    const QString& suggested) {
    QString chosenFilter;
    const QString name = QFileDialog::getSaveFileName(parent, QString(), suggested, filters, &chosenFilter);
    return name.isEmpty() ? std::nullopt : std::optional<Choice>({name, chosenFilter});
}

std::optional<QString> DesktopServices::askOpenFileName(QWidget* parent, const QString& filter) {
    const QString name = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

bool DesktopServices::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace quorvex::console
