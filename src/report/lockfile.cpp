#include "report/lockfile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSysInfo>
#include <QUuid>

#include "report/history.h"
#include "report/rawfile.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LockFile {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString machineId()
{
    return QString::fromLatin1(QSysInfo::machineUniqueId());
}

QDateTime modified(const struct stat& st)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

// The file system's present time, read from a file made for the purpose: the hosts' own
// clocks may differ by more than a heartbeat.
QDateTime shareNow(const QString& folder)
{
    const QString probe = FileWrite::tempPathBeside(folder + QLatin1String("/lock"));
    const int fd = ::open(native(probe).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return QDateTime::currentDateTime();
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    ::close(fd);
    ::unlink(native(probe).constData());
    return known ? modified(st) : QDateTime::currentDateTime();
}

bool processGone(qint64 pid, qint64 recordedStart)
{
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    const qint64 start = processStart(pid);
    // Without /proc a live process id is all there is to go by.
    return recordedStart != 0 && start != 0 && start != recordedStart;
}

void judge(Holder* h, const QDateTime& now, int staleAfterMs)
{
    h->sameHost =
        h->pid > 0 && h->host == QSysInfo::machineHostName() && h->machineId == machineId();
    if (h->sameHost)
        h->stale = processGone(h->pid, h->processStart);
    else
        h->stale = h->lastHeartbeat.msecsTo(now) > staleAfterMs;
}

// Reads the lock at `path` as it is now; false when there is none (or it is not a file).
bool readHolder(const QString& path, Holder* h, FileWrite::Result* error)
{
    struct stat st;
    if (::stat(native(path).constData(), &st) != 0) {
        if (errno != ENOENT && error)
            *error = FileWrite::fromErrno(path, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error)
            *error = FileWrite::fromErrno(path, S_ISDIR(st.st_mode) ? EISDIR : EEXIST);
        return false;
    }
    QByteArray bytes;
    bool exists = false;
    const FileWrite::Result read = RawFile::read(path, &bytes, &exists);
    if (!read || !exists) {
        if (error && !read)
            *error = read;
        return false;
    }
    *h = parse(bytes);
    h->lastHeartbeat = modified(st);
    return true;
}

} // namespace

qint64 processStart(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces; the fields after it do not.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields.at(19).toLongLong() : 0;
}

QByteArray content(const QString& operatorName)
{
    const qint64 pid = ::getpid();
    const QStringList lines{QLatin1String("operator=") + History::escape(operatorName),
                            QLatin1String("host=") + History::escape(QSysInfo::machineHostName()),
                            QLatin1String("machine=") + History::escape(machineId()),
                            QStringLiteral("pid=%1").arg(pid),
                            QStringLiteral("processStart=%1").arg(processStart(pid)),
                            QLatin1String("started=") +
                                History::timeText(QDateTime::currentDateTime()),
                            QLatin1String("token=") + QUuid::createUuid().toString(QUuid::Id128)};
    return lines.join(QLatin1Char('\n')).toUtf8() + '\n';
}

Holder parse(const QByteArray& bytes)
{
    Holder h;
    h.content = bytes;
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        const QString value = History::unescape(line.mid(eq + 1));
        if (key == QLatin1String("operator"))
            h.operatorName = value;
        else if (key == QLatin1String("host"))
            h.host = value;
        else if (key == QLatin1String("machine"))
            h.machineId = value;
        else if (key == QLatin1String("pid"))
            h.pid = value.toLongLong();
        else if (key == QLatin1String("processStart"))
            h.processStart = value.toLongLong();
        else if (key == QLatin1String("started"))
            h.started = QDateTime::fromString(value, Qt::ISODate);
    }
    return h;
}

State tryCreate(const QString& path, const QByteArray& mine, int staleAfterMs, Holder* holder,
                FileWrite::Result* error)
{
    // A lock released between our attempt and our look at it is simply tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QDateTime now;
        const FileWrite::Result made = RawFile::createExclusive(path, mine, false, &now);
        if (made)
            return State::Acquired;
        if (made.error != EEXIST) {
            *error = made;
            return State::Failed;
        }
        FileWrite::Result problem;
        if (readHolder(path, holder, &problem)) {
            judge(holder, now, staleAfterMs);
            return holder->stale ? State::Stale : State::HeldByOther;
        }
        if (!problem) {
            *error = problem;
            return State::Failed;
        }
    }
    *error = FileWrite::fromErrno(path, EEXIST);
    return State::Failed;
}

bool breakStale(const QString& path, const Holder& seen, int staleAfterMs)
{
    Holder now;
    if (!readHolder(path, &now, nullptr) || now.content != seen.content)
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    judge(&now, shareNow(folder), staleAfterMs);
    if (!now.stale)
        return false;
    // Moved aside first and looked at again: between our look and the move, the holder may
    // have been replaced or have shown life, and such a lock must stay.
    const QString aside = FileWrite::tempPathBeside(path);
    if (::rename(native(path).constData(), native(aside).constData()) != 0)
        return false;
    Holder moved;
    bool broken = readHolder(aside, &moved, nullptr) && moved.content == seen.content;
    if (broken) {
        judge(&moved, shareNow(folder), staleAfterMs);
        broken = moved.stale;
    }
    if (!broken)
        ::link(native(aside).constData(), native(path).constData());
    ::unlink(native(aside).constData());
    return broken;
}

bool isMine(const QString& path, const QByteArray& mine)
{
    QByteArray bytes;
    return RawFile::read(path, &bytes) && bytes == mine;
}

void removeIfMine(const QString& path, const QByteArray& mine)
{
    if (isMine(path, mine))
        ::unlink(native(path).constData());
}

bool touch(const QString& path)
{
    // Without times, a network file system sets the server's time.
    return ::utimensat(AT_FDCWD, native(path).constData(), nullptr, 0) == 0;
}

} // namespace LockFile
