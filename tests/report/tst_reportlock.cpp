// The lock of a report folder: a live holder is named and never broken, a crashed one is seen
// as stale, and nothing in the way passes silently.
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "report/reportlock.h"

#include <csignal>
#include <utime.h>

using State = ReportLock::State;

class TestReportLock : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;

    QString folder(const char* name)
    {
        const QString f = m_tmp.filePath(QString::fromLatin1(name));
        QDir().mkpath(f);
        return f;
    }

  private slots:
    // Lock files as a crashed process or another workstation leaves them.
    void holder_isJudgedByProcessOrHeartbeat_data()
    {
        QTest::addColumn<QString>("replace"); // key=value put into this process's own lock
        QTest::addColumn<int>("age");         // seconds since the last heartbeat
        QTest::addColumn<int>("state");
        const QString start = QStringLiteral("processStart=%1")
                                  .arg(LockFile::processStart(QCoreApplication::applicationPid()));
        QTest::newRow("live process, old file") << start << 3600 << int(State::HeldByOther);
        QTest::newRow("process id reused") << "processStart=1" << 0 << int(State::Stale);
        QTest::newRow("other host, heartbeat 2 min old")
            << "host=elsewhere" << 120 << int(State::Stale);
        QTest::newRow("other host, fresh heartbeat")
            << "host=elsewhere" << 5 << int(State::HeldByOther);
        QTest::newRow("other machine, same name") << "machine=0000" << 120 << int(State::Stale);
        QTest::newRow("unreadable, old") << "pid=x" << 120 << int(State::Stale);
        QTest::newRow("unreadable, fresh") << "pid=x" << 5 << int(State::HeldByOther);
    }
    void holder_isJudgedByProcessOrHeartbeat()
    {
        QFETCH(QString, replace);
        QFETCH(int, age);
        QFETCH(int, state);
        const QString dir = folder(QTest::currentDataTag());
        QString content = QString::fromUtf8(LockFile::content(QStringLiteral("Анна")));
        const QString key = replace.section('=', 0, 0);
        content.replace(QRegularExpression(QStringLiteral("(^|\n)%1=[^\n]*").arg(key)),
                        "\\1" + replace);
        QFile file(dir + "/.lock");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) > 0);
        file.close();
        const qint64 then = QDateTime::currentSecsSinceEpoch() - age;
        const utimbuf times{then, then};
        QCOMPARE(::utime(QFile::encodeName(file.fileName()).constData(), &times), 0);

        ReportLock lock(dir);
        QCOMPARE(int(lock.tryAcquire(QStringLiteral("Me"))), state);
        QCOMPARE(lock.holder().operatorName, QStringLiteral("Анна"));
        QCOMPARE(lock.breakStale(lock.holder()), state == int(State::Stale));
        QCOMPARE(QFile::exists(file.fileName()), state != int(State::Stale));
    }

    // A real second process: named while it lives, its heartbeat running; stale once killed.
    void liveHolder_isNamedAndKept_killedHolderCanBeBroken()
    {
        const QString dir = folder("live");
        QProcess holder;
        holder.start(QStringLiteral(LAB_RACE), {"lock", dir, QStringLiteral("Анна"), "50"});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readAllStandardOutput().trimmed(),
                 QByteArray::number(int(State::Acquired)));

        ReportLock lock(dir);
        QCOMPARE(lock.tryAcquire(QStringLiteral("Me")), State::HeldByOther);
        const ReportLock::Holder seen = lock.holder();
        QCOMPARE(seen.pid, holder.processId());
        QVERIFY(qAbs(seen.started.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(ReportLock::inUseMessage(seen, 0),
                 QStringLiteral("The report is in use by Анна on %1 since %2.")
                     .arg(QSysInfo::machineHostName(), seen.started.toString("dd.MM.yyyy HH:mm")));
        QVERIFY(!lock.breakStale(seen));
        const QDateTime beat = QFileInfo(lock.path()).lastModified();
        QTRY_VERIFY(QFileInfo(lock.path()).lastModified() > beat);

        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(lock.tryAcquire(QStringLiteral("Me")), State::Stale);
        const ReportLock::Holder stale = lock.holder();
        QVERIFY(ReportLock::staleQuestion(stale, 1).contains(QStringLiteral("Анна")));
        // While we ask, another workstation breaks it and takes it: that new lock stays.
        ReportLock other(dir);
        QCOMPARE(other.tryAcquire(QStringLiteral("Other")), State::Stale);
        QVERIFY(other.breakStale(other.holder()));
        QCOMPARE(other.tryAcquire(QStringLiteral("Other")), State::Acquired);
        QVERIFY(!lock.breakStale(stale));
        lock.release(); // not ours
        QVERIFY(other.isHeld());
        other.release();
        QCOMPARE(lock.tryAcquire(QStringLiteral("Me")), State::Acquired);
        QVERIFY(lock.isHeld());
    }

    void somethingInTheWay_failsWithTheReason_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<int>("error");
        QTest::newRow("report folder is a file") << "" << false << int(ENOTDIR);
        QTest::newRow(".lock is a folder") << "/.lock" << true << int(EISDIR);
    }
    void somethingInTheWay_failsWithTheReason()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, isFolder);
        QFETCH(int, error);
        const QString dir = m_tmp.filePath(QTest::currentDataTag());
        const QString path = dir + obstacle;
        QVERIFY(isFolder ? QDir().mkpath(path) : QFile(path).open(QIODevice::WriteOnly));
        ReportLock lock(dir);
        QCOMPARE(lock.tryAcquire(QStringLiteral("Me")), State::Failed);
        QCOMPARE(lock.error().error, error);
        QCOMPARE(lock.error().path, isFolder ? path : dir);
    }
};

QTEST_GUILESS_MAIN(TestReportLock)
#include "tst_reportlock.moc"
