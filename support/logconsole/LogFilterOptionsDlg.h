#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class QListWidget;
class QPushButton;

namespace zeph::windows::ui {
class PersistWindowPos;
}

namespace zeph::windows::logging {

class ILogFilter;

// "Log Filter Options": a check box per log level, in ascending order. With a filter (the debug
// console's) "Update Verbosity" gives the filter the checked levels at once and the dialog stays
// open; without one, OK keeps them as the dialog's own mask. The dialog's place on the screen is
// remembered under "Log Filter Dialog" and saved when it is destroyed.
class LogFilterOptionsDlg : public QDialog {
    Q_OBJECT

public:
    // The filter is not owned and must outlive the dialog; null edits the dialog's own mask.
    LogFilterOptionsDlg(QWidget* parent, ILogFilter* filter);
    ~LogFilterOptionsDlg() override;

    // The mask of the checked levels, as OK last left it (0 until then) when there is no filter.
    std::uint16_t mask() const { return mask_; }

    void OnUpdateVerbosity();
    void accept() override;

private:
    void fillLevels(std::uint16_t current);
    std::uint16_t checkedMask() const;

    QListWidget* levels_;
    QPushButton* ok_;
    QPushButton* updateVerbosity_;
    std::uint16_t mask_ = 0;
    ILogFilter* filter_;
    std::unique_ptr<ui::PersistWindowPos> placement_;
};

}  // namespace zeph::windows::logging
