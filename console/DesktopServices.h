#pragma once

#include "console/ConsoleServices.h"

namespace quorvex::console {

// The real desktop: Qt's message boxes, file dialog and the desktop's file opener.
class DesktopServices final : public IMessageBoxes, public ISaveFileDialog, public IDesktop {
public:
    void show(QWidget* parent, const QString& text, BoxIcon icon) override;
    std::optional<QString> askFileName(QWidget* parent, const QString& filter) override;
    void openFile(const QString& path) override;

    ConsoleServices services() { return {*this, *this, *this}; }
};

}  // namespace quorvex::console
