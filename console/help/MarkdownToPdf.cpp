// Renders a Markdown file to a PDF (A4, the default fonts): the console's quick-start guide is
// written in Markdown and built into QuickStart.pdf with the program.
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvex-markdown-to-pdf INPUT.md OUTPUT.pdf\n");
        return 2;
    }
    // No display is needed to lay out text.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "quorvex-markdown-to-pdf: %s: %s\n", argv[1], qPrintable(input.errorString()));
        return 1;
    }
    QTextDocument document;
    // Body text at a reading size; headings scale from it.
    QFont body = document.defaultFont();
    body.setPointSizeF(10.5);
    document.setDefaultFont(body);
    document.setMarkdown(QString::fromUtf8(input.readAll()));
    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setTitle(QStringLiteral("QUORVEX Telvane Quick Start"));
    writer.setCreator(QStringLiteral("QUORVEX Telvane"));
    // Left without a page size, the document is laid out for the writer's own resolution and
    // page, with margins of 2 cm; a page size in the writer's pixels would shrink the text to
    // a fraction of a point.
    document.print(&writer);
    return 0;
}
