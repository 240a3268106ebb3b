#include "thread_func.h"

#include "catalogue/dirwatch.h"
#include "catalogue/passschedule.h"
#include "report/reportfiles.h"
#include "report/reportstage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSettings>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString joinPath(const QString& dir, const QString& name)
{
    return QString(dir % QLatin1Char('/') % name);
}

bool isAnalysisFolderName(const QString& name)
{
    return name.endsWith(QLatin1String(".D"), Qt::CaseSensitive);
}

} // namespace

Thread_Func::Thread_Func(QObject* parent)
    : QThread(parent)
    , m_watch(new DirWatch(this))
    , m_schedule(new PassSchedule(this))
{
    // Queued: finished() is emitted on the scanner thread; what the pass found is taken up
    // on the owning thread once the pass is really over.
    connect(this, &QThread::finished, this, &Thread_Func::passEnded, Qt::QueuedConnection);
    connect(m_watch, &DirWatch::changed, m_schedule, &PassSchedule::changeNoticed);
    connect(m_schedule, &PassSchedule::due, this, &Thread_Func::startPendingPass);
}

Thread_Func::~Thread_Func()
{
    stopProcess();
    wait();
}

bool Thread_Func::release(Thread_Func* scanner, int timeoutMs)
{
    scanner->stopProcess();
    if (scanner->wait(static_cast<unsigned long>(qMax(0, timeoutMs)))) {
        delete scanner;
        return true;
    }
    // Deleting a running thread would abort the program.
    scanner->disconnect();
    return false;
}

void Thread_Func::startProcess(QString folder_path, QString reports_path, bool deep)
{
    QMutexLocker locker(&m_lock);
    m_pending = true;
    m_pendingFolderPath = folder_path;
    m_pendingReportsPath = reports_path;
    m_pendingDeep = deep;
    if (isRunning() || !m_endHandled)
        return; // taken up once the end of the running pass has been handled
    locker.unlock();
    takeRequest();
}

void Thread_Func::takeRequest()
{
    QMutexLocker locker(&m_lock);
    if (!m_pending)
        return;
    const bool sameTree = m_passes > 0 && m_pendingFolderPath == m_folderPath &&
                          m_pendingReportsPath == m_reportsPath && m_pendingDeep == m_deep;
    locker.unlock();
    if (sameTree)
        m_schedule->hold();
    else
        startPendingPass();
}

void Thread_Func::startPendingPass()
{
    QMutexLocker locker(&m_lock);
    if (!m_pending || isRunning() || !m_endHandled)
        return;
    m_pending = false;
    if (m_pendingFolderPath != m_folderPath || m_pendingDeep != m_deep ||
        m_pendingReportsPath != m_reportsPath) {
        m_watchRefused = false;
        m_lastSawShare = false;
    }
    m_folderPath = m_pendingFolderPath;
    m_reportsPath = m_pendingReportsPath;
    m_pdfPath = QFileInfo(m_reportsPath).path() + QLatin1String("/reportsPDF");
    m_deep = m_pendingDeep;
    m_stop.store(false);
    locker.unlock();
    m_useWatch = !m_watchRefused && !m_lastSawShare && m_watch->open();
    m_schedule->passStarted();
    ++m_passes;
    start(QThread::InheritPriority);
}

void Thread_Func::passEnded()
{
    if (m_watchFailed)
        m_watchRefused = true;
    m_lastSawShare = m_sawShare;
    const bool watching = m_useWatch && !m_watchFailed && !m_sawShare;
    if (!watching)
        m_watch->close();
    m_schedule->setWatching(watching);
    // Whoever is connected to finished() after this object, the main window among them, handles
    // the end of this pass before the next one may start and change what they read.
    m_endHandled = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_endHandled = true;
            takeRequest();
        },
        Qt::QueuedConnection);
}

void Thread_Func::setSafetyInterval(int ms)
{
    m_schedule->setSafetyInterval(ms);
}

void Thread_Func::setWatchLimit(int directories)
{
    m_watch->setLimit(directories);
}

bool Thread_Func::isWatching() const
{
    return m_schedule->watching();
}

bool Thread_Func::hasPendingStart() const
{
    QMutexLocker locker(&m_lock);
    return m_pending;
}

void Thread_Func::stopProcess()
{
    QMutexLocker locker(&m_lock);
    m_stop.store(true);
    m_pending = false;
}

