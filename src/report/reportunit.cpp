// Report production: the steps from the analysis folder to the committed report.
#include "report/reportunit.h"
#include "config/languagetext.h"

#include "report/exportreader.h"
#include "report/history.h"
#include "report/lisreport.h"
#include "report/markertable.h"
#include "report/pageprinter.h"
#include "report/reportfiles.h"
#include "report/reporthtml.h"
#include "report/reportlock.h"
#include "report/syscalls.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUuid>

ReportUnit::ReportUnit(const QString& appDir, PagePrinter* printer, QObject* parent)
    : QObject(parent)
    , m_appDir(appDir)
    , m_reportsDir(appDir + QLatin1String("/reports"))
    , m_pdfDir(appDir + QLatin1String("/reportsPDF"))
    , m_templatesDir(appDir + QLatin1String("/docs"))
    , m_printer(printer)
    , m_stage(std::make_unique<ReportStage>(appDir))
{}

ReportUnit::~ReportUnit() = default;

void ReportUnit::reach(Checkpoint checkpoint)
{
    m_job.checkpoint = checkpoint;
    setCheckpoint(int(checkpoint));
}

void ReportUnit::setCheckpoint(int number)
{
    Breadcrumb::save(m_appDir, number);
}

QString ReportUnit::newTransactionId() const
{
    return QUuid::createUuid().toString(QUuid::Id128).left(16);
}

Outcome ReportUnit::stop(Failure failure, const QString& message)
{
    endJob();
    return Outcome{failure, message};
}

Outcome ReportUnit::stopWrite(const FileWrite::Result& result)
{
    const QString consequence =
        m_job.wasReleased
            ? pickText(m_job.language, "The finished report was left as it was.",
                       "Готовый отчет оставлен без изменений.")
            : pickText(m_job.language, "The report was not completed and is not marked as done.",
                       "Отчет не сформирован и не отмечен как готовый.");
    return stop(Failure::WriteFailed,
                FileWrite::message(result, m_job.language) % QLatin1Char('\n') % consequence);
}

void ReportUnit::endJob()
{
    m_stage->discard();
    m_lock.reset();
    m_running = false;
}

