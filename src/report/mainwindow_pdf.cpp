// MainWindow slots of PDF export and printing: the hidden web view lays out the final
// report and prints it into a PDF; Print hands that PDF to the desktop's viewer.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QUrl>
#include <QWebFrame>
#include <QWebView>

#include "app/desktop.h"
#include "app/messagebox.h"
#include "report/reportrecord.h"

QString MainWindow::pdfPathFor(const QString& reportFolderName) const
{
    QString path = QStringLiteral("%1/%2_report.pdf").arg(m_pdfDir, reportFolderName);
    path.replace(QStringLiteral(".D_"), QStringLiteral("_"));
    return path;
}

bool MainWindow::pdfPending() const
{
    return m_htmlTimer->isActive() || m_pdfDue;
}

void MainWindow::proc_Save_PDF(QString nameFile)
{
    m_htmlTimer->setInterval(1000);
    m_pdfDue = false;
    m_loadWaitTimer->stop();
    // The PDF is named after the report folder the page lies in.
    m_pdfReportFolder = QFileInfo(nameFile).dir().dirName();
    m_pageLoading = true;
    m_webView->load(QUrl::fromLocalFile(nameFile));
    m_htmlTimer->start();
}

void MainWindow::onPageLoadFinished(bool)
{
    m_pageLoading = false;
    if (m_pdfDue)
        writePdf();
}

void MainWindow::procLoadHTMLFinished()
{
    m_htmlTimer->stop();
    if (m_pageLoading) {
        // Never print half a page: wait for the load to end, within a bound.
        m_pdfDue = true;
        m_loadWaitTimer->start();
        return;
    }
    m_pdfDue = true;
    writePdf();
}

void MainWindow::writePdf()
{
    m_pdfDue = false;
    m_loadWaitTimer->stop();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    QPrinter printer(info, QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (info.isNull())
        printer.setPageSize(QPageSize(QPageSize::A4));
    const QString path = pdfPathFor(m_pdfReportFolder);
    printer.setOutputFileName(path);
    printer.setFullPage(true);
    const QDateTime before = QFileInfo(path).lastModified();
    m_webView->page()->mainFrame()->print(&printer);
    // An earlier PDF of the same report must not pass for a new one.
    const QFileInfo written(path);
    const bool ok = written.size() > 0 && written.lastModified() != before;
    emit pdfWritten(path, ok);
    if (m_newReport) {
        emit nextStageProgress();
        m_newReport = false;
    }
}

void MainWindow::proc_Clicked_Print()
{
    GetFolderNameReport();
    QString path = QStringLiteral("%1/%2_report.pdf")
                       .arg(m_pdfDir, ReportRecord::readProbeNamePdf(reportsIniPath()));
    path.replace(QStringLiteral(".D_"), QStringLiteral("_"));
    if (!QFileInfo::exists(path)) {
        MessageBox::warning(ReadLocale(LocaleText::Attention),
                            m_lang == 0 ? QStringLiteral("The PDF of this report does not exist yet:\n%1")
                                              .arg(QDir::toNativeSeparators(path))
                                        : QString::fromUtf8("PDF этого отчета еще не создан:\n%1")
                                              .arg(QDir::toNativeSeparators(path)),
                            ReadLocale(LocaleText::Ok));
        return;
    }
    if (!Desktop::openUrl(QUrl::fromLocalFile(path)))
        MessageBox::warning(ReadLocale(LocaleText::Attention),
                            m_lang == 0 ? QStringLiteral("No program to open PDF files was found.")
                                        : QString::fromUtf8("Не найдена программа для открытия PDF."),
                            ReadLocale(LocaleText::Ok));
}
