// Changes of a finished report (Apply, Default), looking reports up, and what a crash left.
#include "report/reportunit.h"
#include "config/languagetext.h"

#include "report/reportfiles.h"
#include "report/reporthtml.h"
#include "report/reportlock.h"
#include "report/syscalls.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <csignal>

namespace {

QString nothingSaved(unsigned char lang)
{
    return pickText(lang, "Nothing was saved.", "Ничего не сохранено.");
}

struct Field
{
    const char* key;
    QString ReportRecord::PrintValues::*value;
};

const Field kFields[] = {{"ProbeNamePrint", &ReportRecord::PrintValues::probeName},
                         {"ProbeIDPrint", &ReportRecord::PrintValues::probeId},
                         {"PatientPrint", &ReportRecord::PrintValues::patient},
                         {"ConclusionPrint", &ReportRecord::PrintValues::conclusion}};

// Who changed the field last, as the history tells it.
QString lastChange(const QString& folder, const char* key, unsigned char lang)
{
    const QList<History::Entry> entries = History::read(History::path(folder));
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->kind == History::Entry::Kind::Changed && it->field == QLatin1String(key))
            return (lang == 0 ? QStringLiteral("%1 at %2") : QString::fromUtf8("%1 в %2"))
                .arg(it->operatorName, History::displayTime(it->when));
    }
    return pickText(lang, "another workstation", "на другом рабочем месте");
}

} // namespace

Outcome ReportUnit::apply(const Change& change)
{
    const unsigned char lang = change.language;
    if (m_running)
        return Outcome{Failure::InUse,
                       pickText(lang, "A report is being produced. Try again when it has finished.",
                                "Идет формирование отчета. Повторите, когда оно закончится.")};
    const QString iniPath = change.reportFolder + QLatin1String("/report.ini");
    ReportLock lock(change.reportFolder);
    const Outcome locked = lockReport(lock, change.reportFolder, change.operatorName, lang);
    if (!locked.ok())
        return locked;
    FileWrite::Result r = ReportStage::recover(m_appDir, change.reportFolder);
    QByteArray base;
    if (r)
        r = loadRecord(iniPath, &base);
    if (r && !QFileInfo::exists(iniPath)) {
        r = FileWrite::failure(iniPath, Sys::reason(ENOENT), ENOENT);
        r.reading = true;
    }
    if (!r)
        return Outcome{Failure::WriteFailed,
                       FileWrite::message(r, lang) % QLatin1Char('\n') % nothingSaved(lang)};
    if (ReportRecord::readProducedTx(iniPath) != change.producedTx)
        return Outcome{
            Failure::ProducedAgain,
            pickText(lang,
                     "This analysis was produced again after the editor opened it. Nothing was "
                     "saved; the editor now shows the new report.",
                     "Этот анализ был сформирован заново после открытия редактора. Ничего не "
                     "сохранено; в редакторе показан новый отчет.")};

    const ReportRecord::PrintValues stored = ReportRecord::readPrint(iniPath);
    ReportRecord::PrintValues values = stored;
    QList<History::Entry> changes;
    const QDateTime now = QDateTime::currentDateTime();
    // The window must still show what is stored: a value changed elsewhere in the meantime
    // would otherwise be lost or contradicted without anyone seeing it.
    for (const Field& f : kFields) {
        if (stored.*f.value == change.shown.*f.value)
            continue;
        QString what = History::fieldLabel(QLatin1String(f.key), lang);
        if (lang == 0)
            what[0] = what[0].toLower(); // inside a sentence
        return Outcome{
            Failure::ChangedElsewhere,
            (lang == 0
                 ? QStringLiteral("The %1 of this report was changed by %2 after this window "
                                  "showed it. Nothing was saved; the window now shows the "
                                  "stored values.")
                 : QString::fromUtf8("Поле «%1» этого отчета изменено (%2) после того, как окно "
                                     "его показало. Ничего не сохранено; в окне показаны "
                                     "сохраненные значения."))
                .arg(what, lastChange(change.reportFolder, f.key, lang))};
    }
    // Only what the operator changed is written.
    for (const Field& f : kFields) {
        if (change.values.*f.value != change.shown.*f.value)
            values.*f.value = change.values.*f.value;
    }
    changes = History::changes(now, change.operatorName, stored, values);
    if (changes.isEmpty())
        return Outcome();
    return commitChange(change, values, changes, true, lock);
}

Outcome ReportUnit::rebuildPdf(const QString& reportFolder, unsigned char language)
{
    const QString name = QFileInfo(reportFolder).fileName();
    if (m_running || isFinished(name) ||
        !ReportRecord::readReportExist(reportFolder + QLatin1String("/report.ini")))
        return Outcome();
    Change change;
    change.reportFolder = reportFolder;
    change.language = language;
    ReportLock lock(reportFolder);
    const Outcome locked = lockReport(lock, reportFolder, QString(), language);
    if (!locked.ok())
        return locked;
    return commitChange(change,
                        ReportRecord::readPrint(reportFolder + QLatin1String("/report.ini")), {},
                        false, lock);
}

