// Renders the HTML user manual into an A4 PDF with page numbers in the footer.
// Usage: make_manual <manual.html> <output.pdf>
// Images referenced by the manual are resolved relative to the HTML file's folder.
// The text stays real text in the PDF, so the manual is searchable.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>

namespace {

const char* const kBodyFont = "Liberation Serif";
const char* const kSansFont = "Liberation Sans";

// Millimetres to printer device pixels.
qreal mm(const QPrinter& printer, qreal millimetres)
{
    return millimetres * printer.resolution() / 25.4;
}

void drawFooter(QPainter& painter, const QPrinter& printer, const QRectF& area,
                const QString& title, int page, int pageCount)
{
    painter.save();
    painter.setPen(QPen(QColor(0x99, 0x99, 0x99), mm(printer, 0.2)));
    painter.drawLine(QPointF(area.left(), area.top()), QPointF(area.right(), area.top()));
    QFont font(QString::fromLatin1(kSansFont));
    font.setPointSizeF(8.5);
    painter.setFont(font);
    painter.setPen(QColor(0x44, 0x44, 0x44));
    const QRectF text = area.adjusted(0, mm(printer, 1.5), 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(text, Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("Page %1 of %2").arg(page).arg(pageCount));
    painter.restore();
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: make_manual <manual.html> <output.pdf>\n";
        return 2;
    }
    const QFileInfo source(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[2]);

    QFile in(source.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly)) {
        err << "cannot read " << source.absoluteFilePath() << '\n';
        return 1;
    }
    const QString html = QString::fromUtf8(in.readAll());
    in.close();
    if (html.trimmed().isEmpty()) {
        err << "empty manual " << source.absoluteFilePath() << '\n';
        return 1;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(20, 18, 18, 14), QPageLayout::Millimeter));
    printer.setCreator(QStringLiteral("make_manual"));

    QTextDocument doc;
    // The trailing slash makes relative image paths resolve inside the manual's folder.
    doc.setBaseUrl(QUrl::fromLocalFile(source.absolutePath() + QLatin1Char('/')));
    QFont body(QString::fromLatin1(kBodyFont));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setHtml(html);
    const QString title = doc.metaInformation(QTextDocument::DocumentTitle).isEmpty()
                              ? QStringLiteral("User manual")
                              : doc.metaInformation(QTextDocument::DocumentTitle);
    printer.setDocName(title);

    QPainter painter;
    if (!painter.begin(&printer)) {
        err << "cannot write " << output << '\n';
        return 1;
    }
    // Lay out at the printer's resolution so point sizes and pixel lengths scale together.
    doc.documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const qreal footerHeight = mm(printer, 9);
    const QSizeF bodySize(page.width(), page.height() - footerHeight);
    doc.setPageSize(bodySize);

    const int pageCount = doc.pageCount();
    for (int i = 0; i < pageCount; ++i) {
        if (i > 0 && !printer.newPage()) {
            err << "cannot add page " << (i + 1) << " to " << output << '\n';
            painter.end();
            return 1;
        }
        const QRectF clip(0, i * bodySize.height(), bodySize.width(), bodySize.height());
        painter.save();
        painter.translate(0, -clip.top());
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = clip;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        painter.setClipRect(clip);
        doc.documentLayout()->draw(&painter, ctx);
        painter.restore();
        drawFooter(painter, printer,
                   QRectF(0, bodySize.height() + mm(printer, 3), bodySize.width(), footerHeight),
                   title, i + 1, pageCount);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        err << "cannot finish " << output << '\n';
        return 1;
    }
    const QFileInfo written(output);
    if (!written.exists() || written.size() == 0) {
        err << "nothing written to " << output << '\n';
        return 1;
    }
    return 0;
}
