// MainWindow slots of report production: the two halves of the pipeline, the breadcrumb,
// and the calls into the export reader, the marker table, the record file and rendering.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"


#include "app/messagebox.h"
#include "catalogue/mainwindow_listwidget.h"
#include "device/devicelink.h"
#include "report/charts.h"
#include "report/exportreader.h"
#include "report/filewrite.h"
#include "report/markertable.h"
#include "report/reporthtml.h"
#include "report/reportrecord.h"
#include "windows/progressinfo.h"

QString MainWindow::reportsIniPath() const
{
    return ReportRecord::iniPath(m_reportsDir, m_reportFolderName);
}

void MainWindow::GetFolderNameReport()
{
    noteWrite(ReportRecord::chooseFolder(m_reportsDir, m_selectedName, m_selectedPath,
                                         &m_reportFolderName));
}

QString MainWindow::finishedReportFolder()
{
    const QString folder = ReportRecord::findFolder(m_reportsDir, m_selectedName, m_selectedPath);
    if (!folder.isEmpty() && ReportRecord::readReportExist(ReportRecord::iniPath(m_reportsDir, folder))) {
        m_reportFolderName = folder;
        return folder;
    }
    MessageBox::warning(ReadLocale(LocaleText::Attention),
                        m_lang == 0 ? QStringLiteral("There is no finished report for %1 yet.").arg(m_selectedName)
                                    : QString::fromUtf8("Для %1 еще нет готового отчета.").arg(m_selectedName),
                        ReadLocale(LocaleText::Ok));
    return QString();
}

void MainWindow::Init_Debug()
{
    m_checkpoint = 0;
    Save_Debug();
}

void MainWindow::Inc_Debug()
{
    m_checkpoint = (m_checkpoint + 1) % 256;
    Save_Debug();
}

void MainWindow::Save_Debug()
{
    noteWrite(Breadcrumb::save(m_appDir, m_checkpoint));
}

void MainWindow::noteWrite(const FileWrite::Result& result)
{
    if (!result && m_writeFailure)
        m_writeFailure = result;
}

bool MainWindow::writeFailed()
{
    if (m_writeFailure)
        return false;
    const QString text = FileWrite::message(m_writeFailure, m_lang) % QLatin1Char('\n')
        % (m_lang == 0 ? QStringLiteral("The report was not completed and is not marked as done.")
                       : QString::fromUtf8("Отчет не сформирован и не отмечен как готовый."));
    stopProduction(text, MessageBox::Warning, ReadLocale(LocaleText::Ok), true);
    return true;
}

bool MainWindow::reached()
{
    Inc_Debug();
    return !writeFailed();
}

void MainWindow::stopProduction(const QString& text, MessageBox::Kind kind, const QString& button,
                                bool repeats)
{
    m_jobRunning = false;
    m_jobPdfPending = false;
    m_newReport = false;
    // A batch keeps its progress window and gathers the messages for its summary.
    const bool inBatch = m_batch.active();
    if (!inBatch) {
        m_progress->initStage(10);
        if (kind == MessageBox::Information)
            MessageBox::information(ReadLocale(LocaleText::Attention), text, button);
        else
            MessageBox::warning(ReadLocale(LocaleText::Attention), text, button);
    }
    emit productionEnded(false, text);
    if (inBatch)
        batchProductionEnded(false, text, repeats);
}

