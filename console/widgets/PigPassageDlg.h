#pragma once

#include "support/platform/LocalTime.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QLabel;
class QTextBrowser;

namespace quorvex::console {

// The page of a passage with each element's text put in place by its id; text is escaped.
QString fillElementsById(QString html, const std::map<QString, QString>& texts);

// Announces one pig passage. The main window is in its wait state while a passage dialog is open;
// closing any of them ends the wait (the wait is one flag, not a count). The dialog is a window
// of its own that stays above its owner: as a child it would be disabled with the waiting owner
// and could never be closed. It goes when it is closed or when its owner goes.
class PigPassageDlg : public QDialog {
    Q_OBJECT
public:
    struct WaitState {
        std::function<void()> begin;
        std::function<void()> end;
    };

    PigPassageDlg(WaitState wait, QWidget* owner);

    // The passage dialogs on screen now, in no particular order.
    static std::vector<PigPassageDlg*> openDialogs();

    // The passage's UTC time, position and the unit's working folder.
    void setData(const zeph::platform::SYSTEMTIME& utc, double latitude, double longitude, double elevation,
                 const QString& fileLocation);
    // Shows it beside the main window; it deletes itself when closed.
    void showModeless();
    // The passages that came while as many passage dialogs were open as the operator can close:
    // how many, below the passage this dialog shows.
    void showLaterPassages(int count);
    QString laterPassagesText() const;

    QString pageHtml() const;

protected:
    void showEvent(QShowEvent* event) override;
    // A desktop that turns dark while the dialog is open turns the page dark with it.
    void changeEvent(QEvent* event) override;
    // Every way of closing (OK, Return, Escape, the title bar) ends here, and ends the wait.
    void done(int result) override;
    // The page's OK is the default button: Return and Enter press it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QWidget> owner_;
    WaitState wait_;
    bool waiting_ = false;
    std::map<QString, QString> texts_;
    QTextBrowser* browser_;
    QLabel* laterPassages_;
};

}  // namespace quorvex::console
