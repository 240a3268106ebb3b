#include "thread_func.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSettings>

namespace {

QString joinPath(const QString& dir, const QString& name)
{
    return QString(dir % QLatin1Char('/') % name);
}

bool isAnalysisFolderName(const QString& name)
{
    return name.endsWith(QLatin1String(".D"), Qt::CaseSensitive);
}

}  // namespace

Thread_Func::Thread_Func(QObject* parent)
    : QThread(parent)
{
    // Queued: finished() is emitted on the scanner thread, the held request is
    // started from the owning thread once the pass is really over.
    connect(this, &QThread::finished, this, &Thread_Func::startPendingPass, Qt::QueuedConnection);
}

Thread_Func::~Thread_Func()
{
    {
        QMutexLocker locker(&m_lock);
        m_stop.store(true);
        m_pending = false;
        m_wake.wakeAll();
    }
    wait();
}

void Thread_Func::startProcess(QString folder_path, QString reports_path, bool deep)
{
    QMutexLocker locker(&m_lock);
    if (isRunning()) {
        m_pending = true;
        m_pendingFolderPath = folder_path;
        m_pendingReportsPath = reports_path;
        m_pendingDeep = deep;
        return;
    }
    m_pending = false;
    m_folderPath = folder_path;
    m_reportsPath = reports_path;
    m_deep = deep;
    m_stop.store(false);
    locker.unlock();
    start(QThread::InheritPriority);
}

void Thread_Func::startPendingPass()
{
    QMutexLocker locker(&m_lock);
    if (!m_pending || isRunning())
        return;  // a pass that is running now will come back here when it ends
    m_pending = false;
    m_folderPath = m_pendingFolderPath;
    m_reportsPath = m_pendingReportsPath;
    m_deep = m_pendingDeep;
    m_stop.store(false);
    locker.unlock();
    start(QThread::InheritPriority);
}

void Thread_Func::setMinimumPassInterval(int ms)
{
    m_minInterval.store(qMax(0, ms));
    QMutexLocker locker(&m_lock);
    m_wake.wakeAll();  // a waiting pass re-reads the interval
}

int Thread_Func::minimumPassInterval() const
{
    return m_minInterval.load();
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
    m_wake.wakeAll();
}

// Sleeps until the minimum interval since the previous pass start has passed.
// Returns false when a stop request arrives first.
bool Thread_Func::waitForPassSlot()
{
    QMutexLocker locker(&m_lock);
    for (;;) {
        if (m_stop.load())
            return false;
        if (!m_lastPassStart.isValid())
            return true;
        const qint64 remaining = qint64(m_minInterval.load()) - m_lastPassStart.elapsed();
        if (remaining <= 0)
            return true;
        m_wake.wait(&m_lock, static_cast<unsigned long>(remaining));
    }
}

void Thread_Func::run()
{
    if (!waitForPassSlot())
        return;
    m_lastPassStart.start();
    m_visited.clear();
    m_found.clear();
    m_reportDirsAge.invalidate();
    if (m_deep)
        CyclicSearchProc(m_folderPath);
    else
        SingleSearchProc(m_folderPath);
    m_visited.clear();
    // Sent together at the end of the pass, so the interface thread wakes once per pass
    // rather than once per folder; it only looks at a pass once it has ended anyway.
    for (const Found& f : qAsConst(m_found)) {
        if (stopRequested())
            break;
        emit ProcData(f.path, f.name, f.state);
    }
    m_found.clear();
}

QStringList Thread_Func::listSubDirs(const QString& dir)
{
    // QDir gives an empty list for a missing or unreadable directory.
    return QDir(dir).entryList(QDir::Dirs | QDir::AllDirs | QDir::NoDotAndDotDot, QDir::Unsorted);
}

// One listing of the reports folder instead of a stat per analysis folder. It is renewed
// during long passes so that a report produced meanwhile is seen within a fraction of a second.
bool Thread_Func::hasReportDir(const QString& name)
{
    if (!m_reportDirsAge.isValid() || m_reportDirsAge.elapsed() > 200) {
        const QStringList reports = listSubDirs(m_reportsPath);
        m_reportDirs = QSet<QString>(reports.begin(), reports.end());
        m_reportDirsAge.start();
    }
    return m_reportDirs.contains(name);
}

void Thread_Func::SingleSearchProc(QString folder_path)
{
    const QStringList entries = listSubDirs(folder_path);
    if (entries.isEmpty() || stopRequested())
        return;
    for (const QString& name : entries) {
        if (isAnalysisFolderName(name))
            AddObjectToList(folder_path, name);
        if (stopRequested())
            return;
    }
}

void Thread_Func::CyclicSearchProc(QString folder_path)
{
    // A symbolic link back up the tree would otherwise recurse without end.
    const QString canonical = QFileInfo(folder_path).canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (m_visited.contains(canonical))
            return;
        m_visited.insert(canonical);
    }
    const QStringList entries = listSubDirs(folder_path);
    for (const QString& name : entries) {
        if (isAnalysisFolderName(name))
            AddObjectToList(folder_path, name);
        else
            CyclicSearchProc(joinPath(folder_path, name));
        if (stopRequested())
            return;
    }
}

void Thread_Func::AddObjectToList(QString folder_path, QString folder_name)
{
    const QColor colour = CheckStateFolder(folder_path, folder_name);
    m_found.append({folder_path, folder_name, colour});
}

QColor Thread_Func::CheckStateFolder(QString folder_path, QString folder_name)
{
    QColor colour = QColor(Qt::red);
    // Opening fails for a missing file as well, so no separate existence test.
    if (func_CanReadHeader(folder_path, folder_name))
        colour = func_AnalyseExist(folder_path, folder_name) ? QColor(Qt::darkGreen) : QColor(Qt::magenta);
    return colour;
}

bool Thread_Func::func_CanReadHeader(QString t_folderPath, QString t_folderName)
{
    QFile file(QString(joinPath(t_folderPath, t_folderName) % QLatin1String("/epatemp.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    return true;
}

bool Thread_Func::func_AnalyseExist(QString t_folderPath, QString t_folderName)
{
    QString candidate = t_folderName;
    qint64 counter = 1;
    for (;;) {
        if (!hasReportDir(candidate))
            return false;
        const QString dir = joinPath(m_reportsPath, candidate);
        const QString ini = QString(dir % QLatin1String("/report.ini"));
        if (QFile::exists(ini) && Analyse_ReadfolderPath(ini) == t_folderPath)
            return Analyse_ReadAnalyseExist(ini);
        if (stopRequested())
            return false;
        // Two-argument form: a '%' inside the folder name must stay literal.
        candidate = QStringLiteral("%1_%2").arg(t_folderName, QString::number(counter));
        ++counter;
    }
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
