// The report unit's support: locks, history entries, records, the PDF and looking reports up.
#include "report/reportunit.h"
#include "config/languagetext.h"

#include "report/history.h"
#include "report/pageprinter.h"
#include "report/reportfiles.h"
#include "report/reportlock.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The printer writes into memory: what reaches the disk is written, synced and checked here.
class MemoryFile
{
  public:
    MemoryFile()
        : m_fd(::memfd_create("report-pdf", MFD_CLOEXEC))
    {}
    ~MemoryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool valid() const { return m_fd >= 0; }
    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }
    QByteArray contents() const
    {
        QByteArray out;
        char buffer[65536];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, at);
            if (n <= 0)
                return out;
            out.append(buffer, int(n));
            at += n;
        }
    }

  private:
    int m_fd;
};

} // namespace

Outcome ReportUnit::lockReport(ReportLock& lock, const QString& folder, const QString& operatorName,
                               unsigned char language)
{
    const QString nothing = pickText(language, "Nothing was written.", "Ничего не записано.");
    switch (lock.tryAcquire(operatorName)) {
    case ReportLock::State::Acquired:
        return Outcome();
    case ReportLock::State::HeldByOther:
        return Outcome{Failure::InUse, ReportLock::inUseMessage(lock.holder(), language) %
                                           QLatin1Char('\n') % nothing};
    case ReportLock::State::Failed:
        return Outcome{Failure::WriteFailed,
                       FileWrite::message(lock.error(), language) % QLatin1Char('\n') % nothing};
    case ReportLock::State::Stale:
        break;
    }
    const ReportLock::Holder seen = lock.holder();
    if (!m_confirm || !m_confirm(ReportLock::staleQuestion(seen, language)))
        return Outcome{Failure::Cancelled, QString()};
    if (!lock.breakStale(seen) || lock.tryAcquire(operatorName) != ReportLock::State::Acquired)
        return Outcome{Failure::InUse, ReportLock::inUseMessage(lock.holder(), language) %
                                           QLatin1Char('\n') % nothing};
    const FileWrite::Result recorded = recordLockBreak(
        folder, History::lockBroken(QDateTime::currentDateTime(), operatorName, seen.operatorName,
                                    seen.host, seen.pid, seen.started));
    if (!recorded) {
        lock.release();
        return Outcome{Failure::WriteFailed,
                       FileWrite::message(recorded, language) % QLatin1Char('\n') % nothing};
    }
    return Outcome();
}

FileWrite::Result ReportUnit::recordLockBreak(const QString& folder, const History::Entry& entry)
{
    // Finished first: the broken holder may have been in the middle of a commit.
    FileWrite::Result r = ReportStage::recover(m_appDir, folder);
    ReportStage stage(m_appDir);
    if (r)
        r = stage.open(folder, newTransactionId());
    if (!r)
        return r;
    const QList<History::Entry> entries = History::inTransaction({entry}, stage.transactionId());
    const QString iniPath = folder + QLatin1String("/report.ini");
    if (QFileInfo::exists(iniPath)) {
        QByteArray base;
        r = loadRecord(iniPath, &base);
        const QString head = History::headAfter(History::path(folder), entries);
        if (r)
            r = stageRecord(stage, iniPath, base, [&](QSettings& ini) {
                ini.setValue(QStringLiteral("Report/HistoryHead"), head);
            });
        if (!r)
            return r;
    }
    stage.addHistory({History::format(entries.first())});
    return stage.commit();
}

QList<History::Entry> ReportUnit::commitEntries(QList<History::Entry> entries, int version,
                                                const QString& sha256, const QString& reason)
{
    for (History::Entry& e : entries) {
        e.reportVersion = version;
        e.pdf = sha256;
        e.reason = reason;
    }
    return History::inTransaction(entries, m_stage->transactionId());
}

