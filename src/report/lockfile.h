#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "report/filewrite.h"

// A lock that is a file: whoever creates it (atomically, so on a network share too) holds it,
// and it says who that is. Used by ReportLock for a whole production or change, and by the
// history for the moment of an append.
//
// The file holds key=value lines, UTF-8, values escaped like history fields:
//   operator=<signed-in operator>   host=<host name>   machine=<machine id>
//   pid=<process id>   processStart=<start of that process, clock ticks after boot>
//   started=<ISO 8601 time the lock was taken>   token=<random, tells two holders apart>
// A holder on this host is stale when its process is gone or the process id now belongs to
// another process; a holder elsewhere, or a file that cannot be read, when the file's
// modification time (its heartbeat) is older than a limit, by the file system's clock.
namespace LockFile {

enum class State { Acquired, HeldByOther, Stale, Failed };

struct Holder
{
    QString operatorName, host, machineId;
    qint64 pid = 0;
    qint64 processStart = 0; // 0 when not known
    QDateTime started;       // when the lock was taken
    QDateTime lastHeartbeat; // the file's modification time
    bool sameHost = false;
    bool stale = false;
    QByteArray content; // the file as read: which holder breakStale() may remove
};

// This process's lock file content for `operatorName`.
QByteArray content(const QString& operatorName);
Holder parse(const QByteArray& content);

// Creates the lock at `path` with `mine` (from content()), or says who holds it. *error is set
// for Failed: the folder cannot be written, or something that is not a lock is in the way.
State tryCreate(const QString& path, const QByteArray& mine, int staleAfterMs, Holder* holder,
                FileWrite::Result* error);

// Removes the lock only while it is still the stale holder `seen`: a lock that someone has
// just taken, or whose holder has shown life again, is left (or put back) as it is.
bool breakStale(const QString& path, const Holder& seen, int staleAfterMs);

// Removes the lock if it is still `mine`.
void removeIfMine(const QString& path, const QByteArray& mine);
bool isMine(const QString& path, const QByteArray& mine);
// Sets the lock's modification time to now (the file system's clock).
bool touch(const QString& path);

// The start of process `pid` in clock ticks after boot; 0 when it does not exist.
qint64 processStart(qint64 pid);

} // namespace LockFile