Outcome ReportUnit::begin(const Request& request)
{
    m_stage->discard();
    m_job = ReportJob();
    m_job.folderName = request.folderName;
    m_job.folderPath = request.folderPath;
    m_job.operatorName = request.operatorName;
    m_job.typeCode = request.typeCode;
    m_job.language = request.language;
    m_job.reason = request.reason;
    m_running = true;
    reach(Checkpoint::Started);
    reach(Checkpoint::ProgressShown);

    FileWrite::Result r = claimFolder(m_job.folderName, m_job.folderPath, &m_job.reportFolderName);
    if (!r)
        return stopWrite(r);
    m_job.reportFolder = reportFolderPath(m_job.reportFolderName);
    m_lock = std::make_unique<ReportLock>(m_job.reportFolder);
    const Outcome locked =
        lockReport(*m_lock, m_job.reportFolder, m_job.operatorName, m_job.language);
    if (!locked.ok())
        return stop(locked.failure, locked.message);
    r = ReportStage::recover(m_appDir, m_job.reportFolder);
    if (!r)
        return stopWrite(r);
    reach(Checkpoint::FolderChosen);

    const QString iniPath = ReportRecord::iniPath(m_reportsDir, m_job.reportFolderName);
    r = loadRecord(iniPath, &m_recordBytes);
    if (!r)
        return stopWrite(r);
    const QSettings record(iniPath, QSettings::IniFormat);
    const bool legacyDone = record.value(QStringLiteral("General/ReportExist"), false).toBool();
    m_job.wasReleased = isFinished(m_job.reportFolderName);
    int base = record.value(QStringLiteral("Report/Version"), 0).toInt();
    if (base <= 0)
        base = m_job.wasReleased ? 1 : 0;
    m_job.version = base + 1;
    m_job.releasedAt = record.value(QStringLiteral("Report/Released")).toDateTime();
    if (!m_job.releasedAt.isValid() && m_job.wasReleased)
        m_job.releasedAt = QFileInfo(pdfPath(m_job.reportFolderName)).lastModified();
    m_job.pdfName = record.value(QStringLiteral("Report/PdfName")).toString();
    if (m_job.pdfName.isEmpty() || m_job.pdfName.contains(QLatin1Char('/'))) {
        const bool ownsLegacy = legacyDone && m_job.wasReleased;
        r = ReportFiles::claimPdfName(m_reportsDir, m_pdfDir, m_job.reportFolderName, ownsLegacy,
                                      &m_job.pdfName);
        if (!r)
            return stopWrite(r);
    }
    reach(Checkpoint::RecordReady);

    const QString exportPath =
        QStringLiteral("%1/%2/epatemp.txt").arg(m_job.folderPath, m_job.folderName);
    m_job.exportData.sourceText = ExportReader::readSource(exportPath);
    reach(Checkpoint::ExportRead);

    m_job.transactionId = newTransactionId();
    r = m_stage->open(m_job.reportFolder, m_job.transactionId);
    if (r)
        r = m_stage->put(QStringLiteral("RawData.txt"),
                         FileWrite::crlf(m_job.exportData.sourceText));
    if (!r)
        return stopWrite(r);
    reach(Checkpoint::RawDataCopied);

    // The caller words this one from the interface text table.
    if (!ExportReader::hasLanguageMarker(m_job.exportData.sourceText))
        return stop(Failure::ForeignExport, QString());
    reach(Checkpoint::LanguageChecked);
    ExportReader::splitLines(m_job.exportData);
    reach(Checkpoint::LinesSplit);

    readData();
    if (m_job.refusal.problem != ExportReader::Problem::None) {
        // An incomplete export would send values that are not there, a value out of range
        // a wrapped one; refuse it like a foreign one, naming the analysis and the fault.
        return stop(Failure::ExportRefused,
                    ExportReader::problemMessage(m_job.refusal, exportPath, m_job.language));
    }
    reach(Checkpoint::ExportParsed);
    emit stageAdvanced();

    chooseSample();
    reach(Checkpoint::SampleChosen);
    buildTable();
    reach(Checkpoint::TableBuilt);
    return Outcome();
}

void ReportUnit::readData()
{
    m_job.refusal = ExportReader::readData(m_job.exportData, m_job.folderName, m_job.operatorName);
}

void ReportUnit::chooseSample()
{
    m_job.samplePhrase = Markers::samplePhrase(m_job.typeCode, m_job.language);
    m_job.templateType = Markers::templateType(m_job.typeCode);
}

void ReportUnit::buildTable()
{
    m_job.markers = Markers::buildTable(m_job.typeCode, m_job.language);
}

void ReportUnit::postCalc()
{
    Markers::postCalc(m_job.markers);
}

Outcome ReportUnit::deviceFailed(Failure failure)
{
    if (!m_running)
        return Outcome{failure, QString()};
    return stop(failure, QString());
}

