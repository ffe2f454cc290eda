#include "console/widgets/PigPassageDlg.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quorvex::console {

namespace {

QString pageTemplate() {
    QFile page(QStringLiteral(":/widgets/PigPassage.html"));
    page.open(QIODevice::ReadOnly);
    return QString::fromUtf8(page.readAll());
}

}  // namespace

QString fillElementsById(QString html, const std::map<QString, QString>& texts) {
    for (const auto& [id, text] : texts) {
        const QString attribute = QStringLiteral("id=\"%1\"").arg(id);
        const qsizetype at = html.indexOf(attribute);
        const qsizetype open = at < 0 ? -1 : html.indexOf(u'>', at);
        const qsizetype close = open < 0 ? -1 : html.indexOf(u'<', open);
        if (close >= 0) {
            html.replace(open + 1, close - open - 1, text.toHtmlEscaped());
        }
    }
    return html;
}

PigPassageDlg::PigPassageDlg(WaitState wait, QWidget* parent)
    : QDialog(parent), wait_(std::move(wait)), browser_(new QTextBrowser(this)) {
    setWindowTitle(tr("QUORVEX - Pig Passage Detected!"));
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.scheme() == QStringLiteral("ok")) {
            accept();
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(360, 240);
}

void PigPassageDlg::done(int result) {
    if (waiting_ && wait_.end) {
        waiting_ = false;
        wait_.end();
    }
    QDialog::done(result);
}

void PigPassageDlg::setData(const zeph::platform::SYSTEMTIME& utc, double latitude, double longitude,
                            double elevation, const QString& fileLocation) {
    texts_ = {{QStringLiteral("timestamp"), QString::asprintf("%02d:%02d:%02d.%03d", utc.wHour, utc.wMinute,
                                                              utc.wSecond, utc.wMilliseconds)},
              {QStringLiteral("latitude"), QString::asprintf("%f", latitude)},
              {QStringLiteral("longitude"), QString::asprintf("%f", longitude)},
              {QStringLiteral("elevation"), QString::asprintf("%f", elevation)},
              {QStringLiteral("file_location"), fileLocation}};
    browser_->setHtml(pageHtml());
}

void PigPassageDlg::showModeless() {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    show();
}

QString PigPassageDlg::pageHtml() const {
    return fillElementsById(pageTemplate(), texts_);
}

void PigPassageDlg::showEvent(QShowEvent* event) {
    if (!waiting_ && wait_.begin) {
        waiting_ = true;
        wait_.begin();
    }
    QDialog::showEvent(event);
}

}  // namespace quorvex::console