void MainWindow::procMakeReportPart1()
{
    m_jobRunning = true;
    m_jobPdfPending = false;
    m_writeFailure = FileWrite::success();
    Init_Debug();
    if (writeFailed())
        return;
    showProgress();
    m_progress->initStage(0);
    if (!reached())
        return;

    GetFolderNameReport();
    if (writeFailed() || !reached())
        return;
    noteWrite(ReportRecord::writeFolderPathIfMissing(reportsIniPath(), m_selectedPath));
    if (writeFailed() || !reached())
        return;

    m_export = ExportData();
    const QString exportPath = QStringLiteral("%1/%2/epatemp.txt").arg(m_selectedPath, m_selectedName);
    m_export.sourceText = ExportReader::readSource(exportPath);
    if (!reached())
        return;

    noteWrite(FileWrite::text(QStringLiteral("%1/%2/RawData.txt").arg(m_reportsDir, m_reportFolderName),
                              m_export.sourceText));
    if (writeFailed() || !reached())
        return;

    if (!ExportReader::hasLanguageMarker(m_export.sourceText)) {
        stopProduction(ReadLocale(LocaleText::EncodingFailed), MessageBox::Warning,
                       ReadLocale(LocaleText::Exit));
        return;
    }

    if (!reached())
        return;
    ExportReader::splitLines(m_export);
    if (!reached())
        return;

    procReadData();
    if (m_exportRefusal.problem != ExportReader::Problem::None) {
        // An incomplete export would send values that are not there, a value out of range
        // a wrapped one; refuse it like a foreign one, naming the analysis and the fault.
        stopProduction(ExportReader::problemMessage(m_exportRefusal, exportPath, m_lang),
                       MessageBox::Warning, ReadLocale(LocaleText::Exit));
        return;
    }
    if (!reached())
        return;
    emit nextStageProgress();

    procMakeListCalc();
    if (!reached())
        return;
    procfillDataReportCommon();
    if (!reached())
        return;

    m_link->startCalculation(m_export.rawValues, m_typeCode);
}

void MainWindow::procMakeReportPart2()
{
    if (!reached())
        return;
    // From here on the report's files are replaced: until all of them are written, the
    // analysis must not count as done, also when an earlier run had finished it.
    if (ReportRecord::readReportExist(reportsIniPath()))
        noteWrite(ReportRecord::setReportExist(reportsIniPath(), false));
    procSaveCalc();
    if (writeFailed() || !reached())
        return;
    Math_proc_PostCalc();
    if (!reached())
        return;
    emit nextStageProgress();

    procMakeReportFilePremade();
    if (writeFailed() || !reached())
        return;
    procMakeReportFilePremade_debug();
    if (writeFailed() || !reached())
        return;
    procMakeFullReport();
    if (writeFailed() || !reached())
        return;
    emit nextStageProgress();

    // The analysis is marked as done once its PDF exists (finishProduction).
    m_jobPdfPending = true;
    proc_Save_PDF(QStringLiteral("%1/%2/%3_report.html")
                      .arg(m_reportsDir, m_reportFolderName, m_export.probeCode));
    reached();
}

void MainWindow::finishProduction(FileWrite::Pending& pdf)
{
    // The PDF goes in place last, so that a run that fails before leaves none behind.
    if (!reached() || !reached())
        return;
    noteWrite(recordProduction());
    if (writeFailed())
        return;
    noteWrite(ReportRecord::setReportExist(reportsIniPath()));
    if (writeFailed())
        return;
    const FileWrite::Result committed = pdf.commit();
    emit pdfWritten(pdf.target(), bool(committed));
    if (!committed) {
        noteWrite(committed);
        const FileWrite::Result undone = ReportRecord::setReportExist(reportsIniPath(), false);
        if (!undone)  // both are named: the record now claims a report that has no PDF
            m_writeFailure.reason += QLatin1String("; ") + FileWrite::message(undone, m_lang);
        writeFailed();
        return;
    }

    // LIS hook: the released report goes to the laboratory information system.
    LisReport lisReport;
    if (lisReportFromProduction(pdf.target(), &lisReport))
        lisReportReleased(lisReport);

    // Mark the analysis as done in the list without waiting for the next pass.
    SetColorForListDir(Qt::darkGreen);
    procActivateButtons();
    m_jobRunning = false;
    m_newReport = false;
    if (m_batch.active()) {
        emit productionEnded(true, QString());
        batchProductionEnded(true, QString(), false);
        return;
    }
    proc_Clicked_Edit();
    emit nextStageProgress();
    emit productionEnded(true, QString());
}

void MainWindow::Stop_Calculation(uchar typeError)
{
    static const char* const messages[] = {
        "Ошибка записи данных.",
        "Ошибка проверки записанных данных.",
        "Ошибка выполенения расчета.",
        "Ошибка чтения полученных данных.",
        "Ошибка подключения к аппаратной части.",
        "", "",
        "Ошибка чтения серийного номера.",
        "Ошибка чтения версии аппаратной части.",
    };
    const QString text = typeError < sizeof(messages) / sizeof(messages[0])
                             ? QString::fromUtf8(messages[typeError])
                             : QString();
    // From code 4 on the device cannot be reached or is not the one it was.
    stopProduction(text, MessageBox::Information, ReadLocale(LocaleText::Ok), typeError >= 4);
}