Outcome ReportUnit::resultsIn(const QVector<double>& results, const QVector<double>& norms,
                              qint32 deviceSerial, unsigned char deviceVersion)
{
    if (!m_running || !m_stage->isOpen())
        return Outcome{Failure::Cancelled, QString()};
    for (int k = 0; k < DeviceMarkerCount && k < m_job.markers.size(); ++k) {
        m_job.markers[k].result = results.value(k);
        m_job.markers[k].norm = norms.value(k);
    }
    m_job.deviceSerial = deviceSerial;
    m_job.deviceVersion = deviceVersion;
    reach(Checkpoint::ResultsIn);
    FileWrite::Result r = saveCalc();
    if (!r)
        return stopWrite(r);
    reach(Checkpoint::CalculationSaved);
    postCalc();
    reach(Checkpoint::ResultsRounded);
    emit stageAdvanced();

    if (!(r = writePremade()))
        return stopWrite(r);
    reach(Checkpoint::PremadeWritten);
    if (!(r = writeFullTable()))
        return stopWrite(r);
    // What the report prints, kept for the versions that follow.
    if (!(r = m_stage->put(
              QStringLiteral("results.tsv"),
              LisReports::resultsFile(LisReports::printedMarkers(m_job.markers, m_job.typeCode)))))
        return stopWrite(r);
    reach(Checkpoint::FullTableWritten);
    if (!(r = writeFinal()))
        return stopWrite(r);
    reach(Checkpoint::FinalWritten);
    emit stageAdvanced();

    QString sha;
    Outcome printFailure;
    const QString folder = m_job.reportFolder;
    const QDateTime now = QDateTime::currentDateTime();
    if (m_job.wasReleased) {
        // The released PDF is kept byte for byte, in place before the new one replaces it.
        const QString current = pdfPath(m_job.reportFolderName);
        QFile old(current);
        if (!old.open(QIODevice::ReadOnly)) {
            r = FileWrite::failure(current, old.errorString());
            r.reading = true;
            return stopWrite(r);
        }
        r = m_stage->putAt(ReportFiles::archivedVersion(folder, m_job.version - 1, now),
                           old.readAll());
        if (!r)
            return stopWrite(r);
    }
    const QString finalName =
        QFileInfo(ReportFiles::finalPage(folder, m_job.exportData.probeCode)).fileName();
    r = stagePdf(QString::fromUtf8(m_stage->staged(finalName)),
                 m_stage->stagingDir() + QLatin1String("/new"),
                 m_pdfDir + QLatin1Char('/') + m_job.pdfName, m_job.language, &sha, &printFailure);
    if (!printFailure.ok())
        return stop(printFailure.failure, printFailure.message);
    if (!r)
        return stopWrite(r);
    reach(Checkpoint::PdfWritten);

    const ReportJob& job = m_job;
    const QList<History::Entry> entries =
        commitEntries({History::produced(now, job.operatorName, job.typeCode, job.deviceSerial,
                                         job.deviceVersion, job.folderPath, job.folderName)},
                      job.version, sha, job.reason);
    const QString head = History::headAfter(History::path(folder), entries);
    r = stageRecord(
        *m_stage, ReportRecord::iniPath(m_reportsDir, job.reportFolderName), m_recordBytes,
        [&](QSettings& ini) {
            ReportRecord::putReportExist(ini);
            ini.beginGroup(QStringLiteral("Report"));
            ini.setValue(QStringLiteral("FolderName"), job.folderName);
            ini.setValue(QStringLiteral("PdfName"), job.pdfName);
            ini.setValue(QStringLiteral("Version"), job.version);
            ini.setValue(QStringLiteral("Released"), now.toString(Qt::ISODate));
            ini.setValue(QStringLiteral("Produced"), job.transactionId);
            ini.setValue(QStringLiteral("Language"), int(job.language));
            ini.setValue(QStringLiteral("TypeCode"), int(job.typeCode));
            ini.setValue(QStringLiteral("AnalysisDate"),
                         QStringLiteral("%1.%2.%3")
                             .arg(job.exportData.day, job.exportData.month, job.exportData.year));
            ini.setValue(QStringLiteral("HistoryHead"), head);
            ini.endGroup();
        });
    if (!r)
        return stopWrite(r);
    for (const History::Entry& e : entries)
        m_stage->addHistory({History::format(e)});
    if (!m_lock->isHeld())
        return stop(Failure::InUse,
                    pickText(m_job.language,
                             "The lock of this report was broken by another workstation. "
                             "The report was not changed.",
                             "Блокировку этого отчета сняли на другом рабочем месте. Отчет не "
                             "изменен."));
    r = m_stage->commit();
    if (!r)
        return stopWrite(r);
    reach(Checkpoint::Committed);
    m_lock.reset();
    m_running = false;
    emit pdfWritten(m_pdfDir + QLatin1Char('/') + m_job.pdfName, true);
    emit released(m_job.reportFolder);
    return Outcome();
}

void ReportUnit::finished()
{
    reach(Checkpoint::Finished);
}

FileWrite::Result ReportUnit::saveCalc()
{
    const ReportJob& job = m_job;
    return editRecord([&](QSettings& ini) {
        ReportRecord::putCalculation(ini, job.exportData.probeCode, job.reportFolderName,
                                     job.samplePhrase, job.exportData.patient);
    });
}

