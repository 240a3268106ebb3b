#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "report/filewrite.h"
#include "report/lockfile.h"

// The lock of one report folder (<reportFolder>/.lock), held for a whole production, Apply or
// Default, so that two workstations sharing the application directory never write one report
// at once. While held, a timer refreshes the file's modification time: another host has no
// other way to tell a long production from a crashed one. Lives on the main thread.
//
// QLockFile is not used: it cannot record the operator and start time, and it has no
// heartbeat, so a long holder would look stale from another host.
class ReportLock : public QObject
{
    Q_OBJECT

  public:
    using State = LockFile::State;
    using Holder = LockFile::Holder;

    explicit ReportLock(const QString& reportFolder, QObject* parent = nullptr);
    ~ReportLock() override; // releases

    // Acquired also when this object already holds it. HeldByOther and Stale leave holder()
    // set; Failed leaves error() set. A Stale lock is broken only by breakStale(), after the
    // operator has agreed; then tryAcquire() again.
    State tryAcquire(const QString& operatorName);
    Holder holder() const { return m_holder; }
    FileWrite::Result error() const { return m_error; }
    bool breakStale(const Holder& seen);
    void release();
    // Reads the file again: false when the lock has been broken or removed by someone else.
    bool isHeld() const;
    QString path() const { return m_path; }

    // Defaults 10 s and 60 s; the limit must be several heartbeats long.
    void setTimes(int heartbeatMs, int staleAfterMs);

    // "The report is in use by OPERATOR on HOST since TIME." (0 English, other Russian)
    static QString inUseMessage(const Holder& holder, uchar lang);
    // For a Stale lock: the same, that its program is no longer running, and whether to
    // break it (a Yes/No question).
    static QString staleQuestion(const Holder& holder, uchar lang);

  private:
    void beat();

    QString m_path;
    QByteArray m_mine; // our lock file's content while we hold it
    Holder m_holder;
    FileWrite::Result m_error;
    QTimer m_heartbeat;
    int m_staleAfterMs = 60000;
};
