#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quorvex::console {

// The save-file dialog (with its overwrite prompt), so a test can choose the file.
class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    // The chosen file, or nothing when the operator cancelled.
    virtual std::optional<QString> askFileName(QWidget* parent, const QString& filter) = 0;

    struct Choice {
        QString path;
        QString filter;  // the one of `filters` chosen with it
    };
    // The same, opened in the folder of `suggested` with its name filled in, and the type chosen.
    virtual std::optional<Choice> askSaveFile(QWidget* parent, const QString& filters,
                                              const QString& suggested) = 0;
};

}  // namespace quorvex::console
