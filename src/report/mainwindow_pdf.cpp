// MainWindow slots of PDF export and printing. The report unit writes every PDF as part of the
// change that needs it; Print hands the report's PDF to the desktop's viewer.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/desktop.h"
#include "app/messagebox.h"
#include "report/reportfiles.h"
#include "report/reportrecord.h"
#include "report/reportunit.h"
#include "windows/pdfopener.h"

// The PDF of the report whose final page this is, made again when it is missing or incomplete.
void MainWindow::proc_Save_PDF(QString nameFile)
{
    const Outcome rebuilt = m_unit->rebuildPdf(QFileInfo(nameFile).absolutePath(), m_lang);
    if (!rebuilt.ok())
        MessageBox::warning(ReadLocale(LocaleText::Attention), rebuilt.message,
                            ReadLocale(LocaleText::Ok));
}

// PDFs are printed as soon as their page has loaded, inside the change that needs them; this
// only makes the last report's PDF again when it has gone missing.
void MainWindow::procLoadHTMLFinished()
{
    if (m_reportFolderName.isEmpty() || m_jobRunning)
        return;
    const QString folder = m_unit->reportFolderPath(m_reportFolderName);
    proc_Save_PDF(ReportFiles::finalPage(folder, ReportRecord::readProbeCode(ReportRecord::iniPath(
                                                     m_reportsDir, m_reportFolderName))));
}

void MainWindow::proc_Clicked_Print()
{
    const QString folder = finishedReportFolder();
    if (folder.isEmpty())
        return;
    const QString path = m_unit->pdfPath(folder);
    if (!QFileInfo::exists(path)) {
        MessageBox::warning(ReadLocale(LocaleText::Attention),
                            m_lang == 0
                                ? QStringLiteral("The PDF of this report does not exist yet:\n%1")
                                      .arg(QDir::toNativeSeparators(path))
                                : QString::fromUtf8("PDF этого отчета еще не создан:\n%1")
                                      .arg(QDir::toNativeSeparators(path)),
                            ReadLocale(LocaleText::Ok));
        return;
    }
    m_pdfOpener->openReport(path, QStringLiteral("%1/%2").arg(m_reportsDir, folder));
}
