// MainWindow slots of the results sent to the laboratory information system (LIS): the outbox
// with its settings, the status bar entry, the "LIS messages" window, and the report that a
// finished production releases.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QLabel>
#include <QStatusBar>

#include "config/settings_common.h"
#include "report/lisoutbox.h"
#include "report/reportunit.h"
#include "windows/lismessages.h"

namespace {

QString notQueuedText(const FileWrite::Result& failure, unsigned char lang)
{
    return FileWrite::message(failure, lang) % QLatin1Char('\n') %
           (lang == 0
                ? QStringLiteral("The results of this report were not queued for the LIS.")
                : QString::fromUtf8("Результаты этого отчета не поставлены в очередь для ЛИС."));
}

} // namespace

void MainWindow::initLis()
{
    m_lisOutbox = new LisOutbox(m_appDir, this);
    m_lisMessages = new lisMessages(m_lisOutbox);
    m_lisMessages->setAttribute(Qt::WA_QuitOnClose, false);
    m_lisMessages->SetLang(m_lang);

    m_lisStatus = new QLabel(this);
    m_lisStatus->setObjectName(QStringLiteral("lisStatus"));
    m_lisStatus->hide();
    statusBar()->addPermanentWidget(m_lisStatus, 0);
    connect(m_lisOutbox, &LisOutbox::changed, this, &MainWindow::updateLisStatus);

    m_lisAction = new QAction(
        m_lang == 0 ? QStringLiteral("LIS messages") : QString::fromUtf8("Сообщения ЛИС"), this);
    m_lisAction->setObjectName(QStringLiteral("actionLisMessages"));
    ui->menuConfig->addAction(m_lisAction);
    connect(m_lisAction, &QAction::triggered, this, &MainWindow::showLisMessages);

    if (m_allSettings) {
        connect(m_allSettings, &settings_common::NewLis, this, &MainWindow::applyLisSettings);
        if (!m_allSettings->lisWarning().isEmpty())
            MessageBox::warning(ReadLocale(LocaleText::Attention), m_allSettings->lisWarning(),
                                ReadLocale(LocaleText::Ok));
    }
    applyLisSettings();
    updateLisStatus();
}

void MainWindow::applyLisSettings()
{
    const LisSettings s = m_allSettings ? m_allSettings->is_lis() : LisSettings();
    LisOutbox::Config c;
    c.toFolder = s.toFolder();
    c.toListener = s.toListener();
    c.folder = s.folder;
    c.host = s.host;
    c.port = static_cast<quint16>(s.port.toUInt());
    c.sendingFacility = s.sendingFacility;
    c.receivingApplication = s.receivingApplication;
    c.receivingFacility = s.receivingFacility;
    m_lisOutbox->setConfig(c);
}

void MainWindow::updateLisStatus()
{
    const QString text =
        LisOutbox::statusText(m_lisOutbox->waitingCount(), m_lisOutbox->failedCount(), m_lang);
    m_lisStatus->setText(text.isEmpty() ? text : QLatin1Char(' ') + text + QLatin1Char(' '));
    m_lisStatus->setVisible(!text.isEmpty());
}

void MainWindow::showLisMessages()
{
    components_window();
    m_lisMessages->SetPosition(m_screenX, m_screenY);
    m_lisMessages->ShowWindow();
}

void MainWindow::lisReportReleased(const LisReport& report)
{
    const FileWrite::Result queued = m_lisOutbox->enqueue(report);
    if (!queued)
        MessageBox::warning(ReadLocale(LocaleText::Attention), notQueuedText(queued, m_lang),
                            ReadLocale(LocaleText::Ok));
}

void MainWindow::lisReportFolderReleased(const QString& reportFolder)
{
    const LisOutbox::Config config = m_lisOutbox->config();
    if (!config.toFolder && !config.toListener)
        return;
    LisReport report;
    FileWrite::Result unread;
    bool noResults = false;
    const QString name = reportFolder.section(QLatin1Char('/'), -1);
    if (LisReports::fromReportFolder(reportFolder, m_unit->pdfPath(name), &report, &unread,
                                     &noResults)) {
        lisReportReleased(report);
        return;
    }
    MessageBox::warning(
        ReadLocale(LocaleText::Attention),
        noResults
            ? (m_lang == 0
                   ? QStringLiteral("The results of this report were not sent to the LIS: it was "
                                    "produced by an earlier version of the program, which did not "
                                    "keep them. Produce the report again to send them.")
                   : QString::fromUtf8(
                         "Результаты этого отчета не отправлены в ЛИС: отчет сформирован "
                         "прежней версией программы, которая их не сохраняла. "
                         "Сформируйте отчет заново, чтобы отправить их."))
            : notQueuedText(unread, m_lang),
        ReadLocale(LocaleText::Ok));
}
