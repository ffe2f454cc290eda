#include "console/widgets/PigPassageDlg.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace quorvex::console {

namespace {

QString pageTemplate() {
    QFile page(QStringLiteral(":/widgets/PigPassage.html"));
    page.open(QIODevice::ReadOnly);
    return QString::fromUtf8(page.readAll());
}

// The page is drawn light grey on a light desktop; on a dark one it takes the desktop's colours,
// with its heading a red that reads on them.
QString inPaletteColours(QString html, const QPalette& palette) {
    if (palette.color(QPalette::Window).lightness() >= palette.color(QPalette::WindowText).lightness()) {
        return html;
    }
    const QString body =
        QStringLiteral("background-color: %1; color: %2;")
            .arg(palette.color(QPalette::Window).name(), palette.color(QPalette::WindowText).name());
    const QString button =
        QStringLiteral("color: %1; text-decoration: none; background-color: %2;")
            .arg(palette.color(QPalette::ButtonText).name(), palette.color(QPalette::Button).name());
    return html.replace(QStringLiteral("background-color: #d4d4d4; color: #000000;"), body)
        .replace(QStringLiteral("color: #8b0000;"), QStringLiteral("color: #ff8a80;"))
        .replace(QStringLiteral("color: #000000; text-decoration: none; background-color: #ececec;"), button);
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

PigPassageDlg::PigPassageDlg(WaitState wait, QWidget* owner)
    : QDialog(nullptr),
      owner_(owner),
      wait_(std::move(wait)),
      browser_(new QTextBrowser(this)),
      laterPassages_(new QLabel(this)) {
    // Closing the main window ends the program even while passage dialogs are open.
    setAttribute(Qt::WA_QuitOnClose, false);
    if (owner != nullptr) {
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
    }
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
    laterPassages_->setWordWrap(true);
    laterPassages_->setContentsMargins(8, 4, 8, 6);
    QFont bold = laterPassages_->font();
    bold.setBold(true);
    laterPassages_->setFont(bold);
    laterPassages_->hide();
    layout->addWidget(laterPassages_);
    resize(360, 240);
}

void PigPassageDlg::done(int result) {
    if (waiting_ && wait_.end && owner_ != nullptr) {
        waiting_ = false;
        wait_.end();
    }
    QDialog::done(result);
}

void PigPassageDlg::setData(const zeph::platform::SYSTEMTIME& utc, double latitude, double longitude,
                            double elevation, const QString& fileLocation) {
    // The unit's clock is UTC; said so, since the operator's clock beside it is local time.
    texts_ = {{QStringLiteral("timestamp"), QString::asprintf("%02d:%02d:%02d.%03d UTC", utc.wHour,
                                                              utc.wMinute, utc.wSecond, utc.wMilliseconds)},
              {QStringLiteral("latitude"), QString::asprintf("%f", latitude)},
              {QStringLiteral("longitude"), QString::asprintf("%f", longitude)},
              {QStringLiteral("elevation"), QString::asprintf("%f", elevation)},
              {QStringLiteral("file_location"), fileLocation}};
    browser_->setHtml(pageHtml());
}

void PigPassageDlg::showModeless() {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    if (owner_ != nullptr) {
        winId();
        windowHandle()->setTransientParent(owner_->window()->windowHandle());
    }
    show();
}

void PigPassageDlg::showLaterPassages(int count) {
    laterPassages_->setText(
        count == 1 ? tr("1 more passage arrived; the Log tab lists every passage.")
                   : tr("%1 more passages arrived; the Log tab lists every passage.").arg(count));
    laterPassages_->show();
}

QString PigPassageDlg::laterPassagesText() const {
    return laterPassages_->isHidden() ? QString() : laterPassages_->text();
}

std::vector<PigPassageDlg*> PigPassageDlg::openDialogs() {
    std::vector<PigPassageDlg*> open;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<PigPassageDlg*>(window);
        if (dialog != nullptr && dialog->isVisible()) {
            open.push_back(dialog);
        }
    }
    return open;
}

void PigPassageDlg::keyPressEvent(QKeyEvent* event) {
    // The page's OK is a link, not a default button that a dialog's Return would press.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QString PigPassageDlg::pageHtml() const {
    return inPaletteColours(fillElementsById(pageTemplate(), texts_), palette());
}

void PigPassageDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        browser_->setHtml(pageHtml());
    }
    QDialog::changeEvent(event);
}

void PigPassageDlg::showEvent(QShowEvent* event) {
    if (!waiting_ && wait_.begin && owner_ != nullptr) {
        waiting_ = true;
        wait_.begin();
    }
    QDialog::showEvent(event);
}

}  // namespace quorvex::console
