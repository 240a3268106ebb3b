// MainWindow slots of the analysis list: scanner results, filtering, selection, buttons.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/messagebox.h"
#include "catalogue/analysislist.h"
#include "catalogue/mainwindow_listwidget.h"
#include "catalogue/sampletypes.h"
#include "catalogue/thread_func.h"
#include "config/settings_common.h"
#include "device/devicelink.h"

void MainWindow::Analys_LoadType()
{
    const QSignalBlocker block(ui->cb_01);
    ui->cb_01->clear();
    for (int row = 0; row < SampleTypes::Count; ++row)
        ui->cb_01->addItem(SampleTypes::name(row, m_lang));
    ui->cb_01->setCurrentIndex(0);
}

void MainWindow::Analys_TypeChanged_cb01(int curIndex)
{
    if (curIndex < 0)
        return;
    ui->le_filter->clear();
    {
        const QSignalBlocker block(ui->cb_02);
        ui->cb_02->clear();
    }
    m_typeCode = static_cast<unsigned char>(curIndex);
    if (curIndex != SampleTypes::CatchAllRow) {
        ui->le_filter->setEnabled(false);
        ui->cb_02->setEnabled(false);
        ui->pb_05->setEnabled(false);
        Filter_ApplyToList(SampleTypes::table().value(curIndex).code);
        procDeactivateButtons();
        return;
    }
    ui->le_filter->setEnabled(true);
    ui->cb_02->setEnabled(true);
    ui->pb_05->setEnabled(true);
    for (int row = 0; row < SampleTypes::CatchAllRow; ++row)
        ui->cb_02->addItem(SampleTypes::name(row, m_lang));
    m_typeCode = 0;
    Filter_ApplyToList(QString());
    procDeactivateButtons();
}

void MainWindow::Analys_TypeChanged_cb02(int curIndex)
{
    if (curIndex < 0)
        return; // the combo is being emptied
    m_typeCode = static_cast<unsigned char>(curIndex);
    procDeactivateButtons();
}

void MainWindow::Analys_UpdateList()
{
    m_scanBuffer.clear();
    m_scanner->startProcess(m_allSettings->is_pt_Path(), m_reportsDir,
                            m_allSettings->is_pt_DeepSearch());
}

void MainWindow::updateWorkDir()
{
    Analys_UpdateList();
}

void MainWindow::Analys_UpdateListAddThread(QString D_Path, QString D_Name, QColor D_State)
{
    m_scanBuffer.append({D_Path, D_Name, D_State});
}

void MainWindow::Analys_UpdateListThread()
{
    // A pass that was already under way when an entry was marked as done may have read the
    // folder before its report was complete; it would turn the entry back for one pass.
    if (m_passPredatesMark)
        m_passPredatesMark = false;
    else if (!AnalysisList::samePass(m_scanBuffer, m_folderList))
        UpdateOperationalList();
    Analys_UpdateList();
}

void MainWindow::fillList(const FolderRecords& records)
{
    ListWidgetFill::fill(ui->ListText, records, m_allSettings->is_pt_DeepSearch(),
                         m_allSettings->is_pt_Path());
}

void MainWindow::UpdateOperationalList()
{
    const int index = ui->cb_01->currentIndex();
    const QString prefix = index == SampleTypes::CatchAllRow
                               ? ui->le_filter->text()
                               : SampleTypes::table().value(index).code;
    m_filteredList = AnalysisList::filterByPrefix(m_scanBuffer, prefix);

    QString remembered;
    if (m_selectedRow >= 0 && m_selectedRow < ui->ListText->count())
        remembered = ui->ListText->item(m_selectedRow)->text();
    else
        m_selectedRow = -1; // a row past the list's end is no selection

    fillList(m_filteredList);

    if (!remembered.isEmpty()) {
        const int row = ListWidgetFill::rowOfText(ui->ListText, remembered);
        if (row >= 0) {
            procDeactivateButtons();
            m_selectedRow = row;
            QListWidgetItem* item = ui->ListText->item(row);
            // The buttons act on what is highlighted.
            const FolderRecord record = ListWidgetFill::recordOf(item);
            m_selectedName = record.name;
            m_selectedPath = record.path;
            item->setBackground(Qt::lightGray);
            applyButtonsForState(record.state);
        } else {
            m_selectedRow = -1; // its old row now holds another entry
        }
    }
    m_folderList = m_scanBuffer;
}

