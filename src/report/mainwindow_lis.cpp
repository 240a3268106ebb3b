// MainWindow slots of the results sent to the laboratory information system (LIS): the outbox
// with its settings, the status bar entry, the "LIS messages" window, and the report that a
// finished production releases.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QLabel>
#include <QStatusBar>

#include "catalogue/sampletypes.h"
#include "config/settings_common.h"
#include "report/history.h"
#include "report/lisoutbox.h"
#include "report/reporthtml.h"
#include "report/reportrecord.h"
#include "windows/lismessages.h"

namespace {

// The report's material in its language without the code in brackets: "Blood", "Кровь".
QString materialName(unsigned char typeCode, unsigned char lang)
{
    QString name = SampleTypes::name(typeCode, lang);
    const int bracket = name.lastIndexOf(QLatin1String(" ("));
    return bracket > 0 ? name.left(bracket) : name;
}

// The results of a report as printed: its 57 markers in display order, each marked as the
// report marks it (the feces report marks none).
QVector<LisMarker> printedMarkers(const MarkerTable& table, unsigned char typeCode)
{
    QVector<LisMarker> markers;
    for (int p = 0; p < DeviceMarkerCount; ++p) {
        const int row = displayOrder().at(p);
        if (row >= table.size())
            continue;
        const MarkerRow& m = table.at(row);
        markers.append({row, m.name, ReportHtml::resultText(m.result),
                        ReportHtml::formatNumber(m.norm),
                        m.highlighted && typeCode != ReportHtml::FecesTypeCode});
    }
    return markers;
}

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

bool MainWindow::lisReportFromProduction(const QString& pdfPath, LisReport* report)
{
    const LisOutbox::Config config = m_lisOutbox->config();
    if (!config.toFolder && !config.toListener)
        return false;
    QFile pdf(pdfPath);
    if (!pdf.open(QIODevice::ReadOnly)) {
        FileWrite::Result unread = FileWrite::failure(pdfPath, pdf.errorString());
        unread.reading = true;
        MessageBox::warning(ReadLocale(LocaleText::Attention), notQueuedText(unread, m_lang),
                            ReadLocale(LocaleText::Ok));
        return false;
    }
    report->pdf = pdf.readAll();

    const ReportRecord::PrintValues print = ReportRecord::readPrint(reportsIniPath());
    report->reportFolder = m_reportFolderName;
    report->analysisCode = print.probeId;
    report->patient = print.patient;
    report->conclusion =
        QString(print.conclusion).replace(QLatin1String("<br>"), QLatin1String("\n"));
    report->sampleCode =
        m_typeCode < SampleTypes::Count ? SampleTypes::table().at(m_typeCode).code : QString();
    report->sampleName = materialName(m_typeCode, m_lang);
    report->analysisDay = m_export.day;
    report->analysisMonth = m_export.month;
    report->analysisYear = m_export.year;
    report->reportTime = QDateTime::currentDateTime();
    report->language = m_lang;
    report->markers = printedMarkers(m_markers, m_typeCode);
    // A report produced again replaces the one the LIS has: a correction.
    int produced = 0;
    for (const History::Entry& e :
         History::read(History::path(m_reportsDir + QLatin1Char('/') + m_reportFolderName)))
        produced += e.kind == History::Entry::Kind::Produced ? 1 : 0;
    report->version = qMax(1, produced);
    return true;
}
