#include "console/ControlRoomDlg.h"

#include "console/ControlRoomSecrets.h"
#include "controlroom/LinkUrl.h"
#include "support/logging/LogBeacon.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

QLineEdit* field(const std::string& text, const QString& placeholder, QWidget* parent) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setPlaceholderText(placeholder);
    edit->setMinimumWidth(320);
    return edit;
}

}  // namespace

ControlRoomDlg::ControlRoomDlg(const ControlRoomSettings& settings, QWidget* parent)
    : QDialog(parent),
      url_(field(settings.url, QStringLiteral("mqtt://user@broker:1883/quorvex (empty: off)"), this)),
      password_(field(settings.password, QStringLiteral("or QUORVEX_PUBLISH_PASSWORD"), this)),
      caFile_(field(settings.caFile, QStringLiteral("the broker's authority (mqtts://)"), this)),
      certFile_(field(settings.certFile, QStringLiteral("when the broker asks for one"), this)),
      keyFile_(field(settings.keyFile, QStringLiteral("the client certificate's key"), this)),
      keyPassword_(field(settings.keyPassword, QStringLiteral("when the key is encrypted"), this)),
      error_(new QLabel(this)) {
    LogBeacon::log("ControlRoomDlg::ControlRoomDlg", DebugLevel1, L" ");
    setWindowTitle(QStringLiteral("Control Room"));
    password_->setEchoMode(QLineEdit::Password);
    keyPassword_->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Broker URL:"), url_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(QStringLiteral("&CA certificate:"), caFile_);
    form->addRow(QStringLiteral("Client c&ertificate:"), certFile_);
    form->addRow(QStringLiteral("Client &key:"), keyFile_);
    form->addRow(QStringLiteral("Key pass p&hrase:"), keyPassword_);
    auto* secrets = new QLabel(QString::fromStdString(ControlRoomSecrets::placeText()), this);
    secrets->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #b00020"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ControlRoomDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ControlRoomDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(secrets);
    layout->addWidget(error_);
    layout->addWidget(buttons);
}

ControlRoomSettings ControlRoomDlg::settings() const {
    return {url_->text().trimmed().toStdString(), password_->text().toStdString(),
            caFile_->text().toStdString(),        certFile_->text().toStdString(),
            keyFile_->text().toStdString(),       keyPassword_->text().toStdString()};
}

void ControlRoomDlg::accept() {
    LogBeacon::log("ControlRoomDlg::accept", DebugLevel1, L" ");
    const ControlRoomSettings chosen = settings();
    link::LinkUrl url;
    std::string error = chosen.url.empty() ? std::string() : link::parseLinkUrl(chosen.url, url);
    if (error.empty() && !url.password.empty()) {
        error = "give the password in its own field, not in the URL";
    }
    if (!error.empty()) {
        error_->setText(QString::fromStdString(error));
        return;
    }
    QDialog::accept();
}

}  // namespace quorvex::console
