// MainWindow slots of batch production: every analysis of the list without a report is
// activated and produced in turn, exactly as the operator would with New, without opening
// the report editor and without a message box per analysis; one summary comes at the end.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QTimer>

#include "app/messagebox.h"
#include "catalogue/mainwindow_listwidget.h"
#include "config/settingsstore.h"
#include "device/devicelink.h"
#include "windows/batchsummary.h"
#include "windows/progressinfo.h"

void MainWindow::connections_batch()
{
    if (m_batchAction)
        return;
    m_batchAction = new QAction(m_lang == 0 ? QStringLiteral("New for all listed")
                                            : QString::fromUtf8("Новые отчеты для списка"),
                                this);
    m_batchAction->setObjectName(QStringLiteral("actionMake_batch"));
    m_batchAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    m_batchAction->setEnabled(false);
    ui->menuFile->insertAction(ui->actionEdit_current, m_batchAction);
    connect(m_batchAction, &QAction::triggered, this, &MainWindow::proc_Clicked_NewBatch);
    connect(m_progress, &ProgressInfo::batchStopRequested, this, [this] { m_batch.requestStop(); });

    // Entries come, go and change colour through scanner passes, filters and finished
    // reports; the device flag through the checks. One look at the list per event loop turn.
    const auto due = [this] {
        if (m_batchActionDue)
            return;
        m_batchActionDue = true;
        QTimer::singleShot(0, this, &MainWindow::updateBatchAction);
    };
    QAbstractItemModel* model = ui->ListText->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, due);
    connect(model, &QAbstractItemModel::rowsRemoved, this, due);
    connect(model, &QAbstractItemModel::modelReset, this, due);
    connect(model, &QAbstractItemModel::dataChanged, this, due);
    connect(m_link, &DeviceLink::statusChanged, this, due);
    due();
}

QVector<BatchRun::Entry> MainWindow::pendingBatchEntries() const
{
    QVector<BatchRun::Entry> entries;
    for (int row = 0; row < ui->ListText->count(); ++row) {
        const QListWidgetItem* item = ui->ListText->item(row);
        BatchRun::Entry entry;
        entry.record = ListWidgetFill::recordOf(item);
        if (entry.record.state != QColor(Qt::magenta))
            continue;
        entry.label = item->text();
        entries.append(entry);
    }
    return entries;
}

void MainWindow::updateBatchAction()
{
    m_batchActionDue = false;
    if (!m_batchAction)
        return;
    bool pending = false;
    for (int row = 0; row < ui->ListText->count() && !pending; ++row)
        pending = ListWidgetFill::recordOf(ui->ListText->item(row)).state == QColor(Qt::magenta);
    m_batchAction->setEnabled(pending && m_link->deviceAvailable() && !m_batch.active());
}

void MainWindow::proc_Clicked_NewBatch()
{
    if (m_jobRunning || m_batch.active())
        return;
    if (!m_link->deviceAvailable()) {
        warn(LocaleText::HardwareUnavailable);
        return;
    }
    const QVector<BatchRun::Entry> entries = pendingBatchEntries();
    if (entries.isEmpty())
        return;
    const QString question = (m_lang == 0 ? QStringLiteral("Produce %1 reports?")
                                          : QString::fromUtf8("Сформировать отчетов: %1?"))
                                 .arg(entries.size());
    if (!MessageBox::question(SettingsStore::confirmTitle(m_lang), question,
                              SettingsStore::yesButton(m_lang), SettingsStore::noButton(m_lang)))
        return;
    m_batch.start(entries);
    updateBatchAction();
    startNextInBatch();
}

void MainWindow::startNextInBatch()
{
    const BatchRun::Entry* entry = m_batch.next();
    if (!entry) {
        endBatch();
        return;
    }
    if (!m_link->deviceAvailable()) {
        // A check has found another device or none: every analysis would meet the same.
        m_batch.recordFailure(ReadLocale(LocaleText::HardwareUnavailable),
                              Failure::DeviceUnreachable);
        startNextInBatch();
        return;
    }
    QListWidgetItem* item = nullptr;
    for (int row = 0; row < ui->ListText->count() && !item; ++row) {
        const FolderRecord record = ListWidgetFill::recordOf(ui->ListText->item(row));
        if (record.name == entry->record.name && record.path == entry->record.path)
            item = ui->ListText->item(row);
    }
    if (!item) {
        m_batch.recordFailure(m_lang == 0 ? QStringLiteral("The analysis is no longer in the list.")
                                          : QString::fromUtf8("Анализа больше нет в списке."),
                              Failure::Cancelled);
        QTimer::singleShot(0, this, &MainWindow::startNextInBatch);
        return;
    }
    // What the operator would do: activate the entry, then New.
    proc_ListText_Clicked(ui->ListText->model()->index(ui->ListText->row(item), 0));
    ui->ListText->scrollToItem(item);
    m_progress->setBatch(m_batch.position(), m_batch.count(), entry->label);
    m_newReport = true;
    procMakeReportPart1();
}

void MainWindow::batchProductionEnded(const Outcome& outcome)
{
    if (outcome.ok())
        m_batch.recordDone();
    else
        m_batch.recordFailure(outcome.message, outcome.failure);
    // Next turn of the event loop: the ended run's callers unwind first.
    QTimer::singleShot(0, this, &MainWindow::startNextInBatch);
}

void MainWindow::endBatch()
{
    m_progress->initStage(10);
    m_progress->clearBatch();
    if (!m_batchSummary)
        m_batchSummary = new BatchSummary(this);
    components_window();
    m_batchSummary->SetCoord(m_screenX, m_screenY);
    m_batchSummary->showRun(m_batch, m_lang);
    updateBatchAction();
    emit batchFinished();
}