void MainWindow::procReadData()
{
    m_exportRefusal = ExportReader::readData(m_export, m_selectedName, m_currentOperator);
}

void MainWindow::procMakeListCalc()
{
    m_samplePhrase = Markers::samplePhrase(m_typeCode, m_lang);
    m_templateType = Markers::templateType(m_typeCode);
}

void MainWindow::procfillDataReportCommon()
{
    m_markers = Markers::buildTable(m_typeCode, m_lang);
}

void MainWindow::Math_proc_PostCalc()
{
    Markers::postCalc(m_markers);
}

void MainWindow::procSaveCalc()
{
    noteWrite(ReportRecord::saveCalc(reportsIniPath(), m_export.probeCode, m_reportFolderName,
                                     m_samplePhrase, m_export.patient));
}

namespace {
ReportHtml::PremadeParams premadeParams(const ExportData& e, int templateType,
                                        unsigned char typeCode, unsigned char lang)
{
    ReportHtml::PremadeParams p;
    p.operatorName = e.reportOperator;
    p.day = e.day;
    p.month = e.month;
    p.year = e.year;
    p.probeCode = e.probeCode;
    p.templateType = templateType;
    p.typeCode = typeCode;
    p.language = lang;
    return p;
}
}  // namespace

void MainWindow::procMakeReportFilePremade()
{
    const QString page = ReportHtml::readTemplate(
        ReportHtml::templatePath(m_templatesDir, m_templateType, m_lang));
    const QString filled = ReportHtml::fillPremade(
        page, m_markers, premadeParams(m_export, m_templateType, m_typeCode, m_lang));
    noteWrite(ReportRecord::saveConclusion(reportsIniPath(),
                                           ReportHtml::conclusion(m_markers, m_typeCode, m_lang)));
    if (!m_writeFailure)
        return;
    noteWrite(FileWrite::text(QStringLiteral("%1/%2/%3_report_premade.html")
                                  .arg(m_reportsDir, m_reportFolderName, m_export.probeCode),
                              filled));
    if (!m_writeFailure)
        return;
    procMakeImage(m_templateType == 2 ? 1 : 0);
    if (m_templateType == 3 && m_writeFailure)
        procMakeImage(2);
}

void MainWindow::procMakeReportFilePremade_debug()
{
    const QString page = ReportHtml::readTemplate(
        ReportHtml::fullTableTemplatePath(m_templatesDir, m_templateType));
    // The full table gets its own copy: its order must not disturb the report's marks.
    MarkerTable table = m_markers;
    const QString filled = ReportHtml::fillFullTable(
        page, table, premadeParams(m_export, m_templateType, m_typeCode, m_lang));
    noteWrite(FileWrite::text(QStringLiteral("%1/%2/%3_report_premade_debug.html")
                                  .arg(m_reportsDir, m_reportFolderName, m_export.probeCode),
                              filled));
}

void MainWindow::procMakeFullReport()
{
    const QString folder = QStringLiteral("%1/%2").arg(m_reportsDir, m_reportFolderName);
    const QString premade = ReportHtml::readTemplate(
        QStringLiteral("%1/%2_report_premade.html").arg(folder, m_export.probeCode));
    const ReportRecord::PrintValues print = ReportRecord::readPrint(reportsIniPath());
    ReportHtml::IdentityValues values;
    values.probeName = print.probeName;
    values.probeId = print.probeId;
    values.patient = print.patient;
    values.conclusion = print.conclusion;
    // ReportExist is set once the PDF has been written too (finishProduction).
    noteWrite(FileWrite::text(QStringLiteral("%1/%2_report.html").arg(folder, m_export.probeCode),
                              ReportHtml::fillIdentity(premade, values)));
}

void MainWindow::procMakeImage(int typeImage)
{
    const QImage image = Charts::draw(*m_chartScene, typeImage, m_markers);
    noteWrite(FileWrite::image(Charts::imagePath(m_reportsDir, m_reportFolderName,
                                                 m_export.probeCode, typeImage),
                               image));
}
