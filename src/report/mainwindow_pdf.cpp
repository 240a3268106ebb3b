// MainWindow slots of PDF export and printing: the hidden web view lays out the final
// report and prints it into a PDF; Print hands that PDF to the desktop's viewer.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

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
#include "report/filewrite.h"
#include "report/reportrecord.h"
#include "windows/pdfopener.h"

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
    m_htmlTimer->setInterval(m_pdfDelayMs);
    m_pdfDue = false;
    m_loadWaitTimer->stop();
    // The PDF is named after the report folder the page lies in.
    m_pdfReportFolder = QFileInfo(nameFile).dir().dirName();
    m_pdfSource = nameFile;
    m_pageLoading = true;
    m_pageLoadOk = false;
    m_webView->load(QUrl::fromLocalFile(nameFile));
    m_htmlTimer->start();
}

void MainWindow::onPageLoadFinished(bool ok)
{
    m_pageLoading = false;
    m_pageLoadOk = ok;
    // A production run waits for its PDF before the analysis counts as done; nothing else can
    // load a page meanwhile, so there is no reason to wait out the rest of the second.
    if (m_pdfDue || (m_jobPdfPending && m_htmlTimer->isActive())) {
        m_htmlTimer->stop();
        writePdf();
    }
}

void MainWindow::procLoadHTMLFinished()
{
    m_htmlTimer->stop();
    m_pdfDue = true;
    if (m_pageLoading) {
        // Never print half a page: wait for the load to end, within a bound.
        m_loadWaitTimer->start();
        return;
    }
    writePdf();
}

void MainWindow::writePdf()
{
    m_pdfDue = false;
    m_loadWaitTimer->stop();
    const bool forJob = m_jobPdfPending;
    m_jobPdfPending = false;
    const QString path = pdfPathFor(m_pdfReportFolder);
    if (m_pageLoading || !m_pageLoadOk) {
        // An error page or half a page must never pass for the report.
        emit pdfWritten(path, false);
        const QString page = QDir::toNativeSeparators(m_pdfSource);
        pdfFailed(m_lang == 0
                      ? QStringLiteral("The report page \"%1\" could not be loaded, so no PDF was made.")
                            .arg(page)
                      : QString::fromUtf8("Не удалось загрузить страницу отчета \"%1\", поэтому PDF не "
                                          "создан.")
                            .arg(page));
        return;
    }

    FileWrite::Result result;
    if (!QFileInfo(m_pdfDir).isDir())
        result = FileWrite::makePath(m_pdfDir);
    FileWrite::Pending pdf;
    if (result) {
        result = FileWrite::prepare(path, [this](const QString& temp) {
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            QPrinter printer(info, QPrinter::ScreenResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            if (info.isNull())
                printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setOutputFileName(temp);
            printer.setFullPage(true);
            m_webView->page()->mainFrame()->print(&printer);
            return printer.printerState() != QPrinter::Error;
        }, &pdf);
    }
    if (result && forJob && m_jobRunning) {
        finishProduction(pdf);
        return;
    }
    if (result)
        result = pdf.commit();
    emit pdfWritten(path, bool(result));
    if (!result)
        pdfFailed(FileWrite::message(result, m_lang));
}

void MainWindow::pdfFailed(const QString& text)
{
    if (m_jobRunning) {
        // The run stops here: its report is not complete without the PDF.
        stopProduction(text % QLatin1Char('\n')
                           % (m_lang == 0
                                  ? QStringLiteral("The report was not completed and is not marked as done.")
                                  : QString::fromUtf8("Отчет не сформирован и не отмечен как готовый.")),
                       MessageBox::Warning, ReadLocale(LocaleText::Ok), true);
        return;
    }
    MessageBox::warning(ReadLocale(LocaleText::Attention), text, ReadLocale(LocaleText::Ok));
}

void MainWindow::proc_Clicked_Print()
{
    const QString folder = finishedReportFolder();
    if (folder.isEmpty())
        return;
    QString path = QStringLiteral("%1/%2_report.pdf")
                       .arg(m_pdfDir, ReportRecord::readProbeNamePdf(ReportRecord::iniPath(m_reportsDir, folder)));
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
    m_pdfOpener->openReport(path, QStringLiteral("%1/%2").arg(m_reportsDir, folder));
}
