#include "tests/console/support/ReferenceImage.h"

#include "tests/helpers/TestData.h"

#include <QDir>

#include <cstdlib>
#include <cstring>

namespace quorvex::test {

namespace {

int countDifferentPixels(const QImage& a, const QImage& b) {
    int different = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 8 || std::abs(qGreen(p) - qGreen(q)) > 8 ||
                std::abs(qBlue(p) - qBlue(q)) > 8) {
                ++different;
            }
        }
    }
    return different;
}

}  // namespace

::testing::AssertionResult matchesReference(const QImage& image, const QString& name,
                                            int maxDifferentPixels) {
    const QImage rendered = image.convertToFormat(QImage::Format_RGB32);
    QDir().mkpath(QStringLiteral(QUORVEX_TEST_OUTPUT_DIR));
    rendered.save(QStringLiteral(QUORVEX_TEST_OUTPUT_DIR "/%1.png").arg(name));
    const QString reference =
        QString::fromStdString(testDataPath("console/" + name.toStdString() + ".png").string());
    const char* update = std::getenv("QUORVEX_UPDATE_REFERENCES");
    if (update != nullptr && std::strcmp(update, "1") == 0) {
        rendered.save(reference);
        return ::testing::AssertionSuccess() << "reference written";
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    if (expected.isNull()) {
        return ::testing::AssertionFailure() << "no reference picture " << reference.toStdString();
    }
    if (expected.size() != rendered.size()) {
        return ::testing::AssertionFailure() << "size differs from " << reference.toStdString();
    }
    const int different = countDifferentPixels(expected, rendered);
    if (different > maxDifferentPixels) {
        return ::testing::AssertionFailure()
               << different << " pixels differ from " << reference.toStdString();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace quorvex::test
