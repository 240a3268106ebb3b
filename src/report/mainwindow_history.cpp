// MainWindow slots of the report history: the File menu entry, its window, and the entry that
// a finished production writes.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "device/devicelink.h"
#include <QFileInfo>

#include "report/history.h"
#include "report/reportunit.h"
#include "windows/historyreport.h"

bool MainWindow::initHistory()
{
    if (m_history)
        return true;
    m_history = new historyReport();
    m_actionHistory = new QAction(
        m_lang == 0 ? QStringLiteral("History") : QString::fromUtf8("История отчета"), this);
    m_actionHistory->setObjectName(QStringLiteral("actionHistory"));
    m_actionHistory->setEnabled(false);
    // After Print current; the list enables it with Edit, which always goes with it.
    const QList<QAction*> entries = ui->menuFile->actions();
    ui->menuFile->insertAction(entries.value(entries.indexOf(ui->actionPrint_current) + 1),
                               m_actionHistory);
    connect(ui->actionEdit_current, &QAction::changed, m_actionHistory,
            [this] { m_actionHistory->setEnabled(ui->actionEdit_current->isEnabled()); });
    connect(m_actionHistory, &QAction::triggered, this, &MainWindow::proc_Clicked_History);
    return true;
}

void MainWindow::showHistory(QString folderN)
{
    m_history->setCurrent(m_unit->pdfPath(QFileInfo(folderN).fileName()),
                          ReportRecord::readVersion(folderN + QStringLiteral("/report.ini")),
                          ReportRecord::readHistoryHead(folderN + QStringLiteral("/report.ini")));
    m_history->ShowWindow(folderN);
    components_window();
    m_history->SetPosition(m_screenX, m_screenY);
    m_history->SetLang(m_lang);
}

void MainWindow::proc_Clicked_History()
{
    const QString folder = finishedReportFolder();
    if (!folder.isEmpty())
        showHistory(QStringLiteral("%1/%2").arg(m_reportsDir, folder));
}
