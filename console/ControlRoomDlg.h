#pragma once

#include "console/ControlRoomSettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace quorvex::console {

// File > Control Room...: the broker's URL, the password (never shown), the TLS files and
// an encrypted key's pass phrase (never shown), with where the secrets are kept. OK is refused, with the
// reason beside it, for a URL the link cannot use.
class ControlRoomDlg : public QDialog {
    Q_OBJECT
public:
    ControlRoomDlg(const ControlRoomSettings& settings, QWidget* parent);
    ControlRoomSettings settings() const;

    void accept() override;

private:
    QLineEdit* url_;
    QLineEdit* password_;
    QLineEdit* caFile_;
    QLineEdit* certFile_;
    QLineEdit* keyFile_;
    QLineEdit* keyPassword_;
    QLabel* error_;
};

}  // namespace quorvex::console