void MainWindow::Filter_ApplyToList(QString activefilter)
{
    m_displayList = AnalysisList::filterByPrefix(m_folderList, activefilter);
    fillList(m_displayList);
    // Keep the row pointing at the selected folder, wherever the new list put it.
    if (m_selectedRow >= 0) {
        m_selectedRow = -1;
        for (int row = 0; row < ui->ListText->count(); ++row) {
            const FolderRecord record = ListWidgetFill::recordOf(ui->ListText->item(row));
            if (record.name == m_selectedName && record.path == m_selectedPath) {
                m_selectedRow = row;
                ui->ListText->item(row)->setBackground(Qt::lightGray);
                break;
            }
        }
    }
}

void MainWindow::Filter_ApplyCustomFilter()
{
    Filter_ApplyToList(ui->le_filter->text());
}

void MainWindow::applyButtonsForState(const QColor& state)
{
    const bool isNew = state == QColor(Qt::magenta) || state == QColor(Qt::darkGreen);
    const bool done = state == QColor(Qt::darkGreen);
    ui->pb_01->setEnabled(isNew);
    ui->actionMake_new->setEnabled(isNew);
    for (QWidget* w : QList<QWidget*>{ui->pb_02, ui->pb_03, ui->pb_04})
        w->setEnabled(done);
    for (QAction* a : {ui->actionEdit_current, ui->actionView_current, ui->actionPrint_current})
        a->setEnabled(done);
}

void MainWindow::proc_ListText_Clicked(QModelIndex indexList)
{
    procDeactivateButtons();
    QListWidgetItem* item = ui->ListText->item(indexList.row());
    if (!item)
        return;
    m_selectedRow = indexList.row();
    // The record travels with the item, so names with "(" and paths with ".." stay intact.
    const FolderRecord record = ListWidgetFill::recordOf(item);
    m_selectedName = record.name;
    m_selectedPath = record.path;
    item->setBackground(Qt::lightGray);
    applyButtonsForState(record.state);
}

void MainWindow::procDeactivateButtons()
{
    for (QWidget* w : QList<QWidget*>{ui->pb_01, ui->pb_02, ui->pb_03, ui->pb_04})
        w->setEnabled(false);
    for (QAction* a : {ui->actionMake_new, ui->actionEdit_current, ui->actionView_current,
                       ui->actionPrint_current})
        a->setEnabled(false);
    if (m_selectedRow >= 0 && m_selectedRow < ui->ListText->count())
        ui->ListText->item(m_selectedRow)->setBackground(Qt::white);
    m_selectedRow = -1;
}

void MainWindow::procActivateButtons()
{
    for (QWidget* w : QList<QWidget*>{ui->pb_02, ui->pb_03, ui->pb_04})
        w->setEnabled(true);
    for (QAction* a : {ui->actionEdit_current, ui->actionView_current, ui->actionPrint_current})
        a->setEnabled(true);
}

void MainWindow::SetColorForListDir(QColor color_)
{
    // Passes follow each other without a pause: one is always under way, or has ended with its
    // result still queued, and either read the folder before this mark.
    m_passPredatesMark = true;
    // The shown entry changes with its record: its buttons follow the record's state.
    ListWidgetFill::setState(ui->ListText, m_selectedName, m_selectedPath, color_);
    for (FolderRecord& record : m_folderList) {
        if (record.name == m_selectedName && record.path == m_selectedPath) {
            record.state = color_;
            return;
        }
    }
}

void MainWindow::proc_Clicked_New()
{
    m_newReport = true;
    if (!m_link->deviceAvailable()) {
        warn(LocaleText::HardwareUnavailable);
        return;
    }
    if (m_jobRunning)
        return; // one report at a time; the progress window blocks input anyway
    if (!confirmProduceAgain())
        return;
    procMakeReportPart1();
    m_reproductionReason.clear();
}

// Edit and View only look the report folder up: opening a report must never create one.
void MainWindow::proc_Clicked_Edit()
{
    const QString folder = finishedReportFolder();
    if (!folder.isEmpty())
        showEditReport(QStringLiteral("%1/%2").arg(m_reportsDir, folder));
}

void MainWindow::proc_Clicked_View()
{
    const QString folder = finishedReportFolder();
    if (!folder.isEmpty())
        showViewReport(QStringLiteral("%1/%2").arg(m_reportsDir, folder));
}

void MainWindow::proc_Clicked_Refresh()
{
    Analys_TypeChanged_cb01(ui->cb_01->currentIndex());
}