FileWrite::Result ReportUnit::loadRecord(const QString& iniPath, QByteArray* bytes)
{
    bytes->clear();
    const FileWrite::Result readable = FileWrite::checkIniReadable(iniPath, false);
    if (!readable)
        return readable;
    QFile f(iniPath);
    if (f.exists() && !f.open(QIODevice::ReadOnly)) {
        FileWrite::Result r = FileWrite::failure(iniPath, f.errorString());
        r.reading = true;
        return r;
    }
    *bytes = f.exists() ? f.readAll() : QByteArray();
    return FileWrite::success();
}

QString ReportUnit::amendmentLine(int version, const QDateTime& replaced, const QString& reason,
                                  unsigned char language) const
{
    const QString when = replaced.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    return (language == 0 ? QStringLiteral(
                                "Amended report, version %1. Replaces the report of %2. Reason: %3")
                          : QString::fromUtf8(
                                "Исправленный отчет, версия %1. Заменяет отчет от %2. Причина: %3"))
        .arg(QString::number(version), when, reason);
}

FileWrite::Result ReportUnit::stagePdf(const QString& html, const QString& baseDir,
                                       const QString& target, unsigned char language,
                                       QString* sha256, Outcome* printFailure)
{
    MemoryFile memory;
    QString reason;
    if (!memory.valid())
        return FileWrite::fromErrno(target, errno);
    if (!m_printer->print(html, baseDir, memory.path(), &reason)) {
        printFailure->failure = Failure::PageNotPrinted;
        printFailure->message =
            (language == 0
                 ? QStringLiteral("The report page could not be printed (%1), so no PDF was made.")
                 : QString::fromUtf8(
                       "Не удалось напечатать страницу отчета (%1), поэтому PDF не создан."))
                .arg(reason) %
            QLatin1Char('\n') %
            (m_job.wasReleased || !m_running
                 ? pickText(language, "The finished report was left as it was.",
                            "Готовый отчет оставлен без изменений.")
                 : pickText(language, "The report was not completed and is not marked as done.",
                            "Отчет не сформирован и не отмечен как готовый."));
        return FileWrite::failure(target, reason, EIO);
    }
    const QByteArray pdf = memory.contents();
    if (!ReportFiles::pdfComplete(pdf))
        return FileWrite::failure(
            target, pickText(language, "the printed PDF is incomplete", "напечатанный PDF неполон"),
            EIO);
    const FileWrite::Result r = m_stage->putAt(target, pdf);
    if (!r)
        return r;
    // Read back from the disk, not from what was handed to the write.
    if (m_stage->stagedAt(target) != pdf)
        return FileWrite::failure(
            target,
            pickText(language, "the PDF written cannot be read back", "записанный PDF не читается"),
            EIO);
    *sha256 =
        QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toHex());
    return r;
}

FileWrite::Result ReportUnit::stageRecord(ReportStage& stage, const QString& iniPath,
                                          const QByteArray& base,
                                          const std::function<void(QSettings&)>& edit)
{
    QByteArray bytes;
    const FileWrite::Result r = FileWrite::iniBytes(stage.stagingDir(), base, edit, &bytes);
    if (!r)
        return FileWrite::failure(iniPath, r.reason, r.error);
    return stage.put(ReportStage::RecordName, bytes);
}

FileWrite::Result ReportUnit::claimFolder(const QString& folderName, const QString& folderPath,
                                          QString* reportFolderName)
{
    return ReportRecord::chooseFolder(m_reportsDir, folderName, folderPath, reportFolderName);
}

QString ReportUnit::reportFolderPath(const QString& reportFolderName) const
{
    return m_reportsDir + QLatin1Char('/') + reportFolderName;
}

QString ReportUnit::pdfPath(const QString& reportFolderName) const
{
    return ReportFiles::pdfPath(m_pdfDir, reportFolderName,
                                ReportRecord::iniPath(m_reportsDir, reportFolderName));
}

bool ReportUnit::isFinished(const QString& reportFolderName) const
{
    return !reportFolderName.isEmpty() &&
           ReportRecord::readReportExist(ReportRecord::iniPath(m_reportsDir, reportFolderName)) &&
           ReportFiles::pdfFileComplete(pdfPath(reportFolderName));
}
