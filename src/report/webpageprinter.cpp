#include "report/webpageprinter.h"

#include "report/charts.h"

#include <QEventLoop>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QUrl>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

WebPagePrinter::WebPagePrinter(QWebView* view, QGraphicsScene* scene)
    : m_view(view)
    , m_scene(scene)
{}

bool WebPagePrinter::print(const QString& html, const QString& baseDir, const QString& pdfPath,
                           QString* reason)
{
    QWebFrame* frame = m_view->page()->mainFrame();
    QEventLoop loop;
    bool ended = false;
    bool loaded = false;
    const QMetaObject::Connection c =
        QObject::connect(frame, &QWebFrame::loadFinished, &loop, [&](bool ok) {
            ended = true;
            loaded = ok;
            loop.quit();
        });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(m_loadTimeoutMs);
    // The page comes from memory; its charts and styles from the folder it belongs to.
    frame->setHtml(html, QUrl::fromLocalFile(baseDir + QLatin1Char('/')));
    if (!ended)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(c);
    if (!ended || !loaded) {
        // Half a page or an error page must never pass for the report.
        frame->setHtml(QString());
        *reason = ended ? QStringLiteral("the page could not be loaded")
                        : QStringLiteral("the page did not finish loading within %1 s")
                              .arg(m_loadTimeoutMs / 1000);
        return false;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QPrinter printer(info, QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (info.isNull())
        printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    printer.setOutputFileName(pdfPath);
    printer.setFullPage(true);
    frame->print(&printer);
    if (printer.printerState() == QPrinter::Error) {
        *reason = QStringLiteral("the printer reported an error");
        return false;
    }
    return true;
}

QImage WebPagePrinter::chart(int typeImage, const MarkerTable& table)
{
    return Charts::draw(*m_scene, typeImage, table);
}
