// MainWindow slots of report production: the two halves of the pipeline, the breadcrumb,
// and the calls into the export reader, the marker table, the record file and rendering.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>

#include "app/messagebox.h"
#include "catalogue/mainwindow_listwidget.h"
#include "device/devicelink.h"
#include "report/charts.h"
#include "report/exportreader.h"
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
    QDir().mkpath(m_reportsDir);
    m_reportFolderName = ReportRecord::chooseFolder(m_reportsDir, m_selectedName, m_selectedPath);
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
    Breadcrumb::save(m_appDir, m_checkpoint);
}

void MainWindow::procMakeReportPart1()
{
    m_jobRunning = true;
    Init_Debug();
    showProgress();
    m_progress->initStage(0);
    Inc_Debug();

    GetFolderNameReport();
    Inc_Debug();
    ReportRecord::writeFolderPathIfMissing(reportsIniPath(), m_selectedPath);

    Inc_Debug();
    m_export = ExportData();
    const QString exportPath = QStringLiteral("%1/%2/epatemp.txt").arg(m_selectedPath, m_selectedName);
    m_export.sourceText = ExportReader::readSource(exportPath);
    Inc_Debug();

    ExportReader::writeUtf8Copy(
        QStringLiteral("%1/%2/RawData.txt").arg(m_reportsDir, m_reportFolderName),
        m_export.sourceText);
    Inc_Debug();

    if (!ExportReader::hasLanguageMarker(m_export.sourceText)) {
        m_jobRunning = false;
        m_newReport = false;
        m_progress->initStage(10);
        MessageBox::warning(ReadLocale(LocaleText::Attention), ReadLocale(LocaleText::EncodingFailed),
                            ReadLocale(LocaleText::Exit));
        return;
    }

    Inc_Debug();
    ExportReader::splitLines(m_export);
    Inc_Debug();

    procReadData();
    if (m_exportProblem != ExportReader::Problem::None) {
        // An incomplete export would send values that are not there; refuse it like a
        // foreign one, naming the file and the fault.
        m_jobRunning = false;
        m_newReport = false;
        m_progress->initStage(10);
        MessageBox::warning(ReadLocale(LocaleText::Attention),
                            ExportReader::problemMessage(m_exportProblem, exportPath, m_exportProblemLine, m_lang),
                            ReadLocale(LocaleText::Exit));
        return;
    }
    Inc_Debug();
    emit nextStageProgress();

    procMakeListCalc();
    Inc_Debug();
    procfillDataReportCommon();
    Inc_Debug();

    m_link->startCalculation(m_export.rawValues, m_typeCode);
}

void MainWindow::procMakeReportPart2()
{
    Inc_Debug();
    procSaveCalc();
    Inc_Debug();
    Math_proc_PostCalc();
    Inc_Debug();
    emit nextStageProgress();

    procMakeReportFilePremade();
    Inc_Debug();
    procMakeReportFilePremade_debug();
    Inc_Debug();
    procMakeFullReport();
    Inc_Debug();

    // Mark the analysis as done in the list without waiting for the next pass. The entry is
    // found by its record: a rebuild during the exchange may have moved rows.
    for (int row = 0; row < ui->ListText->count(); ++row) {
        QListWidgetItem* item = ui->ListText->item(row);
        const FolderRecord record = ListWidgetFill::recordOf(item);
        if (record.name == m_selectedName && record.path == m_selectedPath) {
            item->setForeground(QBrush(Qt::darkGreen));
            break;
        }
    }
    SetColorForListDir(Qt::darkGreen);
    procActivateButtons();
    Inc_Debug();
    emit nextStageProgress();

    proc_Save_PDF(QStringLiteral("%1/%2/%3_report.html")
                      .arg(m_reportsDir, m_reportFolderName, m_export.probeCode));
    Inc_Debug();
    proc_Clicked_Edit();
    Inc_Debug();
    m_jobRunning = false;
    emit nextStageProgress();
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
    m_jobRunning = false;
    m_newReport = false;
    m_progress->initStage(10);
    const QString text = typeError < sizeof(messages) / sizeof(messages[0])
                             ? QString::fromUtf8(messages[typeError])
                             : QString();
    MessageBox::information(ReadLocale(LocaleText::Attention), text, ReadLocale(LocaleText::Ok));
}

void MainWindow::procReadData()
{
    m_exportProblemLine = -1;
    m_exportProblem =
        ExportReader::readData(m_export, m_selectedName, m_currentOperator, &m_exportProblemLine);
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
    ReportRecord::saveCalc(reportsIniPath(), m_export.probeCode, m_reportFolderName,
                           m_samplePhrase, m_export.patient);
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
    ReportRecord::saveConclusion(reportsIniPath(),
                                 ReportHtml::conclusion(m_markers, m_typeCode, m_lang));
    ReportHtml::writeUtf8(QStringLiteral("%1/%2/%3_report_premade.html")
                              .arg(m_reportsDir, m_reportFolderName, m_export.probeCode),
                          filled);
    procMakeImage(m_templateType == 2 ? 1 : 0);
    if (m_templateType == 3)
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
    ReportHtml::writeUtf8(QStringLiteral("%1/%2/%3_report_premade_debug.html")
                              .arg(m_reportsDir, m_reportFolderName, m_export.probeCode),
                          filled);
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
    ReportHtml::writeUtf8(QStringLiteral("%1/%2_report.html").arg(folder, m_export.probeCode),
                          ReportHtml::fillIdentity(premade, values));
    ReportRecord::setReportExist(reportsIniPath());
}

void MainWindow::procMakeImage(int typeImage)
{
    const QImage image = Charts::draw(*m_chartScene, typeImage, m_markers);
    Charts::save(image, Charts::imagePath(m_reportsDir, m_reportFolderName, m_export.probeCode,
                                          typeImage));
}