void Thread_Func::run()
{
    m_cache.beginPass();
    if (m_useWatch)
        m_watch->beginPass();
    m_watchFailed = false;
    m_sawShare = false;
    m_descent.clear();
    m_reportDirsAge.invalidate();
    watchNearest(m_reportsPath);
    watchNearest(m_pdfPath);
    if (m_deep)
        CyclicSearchProc(m_folderPath);
    else
        SingleSearchProc(m_folderPath);
    // A data directory made later shows in the folder that will hold it.
    if (m_useWatch && !QFileInfo::exists(m_folderPath))
        watchNearest(m_folderPath);
    const bool complete = !stopRequested();
    m_cache.endPass(complete);
    if (m_useWatch)
        m_watch->endPass(complete);
}

void Thread_Func::watch(const QString& dir)
{
    if (m_useWatch && !m_watchFailed && m_watch->watch(QFile::encodeName(dir)) == DirWatch::Failed)
        m_watchFailed = true;
}

void Thread_Func::watchNearest(QString dir)
{
    while (m_useWatch && !m_watchFailed) {
        const DirWatch::Result result = m_watch->watch(QFile::encodeName(dir));
        m_watchFailed = result == DirWatch::Failed;
        if (result != DirWatch::Missing)
            return;
        const int slash = dir.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return;
        dir.truncate(slash);
    }
}

// The names of dir's sub-directories (links to directories included, hidden ones left out) in
// the order the file system gives them; false for a missing or unreadable directory. The
// directory is watched from before its entries are read.
bool Thread_Func::readDir(const QString& dir, QStringList* names, DirId* id)
{
    const QByteArray native = QFile::encodeName(dir);
    DIR* d = ::opendir(native.constData());
    if (!d)
        return false;
    const int fd = dirfd(d);
    struct stat st;
    if (id && ::fstat(fd, &st) == 0)
        *id = DirId(st.st_dev, st.st_ino);
    watch(dir);
    if (DirWatch::isNetworkShare(fd))
        m_sawShare = true;
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.')
            continue; // hidden, and the "." and ".." entries
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat target;
            isDir = ::fstatat(fd, e->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        if (isDir)
            names->append(QFile::decodeName(e->d_name));
    }
    ::closedir(d);
    return true;
}

