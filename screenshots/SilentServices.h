#pragma once

#include "console/ConsoleServices.h"

#include <QStringList>

namespace quorvex::screenshots {

// The console's boxes and dialogs with nobody to answer them: boxes are remembered and
// printed, the save dialog is cancelled, nothing is opened.
class SilentServices final : public console::IMessageBoxes,
                             public console::ISaveFileDialog,
                             public console::IDesktop {
public:
    void show(QWidget* parent, const QString& text, console::BoxIcon icon) override;
    std::optional<QString> askFileName(QWidget*, const QString&) override { return std::nullopt; }
    std::optional<Choice> askSaveFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    bool openFile(const QString&) override { return true; }

    console::ConsoleServices services() { return {*this, *this, *this}; }
    const QStringList& boxes() const { return boxes_; }

private:
    QStringList boxes_;
};

}  // namespace quorvex::screenshots