Outcome ReportUnit::commitChange(const Change& change, const ReportRecord::PrintValues& values,
                                 const QList<History::Entry>& changes, bool newVersion,
                                 ReportLock& lock)
{
    const unsigned char lang = change.language;
    const QString folder = change.reportFolder;
    const QString folderName = QFileInfo(folder).fileName();
    const QString iniPath = folder + QLatin1String("/report.ini");
    const auto failed = [&](const FileWrite::Result& r) {
        m_stage->discard();
        return Outcome{Failure::WriteFailed,
                       FileWrite::message(r, lang) % QLatin1Char('\n') % nothingSaved(lang)};
    };
    QByteArray base;
    FileWrite::Result r = loadRecord(iniPath, &base);
    if (!r)
        return failed(r);
    const QSettings record(iniPath, QSettings::IniFormat);
    const QString probeCode = record.value(QStringLiteral("ReportData/ProbeCode")).toString();
    const QString premade = ReportHtml::readTemplate(ReportFiles::premadePage(folder, probeCode));
    if (premade.isEmpty())
        return Outcome{
            Failure::NoPremade,
            pickText(
                lang,
                "The prepared report of this analysis could not be read, so its page and "
                "PDF cannot be made again.",
                "Не удалось прочитать заготовку отчета этого анализа, поэтому его страницу и PDF "
                "нельзя сформировать заново.") %
                QLatin1Char('\n') % nothingSaved(lang)};

    const bool wasReleased = isFinished(folderName);
    const QString pdf = pdfPath(folderName);
    int version = qMax(1, record.value(QStringLiteral("Report/Version"), 1).toInt());
    QDateTime releasedAt = record.value(QStringLiteral("Report/Released")).toDateTime();
    if (!releasedAt.isValid())
        releasedAt = QFileInfo(pdf).lastModified();
    const QDateTime now = QDateTime::currentDateTime();
    if (newVersion && wasReleased)
        ++version;

    r = m_stage->open(folder, newTransactionId());
    if (!r)
        return failed(r);
    ReportHtml::IdentityValues identity{values.probeName, values.probeId, values.patient,
                                        values.conclusion, QString()};
    if (version > 1 && newVersion)
        identity.amendment = amendmentLine(version, releasedAt, change.reason, lang);
    const QString page = ReportHtml::fillIdentity(premade, identity);
    if (newVersion && wasReleased) {
        // The released PDF is kept byte for byte, in place before the new one replaces it.
        QFile current(pdf);
        if (!current.open(QIODevice::ReadOnly)) {
            FileWrite::Result unreadable = FileWrite::failure(pdf, current.errorString());
            unreadable.reading = true;
            return failed(unreadable);
        }
        r = m_stage->putAt(ReportFiles::archivedVersion(folder, version - 1, now),
                           current.readAll());
        if (!r)
            return failed(r);
    }
    r = m_stage->put(QFileInfo(ReportFiles::finalPage(folder, probeCode)).fileName(),
                     FileWrite::crlf(page));
    if (!r)
        return failed(r);
    QString sha;
    Outcome printFailure;
    r = stagePdf(page, folder, pdf, lang, &sha, &printFailure);
    if (!printFailure.ok()) {
        m_stage->discard();
        return printFailure;
    }
    if (!r)
        return failed(r);
    const QList<History::Entry> entries = commitEntries(changes, version, sha, change.reason);
    const QString head = entries.isEmpty() ? ReportRecord::readHistoryHead(iniPath)
                                           : History::headAfter(History::path(folder), entries);
    r = stageRecord(*m_stage, iniPath, base, [&](QSettings& ini) {
        ReportRecord::putPrint(ini, values);
        ini.setValue(QStringLiteral("Report/PdfName"), QFileInfo(pdf).fileName());
        ini.setValue(QStringLiteral("Report/Version"), version);
        if (newVersion)
            ini.setValue(QStringLiteral("Report/Released"), now.toString(Qt::ISODate));
        if (!head.isEmpty())
            ini.setValue(QStringLiteral("Report/HistoryHead"), head);
    });
    if (!r)
        return failed(r);
    QStringList lines;
    for (const History::Entry& e : entries)
        lines << History::format(e);
    m_stage->addHistory(lines);
    if (!lock.isHeld()) {
        m_stage->discard();
        return Outcome{Failure::InUse,
                       pickText(lang,
                                "The lock of this report was broken by another workstation. "
                                "Nothing was saved.",
                                "Блокировку этого отчета сняли на другом рабочем месте. Ничего не "
                                "сохранено.")};
    }
    r = m_stage->commit();
    if (!r) {
        return Outcome{Failure::WriteFailed, FileWrite::message(r, lang) % QLatin1Char('\n') %
                                                 pickText(lang, "The report was left as it was.",
                                                          "Отчет оставлен без изменений.")};
    }
    emit pdfWritten(pdf, true);
    if (newVersion)
        emit released(folder);
    return Outcome();
}

void ReportUnit::recoverAll(const QString& operatorName, unsigned char language)
{
    const QStringList folders = QDir(m_reportsDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : folders) {
        const QString folder = reportFolderPath(name);
        if (!ReportStage::pending(folder) &&
            !QFileInfo::exists(folder + QLatin1Char('/') + ReportStage::StagingName))
            continue;
        // A change that another running instance is making is that instance's to finish.
        ReportLock lock(folder);
        if (lockReport(lock, folder, operatorName, language).ok())
            ReportStage::recover(m_appDir, folder);
    }
    // Temporary files of writes that a crash cut short.
    for (const QString& dir : QStringList{m_appDir, m_pdfDir, m_appDir + QLatin1String("/settings"),
                                          m_reportsDir + QLatin1String("/.pdfnames")})
        FileWrite::removeAbandonedTemps(dir);
    // Earlier versions printed into hidden files beside the PDF.
    const QFileInfoList printed =
        QDir(m_pdfDir).entryInfoList({QStringLiteral(".*.pdf")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : printed) {
        if (file.lastModified().secsTo(QDateTime::currentDateTime()) > 3600)
            QFile::remove(file.absoluteFilePath());
    }
}