// One listing of the reports folder instead of a look per analysis folder. It is renewed
// during long passes so that a report produced meanwhile is seen within a fraction of a second.
Thread_Func::ReportName Thread_Func::reportName(const QString& name)
{
    if (!m_reportDirsAge.isValid() || m_reportDirsAge.elapsed() > 200) {
        QStringList reports;
        readDir(m_reportsPath, &reports, nullptr);
        m_reportDirs = QSet<QString>(reports.begin(), reports.end());
        m_reportAny.clear();
        const QStringList all =
            QDir(m_reportsPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        for (const QString& entry : all)
            m_reportAny.insert(entry.toCaseFolded());
        m_reportDirsAge.start();
    }
    if (m_reportDirs.contains(name))
        return ReportName::Folder;
    return m_reportAny.contains(name.toCaseFolded()) ? ReportName::InTheWay : ReportName::None;
}

// A report counts as done only with its whole PDF; read again only when the file changed.
bool Thread_Func::pdfComplete(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    ScanCache::Stamp stamp;
    if (!ScanCache::stampOf(native, &stamp))
        return false;
    ScanCache::Entry* known = m_cache.find(native, stamp);
    if (!known) {
        known = &m_cache.store(native, stamp);
        known->complete = ReportFiles::pdfFileComplete(path) ? 1 : 0;
    }
    return known->complete > 0;
}

void Thread_Func::SingleSearchProc(QString folder_path)
{
    QStringList entries;
    readDir(folder_path, &entries, nullptr);
    if (entries.isEmpty() || stopRequested())
        return;
    for (const QString& name : qAsConst(entries)) {
        if (isAnalysisFolderName(name))
            AddObjectToList(folder_path, name);
        if (stopRequested())
            return;
    }
}

void Thread_Func::CyclicSearchProc(QString folder_path)
{
    QStringList entries;
    DirId id;
    if (!readDir(folder_path, &entries, &id))
        return;
    // A link back to a directory on the way down would recurse without end. The same
    // directory reached another way is searched there too: both paths list its folders.
    if (m_descent.contains(id))
        return;
    m_descent.append(id);
    for (const QString& name : qAsConst(entries)) {
        if (isAnalysisFolderName(name))
            AddObjectToList(folder_path, name);
        else
            CyclicSearchProc(joinPath(folder_path, name));
        if (stopRequested())
            break;
    }
    m_descent.removeLast();
}

void Thread_Func::AddObjectToList(QString folder_path, QString folder_name)
{
    // Watched before its export is looked at, so an export written meanwhile is noticed.
    watch(joinPath(folder_path, folder_name));
    const QColor colour = CheckStateFolder(folder_path, folder_name);
    emit ProcData(folder_path, folder_name, colour);
}

QColor Thread_Func::CheckStateFolder(QString folder_path, QString folder_name)
{
    QColor colour = QColor(Qt::red);
    // Reading fails for a missing export as well, so no separate existence test.
    if (func_CanReadHeader(folder_path, folder_name))
        colour = func_AnalyseExist(folder_path, folder_name) ? QColor(Qt::darkGreen)
                                                             : QColor(Qt::magenta);
    return colour;
}

// Only a regular file counts: a directory of that name is no export, and opening a pipe
// would wait for a writer.
bool Thread_Func::func_CanReadHeader(QString t_folderPath, QString t_folderName)
{
    const QByteArray path = QFile::encodeName(
        QString(joinPath(t_folderPath, t_folderName) % QLatin1String("/epatemp.txt")));
    ScanCache::Stamp stamp;
    if (!ScanCache::stampOf(path, &stamp))
        return false;
    if (const ScanCache::Entry* known = m_cache.find(path, stamp))
        return known->readable;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
    m_cache.store(path, stamp).readable = fd >= 0;
    return fd >= 0;
}

bool Thread_Func::func_AnalyseExist(QString t_folderPath, QString t_folderName)
{
    QString candidate = t_folderName;
    qint64 counter = 1;
    for (;;) {
        // The same walk as production's: past a file or another spelling in the way, up to the
        // first name where nothing is.
        const ReportName present = reportName(candidate);
        if (present == ReportName::None)
            return false;
        if (present == ReportName::Folder) {
            const QString dir = joinPath(m_reportsPath, candidate);
            watch(dir);
            const QString ini = QString(dir % QLatin1String("/report.ini"));
            ScanCache::Entry* record = reportRecord(ini);
            if (record && record->folderPath == t_folderPath &&
                (record->folderName.isEmpty() || record->folderName == t_folderName)) {
                if (record->reportExist < 0)
                    record->reportExist = Analyse_ReadAnalyseExist(ini) ? 1 : 0;
                // Done only when whole: no change of it under way, and its PDF complete.
                return record->reportExist > 0 && !ReportStage::pending(dir) &&
                       pdfComplete(QString(m_pdfPath % QLatin1Char('/') % record->pdfName));
            }
        }
        if (stopRequested())
            return false;
        // Two-argument form: a '%' inside the folder name must stay literal.
        candidate = QStringLiteral("%1_%2").arg(t_folderName, QString::number(counter));
        ++counter;
    }
}

// The record file's FolderPath, read again only when the file changed; null without one.
ScanCache::Entry* Thread_Func::reportRecord(const QString& ini)
{
    const QByteArray native = QFile::encodeName(ini);
    ScanCache::Stamp stamp;
    if (!ScanCache::stampOf(native, &stamp))
        return nullptr;
    if (ScanCache::Entry* known = m_cache.find(native, stamp))
        return known;
    ScanCache::Entry& fresh = m_cache.store(native, stamp);
    fresh.folderPath = Analyse_ReadfolderPath(ini);
    const QSettings record(ini, QSettings::IniFormat);
    fresh.folderName = record.value(QStringLiteral("Report/FolderName")).toString();
    fresh.pdfName = ReportFiles::pdfName(record, QFileInfo(ini).dir().dirName());
    return &fresh;
}

QString Thread_Func::Analyse_ReadfolderPath(QString t_path)
{
    QSettings ini(t_path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("General"));
    return ini.value(QStringLiteral("FolderPath"), QString()).toString();
}

bool Thread_Func::Analyse_ReadAnalyseExist(QString t_path)
{
    QSettings ini(t_path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("General"));
    return ini.value(QStringLiteral("ReportExist"), false).toBool();
}
