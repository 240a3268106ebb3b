#include "catalogue/folderrecord.h"
#include "catalogue/thread_func.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

void makeDir(const QString& path) { QVERIFY2(QDir().mkpath(path), qPrintable(path)); }

void makeExport(const QString& folder)
{
    QFile f(folder + QStringLiteral("/epatemp.txt"));
    QVERIFY(QDir().mkpath(folder) && f.open(QIODevice::WriteOnly));
    f.write("Quantitation Report\r\n");
}

void makeRecord(const QString& reports, const QString& name, const QString& folderPath, bool exist)
{
    QDir().mkpath(reports + QLatin1Char('/') + name);
    QSettings ini(reports + QLatin1Char('/') + name + QStringLiteral("/report.ini"), QSettings::IniFormat);
    ini.setValue(QStringLiteral("General/FolderPath"), folderPath);
    ini.setValue(QStringLiteral("General/ReportExist"), exist);
}

FolderRecords sorted(FolderRecords r)
{
    std::sort(r.begin(), r.end(), [](const FolderRecord& a, const FolderRecord& b) {
        return a.path != b.path ? a.path < b.path : a.name < b.name;
    });
    return r;
}

// QSignalSpy::wait misses a signal that arrived before it was called; poll instead.
bool waitForCount(const QSignalSpy& spy, int count, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (spy.size() < count && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return spy.size() >= count;
}

// Runs one pass and returns its records in arrival order.
FolderRecords runPass(Thread_Func& scanner, const QString& root, const QString& reports, bool deep)
{
    QSignalSpy data(&scanner, &Thread_Func::ProcData);
    QSignalSpy done(&scanner, &QThread::finished);
    scanner.startProcess(root, reports, deep);
    if (!waitForCount(done, 1))
        qWarning("pass did not end");
    FolderRecords out;
    for (const QList<QVariant>& args : data)
        out.append({args.at(0).toString(), args.at(1).toString(), args.at(2).value<QColor>()});
    return out;
}

const QColor red(Qt::red), magenta(Qt::magenta), green(Qt::darkGreen);

QStringList words(const char* s) { return QString::fromUtf8(s).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

}  // namespace

class TestThreadFunc : public QObject {
    Q_OBJECT

private slots:
    // Each tree: directories to create ("name@" is a link back to the root), folders that get
    // an export, report folders "folder|owner|exist" (owner "this", "THIS" in other case or
    // "other"; exist "-" for no report.ini), expected records "relpath|name|colour".
    void treeShapes_data()
    {
        QTest::addColumn<QStringList>("dirs");
        QTest::addColumn<QStringList>("exports");
        QTest::addColumn<bool>("deep");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char* name, const char* dirs, const char* exports, bool deep, const char* records,
                      const char* expected) {
            QTest::newRow(name) << words(dirs) << words(exports) << deep << words(records) << words(expected);
        };
        row("analysis inside analysis, deep", "A.D/B.D", "A.D A.D/B.D", true, "", "|A.D|magenta");
        row("plain sub-folder, shallow", "sub/C.D", "sub/C.D", false, "", "");
        row("lower-case .d, deep", "x.d/Y.D", "x.d/Y.D", true, "", "/x.d|Y.D|magenta");
        row("deep levels", "a/b/c/D1.D a/E.D", "a/b/c/D1.D", true, "", "/a/b/c|D1.D|magenta /a|E.D|red");
        row("export is a directory", "F.D/epatemp.txt", "", false, "", "|F.D|red");
        row("hidden folders skipped", ".G.D .h/H.D", ".G.D .h/H.D", true, "", "");
        row("mixed", "K.D L.d M.DD N.D", "K.D L.d M.DD", false, "", "|K.D|magenta |N.D|red");
        row("link loops end", "sub/up@ sub/up2@", "A.D", true, "", "|A.D|magenta");
        // the report state of one folder
        row("own report done", "", "N.D", false, "N.D|this|1", "|N.D|green");
        row("own report not done", "", "N.D", false, "N.D|this|0", "|N.D|magenta");
        row("N other, N_1 own", "", "N.D", false, "N.D|other|1 N.D_1|this|1", "|N.D|green");
        row("N_1 without N", "", "N.D", false, "N.D_1|this|1", "|N.D|magenta");
        row("N without report.ini", "", "N.D", false, "N.D|this|- N.D_1|this|1", "|N.D|green");
        row("third in sequence", "", "N.D", false, "N.D|other|1 N.D_1|other|1 N.D_2|this|1", "|N.D|green");
        row("gap in sequence", "", "N.D", false, "N.D|other|1 N.D_2|this|1", "|N.D|magenta");
        row("path differs in case", "", "N.D", false, "N.D|THIS|1", "|N.D|magenta");
        row("done report but no export", "N.D", "", false, "N.D|this|1", "|N.D|red");
        row("percent sign in name", "", "P%2.D", false, "P%2.D|other|1 P%2.D_1|this|1", "|P%2.D|green");
    }
    void treeShapes()
    {
        QFETCH(QStringList, dirs);
        QFETCH(QStringList, exports);
        QFETCH(bool, deep);
        QFETCH(QStringList, records);
        QFETCH(QStringList, expected);
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/data");
        const QString reports = tmp.path() + QStringLiteral("/reports");
        makeDir(root);
        makeDir(reports);
        for (const QString& e : exports)
            makeExport(root + QLatin1Char('/') + e);
        for (QString d : dirs) {
            if (d.endsWith(QLatin1Char('@'))) {
                d.chop(1);
                makeDir(QFileInfo(root + QLatin1Char('/') + d).path());
                QVERIFY(QFile::link(root, root + QLatin1Char('/') + d));
            } else {
                makeDir(root + QLatin1Char('/') + d);
            }
        }
        for (const QString& r : records) {
            const QStringList p = r.split(QLatin1Char('|'));
            const QString owner = p[1] == QLatin1String("this") ? root
                                  : p[1] == QLatin1String("THIS") ? root.toUpper()
                                                                  : tmp.path() + QStringLiteral("/elsewhere");
            if (p[2] == QLatin1String("-"))
                makeDir(reports + QLatin1Char('/') + p[0]);
            else
                makeRecord(reports, p[0], owner, p[2] == QLatin1String("1"));
        }
        // A regular file named like an analysis folder is not one.
        QFile file(root + QStringLiteral("/File.D"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        FolderRecords want;
        for (const QString& e : expected) {
            const QStringList p = e.split(QLatin1Char('|'));
            const QColor c = p[2] == QLatin1String("red") ? red : p[2] == QLatin1String("green") ? green : magenta;
            want.append({root + p[0], p[1], c});
        }
        Thread_Func scanner;
        scanner.setMinimumPassInterval(0);
        QCOMPARE(sorted(runPass(scanner, root, reports, deep)), sorted(want));
    }

    void missingDataDirectoryEndsEmpty()
    {
        QTemporaryDir tmp;
        Thread_Func scanner;
        scanner.setMinimumPassInterval(0);
        for (bool deep : {true, false})
            QCOMPARE(runPass(scanner, tmp.path() + QStringLiteral("/absent"), tmp.path(), deep).size(), 0);
        QVERIFY(scanner.wait(5000));
    }

    void stopEndsRunningPass_data()
    {
        QTest::addColumn<bool>("deep");
        QTest::addColumn<bool>("byDestructor");
        QTest::newRow("shallow") << false << false;
        QTest::newRow("deep") << true << false;
        QTest::newRow("destructor") << true << true;
    }
    // The scanner is held inside its first report while it is stopped from here; the pass
    // must end after that one entry, also from several levels down.
    void stopEndsRunningPass()
    {
        QFETCH(bool, deep);
        QFETCH(bool, byDestructor);
        QTemporaryDir tmp;
        for (int i = 0; i < 30; ++i) {
            makeDir(QStringLiteral("%1/S%2.D").arg(tmp.path()).arg(i));
            makeDir(QStringLiteral("%1/p%2/q/T%2.D").arg(tmp.path()).arg(i));
        }
        auto scanner = std::make_unique<Thread_Func>();
        scanner->setMinimumPassInterval(0);
        QSemaphore reached, go;
        QAtomicInt seen = 0;
        connect(scanner.get(), &Thread_Func::ProcData, scanner.get(), [&] {
            seen.fetchAndAddRelaxed(1);
            reached.release();
            go.acquire();
        }, Qt::DirectConnection);
        QSignalSpy done(scanner.get(), &QThread::finished);
        scanner->startProcess(tmp.path(), tmp.path(), deep);
        QVERIFY(reached.tryAcquire(1, 10000));
        if (byDestructor) {
            // the destructor blocks this thread, so the scanner is let go from another one
            std::unique_ptr<QThread> release(QThread::create([&] {
                QThread::msleep(300);
                go.release(1000);
            }));
            release->start();
            scanner.reset();
            release->wait();
        } else {
            scanner->stopProcess();
            go.release(1000);
            QVERIFY(waitForCount(done, 1));
        }
        QCOMPARE(seen.loadRelaxed(), 1);
    }

    // Pass starts are at least the interval apart; a start waiting for it can be stopped,
    // and the destructor does not wait it out.
    void passPacing()
    {
        QTemporaryDir tmp;
        makeDir(tmp.path() + QStringLiteral("/A.D"));
        auto scanner = std::make_unique<Thread_Func>();
        scanner->setMinimumPassInterval(400);
        QElapsedTimer clock;
        clock.start();
        QVector<qint64> stamps;
        connect(scanner.get(), &Thread_Func::ProcData, scanner.get(), [&] { stamps.append(clock.elapsed()); },
                Qt::DirectConnection);
        for (int pass = 0; pass < 3; ++pass)
            QCOMPARE(runPass(*scanner, tmp.path(), tmp.path(), false).size(), 1);
        QCOMPARE(stamps.size(), 3);
        for (int i = 1; i < 3; ++i)
            QVERIFY2(stamps[i] - stamps[i - 1] >= 350, qPrintable(QString::number(stamps[i] - stamps[i - 1])));

        scanner->setMinimumPassInterval(120000);
        scanner->startProcess(tmp.path(), tmp.path(), false);  // waits for the interval
        QVERIFY(scanner->isRunning());
        QSignalSpy done(scanner.get(), &QThread::finished);
        scanner->stopProcess();
        QVERIFY(waitForCount(done, 1));
        scanner->startProcess(tmp.path(), tmp.path(), false);
        clock.restart();
        scanner.reset();
        QVERIFY2(clock.elapsed() < 60000, "destructor waited for the pass interval");
        QCOMPARE(stamps.size(), 3);
    }

    // A start during a pass is held and then runs with its own parameters.
    void heldStartKeepsRunningParameters()
    {
        QTemporaryDir tmp;
        const QString first = tmp.path() + QStringLiteral("/first");
        const QString second = tmp.path() + QStringLiteral("/second");
        for (int i = 0; i < 3; ++i)
            makeDir(QStringLiteral("%1/F%2.D").arg(first).arg(i));
        makeDir(second + QStringLiteral("/sub/S.D"));

        Thread_Func scanner;
        scanner.setMinimumPassInterval(0);
        QSemaphore reached, go;
        QAtomicInt blockFirst = 1;
        QMutex logLock;
        QStringList log;  // both passes in emission order, "end" after each
        auto append = [&](const QString& line) {
            QMutexLocker locker(&logLock);
            log.append(line);
        };
        connect(&scanner, &Thread_Func::ProcData, &scanner, [&](const QString& path, const QString& name) {
            append(path + QLatin1Char('|') + name);
            if (blockFirst.testAndSetRelaxed(1, 0)) {
                reached.release();
                go.acquire();
            }
        }, Qt::DirectConnection);
        connect(&scanner, &QThread::finished, &scanner, [&] { append(QStringLiteral("end")); }, Qt::DirectConnection);
        QSignalSpy done(&scanner, &QThread::finished);
        scanner.startProcess(first, tmp.path(), false);
        QVERIFY(reached.tryAcquire(1, 10000));
        scanner.startProcess(second, tmp.path(), true);
        QVERIFY(scanner.hasPendingStart());
        go.release();
        QVERIFY(waitForCount(done, 2));  // the held request runs by itself

        QMutexLocker locker(&logLock);
        QCOMPARE(log.size(), 6);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(log[i].startsWith(first + QLatin1Char('|')), qPrintable(log[i]));
        QCOMPARE(log.mid(3), (QStringList{QStringLiteral("end"), second + QStringLiteral("/sub|S.D"), QStringLiteral("end")}));
        QVERIFY(!scanner.hasPendingStart());
    }
};

QTEST_GUILESS_MAIN(TestThreadFunc)
#include "tst_thread_func.moc"
