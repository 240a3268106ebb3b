// MainWindow slots of report production. The report unit does the work; these show the
// progress, talk to the device and tell the operator how a run ended.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/messagebox.h"
#include "config/settingsstore.h"
#include "device/devicelink.h"
#include "report/devicefailures.h"
#include "report/reportrecord.h"
#include "report/reportunit.h"
#include "windows/progressinfo.h"
#include "windows/reasondialog.h"

const MarkerTable& MainWindow::markerTable() const
{
    return m_unit->job().markers;
}

void MainWindow::GetFolderNameReport()
{
    const FileWrite::Result claimed =
        m_unit->claimFolder(m_selectedName, m_selectedPath, &m_reportFolderName);
    if (!claimed)
        MessageBox::warning(ReadLocale(LocaleText::Attention), FileWrite::message(claimed, m_lang),
                            ReadLocale(LocaleText::Ok));
}

QString MainWindow::finishedReportFolder()
{
    const QString folder = ReportRecord::findFolder(m_reportsDir, m_selectedName, m_selectedPath);
    if (m_unit->isFinished(folder)) {
        m_reportFolderName = folder;
        return folder;
    }
    MessageBox::warning(
        ReadLocale(LocaleText::Attention),
        m_lang == 0 ? QStringLiteral("There is no finished report for %1 yet.").arg(m_selectedName)
                    : QString::fromUtf8("Для %1 еще нет готового отчета.").arg(m_selectedName),
        ReadLocale(LocaleText::Ok));
    return QString();
}

bool MainWindow::confirmProduceAgain()
{
    m_reproductionReason.clear();
    const QString folder = ReportRecord::findFolder(m_reportsDir, m_selectedName, m_selectedPath);
    if (!m_unit->isFinished(folder))
        return true;
    // Producing a released report again makes a new version of it, which says why.
    return MessageBox::question(
               SettingsStore::confirmTitle(m_lang),
               m_lang == 0
                   ? QStringLiteral(
                         "This analysis already has a report. Produce it again? Changes made "
                         "in the report editor will be replaced.")
                   : QString::fromUtf8(
                         "Для этого анализа уже есть отчет. Создать его заново? Изменения, "
                         "сделанные в редакторе отчета, будут заменены."),
               SettingsStore::yesButton(m_lang), SettingsStore::noButton(m_lang)) &&
           ReasonDialog::ask(m_lang, &m_reproductionReason, this);
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
    m_unit->setCheckpoint(m_checkpoint);
}

void MainWindow::stopProduction(const Outcome& outcome)
{
    m_jobRunning = false;
    m_newReport = false;
    QString text = outcome.message;
    if (outcome.failure == Failure::ForeignExport)
        text = ReadLocale(LocaleText::EncodingFailed);
    const bool refused =
        outcome.failure == Failure::ForeignExport || outcome.failure == Failure::ExportRefused;
    // A batch keeps its progress window and gathers the messages for its summary; a run the
    // operator called off has nothing to say.
    if (!m_batch.active()) {
        m_progress->initStage(10);
        if (outcome.failure == Failure::Cancelled) {
            emit productionEnded(false, text);
            return;
        }
        const QString button = ReadLocale(refused ? LocaleText::Exit : LocaleText::Ok);
        if (DeviceFailures::isDeviceFailure(outcome.failure))
            MessageBox::information(ReadLocale(LocaleText::Attention), text, button);
        else
            MessageBox::warning(ReadLocale(LocaleText::Attention), text, button);
    }
    emit productionEnded(false, text);
    if (m_batch.active()) {
        Outcome recorded = outcome;
        recorded.message = text;
        batchProductionEnded(recorded);
    }
}

void MainWindow::procMakeReportPart1()
{
    m_jobRunning = true;
    showProgress();
    m_progress->initStage(0);
    ReportUnit::Request request;
    request.folderName = m_selectedName;
    request.folderPath = m_selectedPath;
    request.operatorName = m_currentOperator;
    request.typeCode = m_typeCode;
    request.language = m_lang;
    request.reason = m_reproductionReason;
    const Outcome begun = m_unit->begin(request);
    m_reportFolderName = m_unit->job().reportFolderName;
    if (!begun.ok()) {
        stopProduction(begun);
        return;
    }
    m_link->startCalculation(m_unit->job().exportData.rawValues, m_typeCode);
}

void MainWindow::procMakeReportPart2()
{
    const Outcome done = m_unit->resultsIn(m_link->resultValues(), m_link->normValues(),
                                           m_link->serialNumber(), m_link->version());
    if (!done.ok()) {
        stopProduction(done);
        return;
    }
    finishProduction();
}

void MainWindow::finishProduction()
{
    // Mark the analysis as done in the list without waiting for the next pass.
    SetColorForListDir(Qt::darkGreen);
    procActivateButtons();
    m_jobRunning = false;
    m_newReport = false;
    if (m_batch.active()) {
        m_unit->finished();
        emit productionEnded(true, QString());
        batchProductionEnded(Outcome());
        return;
    }
    proc_Clicked_Edit();
    m_unit->finished();
    emit nextStageProgress();
    emit productionEnded(true, QString());
}

void MainWindow::Stop_Calculation(uchar typeError)
{
    const Failure failure = DeviceFailures::failureOf(typeError, m_link->lastBreak());
    m_unit->deviceFailed(failure);
    stopProduction(Outcome{failure, DeviceFailures::message(failure, typeError, m_lang)});
}

void MainWindow::procReadData()
{
    m_unit->readData();
}

void MainWindow::procMakeListCalc()
{
    m_unit->chooseSample();
}

void MainWindow::procfillDataReportCommon()
{
    m_unit->buildTable();
}

void MainWindow::Math_proc_PostCalc()
{
    m_unit->postCalc();
}

void MainWindow::procSaveCalc()
{
    m_unit->saveCalc();
}

void MainWindow::procMakeReportFilePremade()
{
    m_unit->writePremade();
}

void MainWindow::procMakeReportFilePremade_debug()
{
    m_unit->writeFullTable();
}

void MainWindow::procMakeFullReport()
{
    m_unit->writeFinal();
}

void MainWindow::procMakeImage(int typeImage)
{
    m_unit->writeChart(typeImage);
}
