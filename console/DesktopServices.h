#pragma once

#include "console/ConsoleServices.h"
#include "console/widgets/CanberraSoundPlayer.h"

namespace quorvex::console {

// The real desktop: Qt's message boxes, file dialog, the desktop's file opener and its sound theme.
class DesktopServices final : public IMessageBoxes,
                              public ISaveFileDialog,
                              public IOpenFileDialog,
                              public IDesktop {
public:
    void show(QWidget* parent, const QString& text, BoxIcon icon) override;
    std::optional<QString> askFileName(QWidget* parent, const QString& filter) override;
    std::optional<Choice> askSaveFile(QWidget* parent, const QString& filters,
                                      const QString& suggested) override;
    std::optional<QString> askOpenFileName(QWidget* parent, const QString& filter) override;
    bool openFile(const QString& path) override;

    ConsoleServices services() { return {*this, *this, *this, &sounds_, this}; }

private:
    CanberraSoundPlayer sounds_;
};

}  // namespace quorvex::console
