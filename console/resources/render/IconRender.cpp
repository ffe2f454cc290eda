// Renders the console's SVG pictures to PNG with the same Qt SVG renderer the console uses:
// one picture at a square size (the hicolor PNGs of the installed application icon), or a
// contact sheet of many at a scale, on a light and a dark background, to look at by eye.
//   quorvex-icon-render --size <px> <in.svg> <out.png>
//   quorvex-icon-render --sheet <scale>[x<zoom>] <out.png> <in.svg>...
// A zoom magnifies the rendered pixels without smoothing, so a 16 px picture can be judged.
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>
#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "quorvex-icon-render: %s\n", qPrintable(message));
    return 1;
}

int renderSquare(int size, const QString& in, const QString& out) {
    QSvgRenderer renderer(in);
    if (!renderer.isValid() || size <= 0) {
        return fail(QStringLiteral("cannot render %1 at %2 px").arg(in).arg(size));
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image.save(out) ? 0 : fail(QStringLiteral("cannot write %1").arg(out));
}

// One row per picture: its name, then the picture at its own size times the scale, on a light
// and on a dark background (status panes and tool bars show both under different themes).
QImage renderAt(const QString& in, QSize size, int zoom) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(in).render(&painter);
    painter.end();
    return image.scaled(size * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

int renderSheet(double scale, int zoom, const QString& out, const QStringList& inputs) {
    constexpr int nameWidth = 170;
    constexpr int cell = 8;
    QList<QSize> sizes;
    int columnWidth = 0;
    int height = cell;
    for (const QString& in : inputs) {
        QSvgRenderer renderer(in);
        if (!renderer.isValid()) {
            return fail(QStringLiteral("cannot render %1").arg(in));
        }
        sizes.append((QSizeF(renderer.defaultSize()) * scale).toSize() * zoom);
        columnWidth = std::max(columnWidth, sizes.last().width() + 2 * cell);
        height += std::max(sizes.last().height(), 14) + cell;
    }
    QImage image(nameWidth + 2 * columnWidth, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(nameWidth, 0, columnWidth, height, QColor(0xef, 0xef, 0xef));
    painter.fillRect(nameWidth + columnWidth, 0, columnWidth, height, QColor(0x2b, 0x2b, 0x2b));
    int y = cell;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QSize size = sizes[i];
        painter.setPen(Qt::black);
        painter.drawText(QRect(4, y, nameWidth - 8, std::max(size.height(), 14)), Qt::AlignVCenter,
                         QFileInfo(inputs[i]).baseName());
        const QImage picture = renderAt(inputs[i], size / zoom, zoom);
        painter.drawImage(nameWidth + cell, y, picture);
        painter.drawImage(nameWidth + columnWidth + cell, y, picture);
        y += std::max(size.height(), 14) + cell;
    }
    painter.end();
    return image.save(out) ? 0 : fail(QStringLiteral("cannot write %1").arg(out));
}

}  // namespace

int main(int argc, char** argv) {
    // Never shows a window: render without a display, also at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList args = application.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--size")) {
        return renderSquare(args[1].toInt(), args[2], args[3]);
    }
    if (args.size() >= 4 && args[0] == QLatin1String("--sheet")) {
        const QStringList factors = args[1].split(QLatin1Char('x'));
        const int zoom = factors.size() > 1 ? factors[1].toInt() : 1;
        return renderSheet(factors[0].toDouble(), std::max(zoom, 1), args[2], args.mid(3));
    }
    return fail(QStringLiteral(
        "usage: --size <px> <in.svg> <out.png> | --sheet <scale>[x<zoom>] <out.png> <in.svg>..."));
}
