// Appending to a history file from several processes, and the hashes that chain its lines.
#include "report/history.h"
#include "report/syscalls.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>
#include <QUuid>

#include "report/history_p.h"
#include "report/lockfile.h"
#include "report/rawfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace History {

namespace {

// An append holds the lock for milliseconds; one from another host this old is a crash's.
const int kLockStaleMs = 10000;
const int kLockWaitMs = 5000;

struct Tail
{
    QString head;     // hash of the last complete line
    QSet<QString> tx; // the tx tags already in the file
};

// The tx tags are looked for only when the new entries carry some: a file of a few hundred
// lines is otherwise parsed at every append.
Tail tailOf(const QByteArray& content, const QList<Entry>& adding)
{
    Tail t{lineHash(QString()), {}};
    const bool wantTx =
        std::any_of(adding.begin(), adding.end(), [](const Entry& e) { return !e.tx.isEmpty(); });
    const QStringList all = lines(content, false);
    for (const QString& line : all) {
        if (wantTx && line.contains(QLatin1String("\ttx="))) {
            const Entry e = parse(line);
            if (!e.tx.isEmpty())
                t.tx.insert(e.tx);
        }
    }
    if (!all.isEmpty())
        t.head = lineHash(all.last());
    return t;
}

// The lines to add, each linked to the one before; entries already written are skipped.
QByteArray chain(const QList<Entry>& entries, Tail* tail)
{
    QByteArray out;
    for (Entry e : entries) {
        if (!e.tx.isEmpty()) {
            if (tail->tx.contains(e.tx))
                continue;
            tail->tx.insert(e.tx);
        }
        e.prev = tail->head;
        const QString line = format(e);
        out += line.toUtf8() + "\r\n";
        tail->head = lineHash(line);
    }
    return out;
}

class AppendLock
{
  public:
    AppendLock(const QString& historyPath, const QString& operatorName)
        : m_path(QFileInfo(historyPath).absolutePath() + QLatin1String("/.history.lock"))
        , m_mine(LockFile::content(operatorName))
    {}
    ~AppendLock() { LockFile::removeIfMine(m_path, m_mine); }

    FileWrite::Result take()
    {
        QElapsedTimer waited;
        waited.start();
        LockFile::Holder holder;
        for (;;) {
            FileWrite::Result error;
            switch (LockFile::tryCreate(m_path, m_mine, kLockStaleMs, &holder, &error)) {
            case LockFile::State::Acquired:
                return FileWrite::success();
            case LockFile::State::Failed:
                return error;
            case LockFile::State::Stale:
                LockFile::breakStale(m_path, holder, kLockStaleMs);
                break;
            case LockFile::State::HeldByOther:
                if (waited.elapsed() > kLockWaitMs)
                    return FileWrite::failure(m_path,
                                              QStringLiteral("the history is being written "
                                                             "by another program"),
                                              EBUSY);
                QThread::msleep(QRandomGenerator::global()->bounded(1, 4));
                break;
            }
        }
    }

  private:
    QString m_path;
    QByteArray m_mine;
};

} // namespace

QString lineHash(const QString& storedLine)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(storedLine.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString fileHash(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

QString newTransaction()
{
    return QUuid::createUuid().toString(QUuid::Id128);
}

QList<Entry> inTransaction(QList<Entry> entries, const QString& id)
{
    for (int k = 0; k < entries.size(); ++k)
        entries[k].tx = QStringLiteral("%1.%2").arg(id).arg(k + 1);
    return entries;
}

QString headAfter(const QString& path, const QList<Entry>& entries)
{
    QByteArray content;
    bool exists = false;
    if (!readFile(path, &content, &exists))
        return QString();
    Tail tail = tailOf(content, entries);
    chain(entries, &tail);
    return tail.head;
}

FileWrite::Result append(const QString& path, const QList<Entry>& entries, QString* newHead)
{
    if (entries.isEmpty()) {
        if (newHead)
            *newHead = headAfter(path, entries);
        return FileWrite::success();
    }
    AppendLock lock(path, entries.value(0).operatorName);
    FileWrite::Result r = lock.take();
    if (!r)
        return r;
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    const bool existed = ::stat(native.constData(), &st) == 0;
    const int fd = ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return FileWrite::fromErrno(path, errno);
    QByteArray content;
    char buffer[16384];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        content.append(buffer, int(qMax<ssize_t>(n, 0)));
    if (n < 0) {
        r = FileWrite::fromErrno(path, errno);
        r.reading = true;
    }
    // A crash in a write leaves at most a line without its end; it was never an entry.
    const int kept = content.lastIndexOf('\n') + 1;
    if (r && kept < content.size()) {
        if (::ftruncate(fd, kept) != 0)
            r = FileWrite::fromErrno(path, errno);
        content.truncate(kept);
    }
    Tail tail = tailOf(content, entries);
    const QByteArray added = r ? chain(entries, &tail) : QByteArray();
    if (r && !added.isEmpty()) {
        // One write, at the end even where a lock was wrongly judged stale (O_APPEND). Whatever
        // fails, the file is cut back to what it held: the history never claims a step that
        // was not recorded whole.
        int e = Sys::writeAll(fd, added.constData(), added.size());
        if (e == 0)
            e = Sys::sync(fd);
        if (e != 0) {
            r = FileWrite::fromErrno(path, e);
            if (::ftruncate(fd, kept) == 0)
                ::fdatasync(fd);
        }
    }
    const int closed = Sys::close(fd);
    if (closed != 0 && r) {
        // A network file system may refuse the write only here.
        r = FileWrite::fromErrno(path, closed);
        if (!added.isEmpty() && ::truncate(native.constData(), kept) == 0)
            RawFile::syncFile(path);
    }
    if (r && !existed)
        r = RawFile::syncDir(QFileInfo(path).absolutePath());
    // A history that did not exist before and got nothing durable is not left behind empty.
    if (!r && !existed && QFileInfo(path).size() <= kept)
        ::unlink(native.constData());
    else if (!r && !added.isEmpty() && QFileInfo(path).size() > kept &&
             ::truncate(native.constData(), kept) == 0)
        RawFile::syncFile(path);
    if (r && newHead)
        *newHead = tail.head;
    return r;
}

} // namespace History