FileWrite::Result ReportUnit::editRecord(const std::function<void(QSettings&)>& edit)
{
    QByteArray bytes;
    const FileWrite::Result r =
        FileWrite::iniBytes(m_stage->stagingDir(), m_recordBytes, edit, &bytes);
    if (!r)
        return FileWrite::failure(ReportRecord::iniPath(m_reportsDir, m_job.reportFolderName),
                                  r.reason, r.error);
    m_recordBytes = bytes;
    return r;
}

namespace {

ReportHtml::PremadeParams premadeParams(const ReportJob& job)
{
    ReportHtml::PremadeParams p;
    p.operatorName = job.exportData.reportOperator;
    p.day = job.exportData.day;
    p.month = job.exportData.month;
    p.year = job.exportData.year;
    p.probeCode = job.exportData.probeCode;
    p.templateType = job.templateType;
    p.typeCode = job.typeCode;
    p.language = job.language;
    return p;
}

} // namespace

FileWrite::Result ReportUnit::writePremade()
{
    const QString page = ReportHtml::readTemplate(
        ReportHtml::templatePath(m_templatesDir, m_job.templateType, m_job.language));
    const QString filled = ReportHtml::fillPremade(page, m_job.markers, premadeParams(m_job));
    // The conclusion names the markers the filling has just marked.
    const QString conclusion =
        ReportHtml::conclusion(m_job.markers, m_job.typeCode, m_job.language);
    FileWrite::Result r =
        editRecord([&](QSettings& ini) { ReportRecord::putConclusion(ini, conclusion); });
    if (!r)
        return r;
    r = m_stage->put(
        QFileInfo(ReportFiles::premadePage(m_job.reportFolder, m_job.exportData.probeCode))
            .fileName(),
        FileWrite::crlf(filled));
    if (!r)
        return r;
    const FileWrite::Result chart = writeChart(m_job.templateType == 2 ? 1 : 0);
    if (!chart || m_job.templateType != 3)
        return chart;
    return writeChart(2);
}

FileWrite::Result ReportUnit::writeFullTable()
{
    const QString page = ReportHtml::readTemplate(
        ReportHtml::fullTableTemplatePath(m_templatesDir, m_job.templateType));
    // The full table gets its own copy: its order must not disturb the report's marks.
    MarkerTable table = m_job.markers;
    return m_stage->put(
        QFileInfo(ReportFiles::fullTablePage(m_job.reportFolder, m_job.exportData.probeCode))
            .fileName(),
        FileWrite::crlf(ReportHtml::fillFullTable(page, table, premadeParams(m_job))));
}

FileWrite::Result ReportUnit::writeChart(int typeImage)
{
    const QString path =
        ReportFiles::chart(m_job.reportFolder, m_job.exportData.probeCode, typeImage);
    const QByteArray encoded =
        FileWrite::encodeImage(m_printer->chart(typeImage, m_job.markers), path);
    if (encoded.isEmpty())
        return FileWrite::failure(path, Sys::reason(EINVAL), EINVAL);
    return m_stage->put(QFileInfo(path).fileName(), encoded);
}

FileWrite::Result ReportUnit::writeFinal()
{
    const QString code = m_job.exportData.probeCode;
    const QString premade = QString::fromUtf8(
        m_stage->staged(QFileInfo(ReportFiles::premadePage(m_job.reportFolder, code)).fileName()));
    ReportHtml::IdentityValues values;
    values.probeName = m_job.samplePhrase;
    values.probeId = code;
    values.patient = m_job.exportData.patient;
    values.conclusion = ReportHtml::conclusion(m_job.markers, m_job.typeCode, m_job.language);
    if (m_job.version > 1)
        values.amendment =
            amendmentLine(m_job.version, m_job.releasedAt, m_job.reason, m_job.language);
    return m_stage->put(QFileInfo(ReportFiles::finalPage(m_job.reportFolder, code)).fileName(),
                        FileWrite::crlf(ReportHtml::fillIdentity(premade, values)));
}
