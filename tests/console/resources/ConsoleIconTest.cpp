#include "console/resources/ConsoleIcon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <map>

namespace {

using quorvex::console::consoleIcon;

// Every picture the windows load by name, with the size it is drawn for: 16 px panes and tool bar
// commands, 32 px transport buttons, 25 x 10 gain meter segments (one every 12 px), the logo strip.
const std::map<QString, QSize>& expectedPictures() {
    static const std::map<QString, QSize> pictures = [] {
        std::map<QString, QSize> p;
        for (const char* name : {"connection-serial-off",
                                 "connection-serial-on",
                                 "bluetooth-disabled",
                                 "bluetooth-enabled",
                                 "bluetooth-connected",
                                 "battery-unknown",
                                 "battery-full",
                                 "battery-75",
                                 "battery-50",
                                 "battery-25",
                                 "battery-low",
                                 "gps-none",
                                 "gps-poor",
                                 "gps-fair",
                                 "gps-good",
                                 "gps-excellent",
                                 "devices",
                                 "connect",
                                 "disconnect",
                                 "file-manager",
                                 "serial",
                                 "console",
                                 "filter"}) {
            p[QString::fromLatin1(name)] = QSize(16, 16);
        }
        for (const char* name : {"live", "pause", "stop", "record", "record-stop"}) {
            p[QString::fromLatin1(name)] = QSize(32, 32);
        }
        for (const char* name : {"segment-unlit", "segment-gain", "segment-clipping"}) {
            p[QString::fromLatin1(name)] = QSize(25, 10);
        }
        p[QStringLiteral("quorvex")] = QSize(48, 48);
        p[QStringLiteral("logo")] = QSize(128, 24);
        return p;
    }();
    return pictures;
}

// Qt's SVG reader skips what it does not support with a warning and draws the rest: a picture
// that uses such a feature looks different in the console than in the editor it was drawn in.
QStringList svgWarnings;

void collectSvgWarnings(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category != nullptr && QString::fromLatin1(context.category).startsWith("qt.svg")) {
        svgWarnings.append(message);
    }
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return count;
}

class ConsoleIconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_console_resources";
        static char* argv[] = {name, nullptr};
        static QGuiApplication application(argc, argv);
    }
};

TEST_F(ConsoleIconTest, TheLibraryHoldsExactlyTheNamedPictures) {
    QStringList names = QDir(QStringLiteral(":/icons")).entryList(QDir::Files, QDir::Name);
    QStringList expected;
    for (const auto& [name, size] : expectedPictures()) {
        expected.append(name + QStringLiteral(".svg"));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST_F(ConsoleIconTest, EveryPictureIsReadWithoutLossAtItsDrawnSize) {
    for (const auto& [name, size] : expectedPictures()) {
        svgWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectSvgWarnings);
        QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
        qInstallMessageHandler(previous);
        EXPECT_TRUE(renderer.isValid()) << name.toStdString();
        EXPECT_TRUE(svgWarnings.isEmpty())
            << name.toStdString() << ": " << svgWarnings.join("; ").toStdString();
        EXPECT_EQ(renderer.defaultSize(), size) << name.toStdString();
    }
}

TEST_F(ConsoleIconTest, EveryIconShowsAPictureAtSixteenPixels) {
    for (const auto& [name, size] : expectedPictures()) {
        const QIcon icon = consoleIcon(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString();
        const QImage image = icon.pixmap(QSize(16, 16)).toImage();
        // A legible picture covers a good part of its square; a blank or broken one does not.
        EXPECT_GT(opaquePixels(image), image.width() * image.height() / 8) << name.toStdString();
    }
}

TEST_F(ConsoleIconTest, AnUnknownNameGivesAnEmptyIcon) {
    EXPECT_TRUE(consoleIcon(QStringLiteral("no-such-picture")).pixmap(QSize(16, 16)).isNull());
}

}  // namespace
