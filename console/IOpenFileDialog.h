#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quorvex::console {

// The open-file dialog, so a test can choose the file.
class IOpenFileDialog {
public:
    virtual ~IOpenFileDialog() = default;
    // The chosen existing file, or nothing when the operator cancelled.
    virtual std::optional<QString> askOpenFileName(QWidget* parent, const QString& filter) = 0;
};

}  // namespace quorvex::console
