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

void makeDir(const QString& path)
{
    QVERIFY2(QDir().mkpath(path), qPrintable(path));
}

void makeExport(const QString& folder)
{
    QDir().mkpath(folder);
    QFile f(folder + QStringLiteral("/epatemp.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Quantitation Report\r\n");
}

void makeRecord(const QString& reports, const QString& name, const QString& folderPath, bool exist)
{
    QDir().mkpath(reports + QLatin1Char('/') + name);
    QSettings ini(reports + QLatin1Char('/') + name + QStringLiteral("/report.ini"), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("General"));
    ini.setValue(QStringLiteral("FolderPath"), folderPath);
    ini.setValue(QStringLiteral("ReportExist"), exist);
    ini.endGroup();
    ini.sync();
}

FolderRecords recordsOf(const QSignalSpy& spy)
{
    FolderRecords out;
    for (const QList<QVariant>& args : spy)
        out.append({args.at(0).toString(), args.at(1).toString(), args.at(2).value<QColor>()});
    return out;
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
    return recordsOf(data);
}

const QColor red(Qt::red);
const QColor magenta(Qt::magenta);
const QColor green(Qt::darkGreen);

}  // namespace

class TestThreadFunc : public QObject {
    Q_OBJECT

private slots:
    void treeShapes_data();
    void treeShapes();
    void reportState_data();
    void reportState();
    void missingDataDirectoryEndsEmpty();
    void stopEndsRunningPass_data();
    void stopEndsRunningPass();
    void destructorStopsRunningPass();
    void destructorDoesNotWaitForInterval();
    void heldStartKeepsRunningParameters();
    void passStartsAreSpacedByInterval();
    void symlinkLoopEnds();
};

// Each tree: directories to create, folders that get an export, expected records
// (path relative to the root, "" for the root itself).
void TestThreadFunc::treeShapes_data()
{
    QTest::addColumn<QStringList>("dirs");
    QTest::addColumn<QStringList>("exports");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<QStringList>("expected");  // "relpath|name|colour"

    const QStringList nested{QStringLiteral("A.D/B.D")};
    const QStringList nestedExports{QStringLiteral("A.D"), QStringLiteral("A.D/B.D")};
    QTest::newRow("analysis inside analysis, shallow") << nested << nestedExports << false << QStringList{QStringLiteral("|A.D|magenta")};
    QTest::newRow("analysis inside analysis, deep") << nested << nestedExports << true << QStringList{QStringLiteral("|A.D|magenta")};

    const QStringList sub{QStringLiteral("sub/C.D")};
    QTest::newRow("plain sub-folder, shallow") << sub << sub << false << QStringList();
    QTest::newRow("plain sub-folder, deep") << sub << sub << true << QStringList{QStringLiteral("/sub|C.D|magenta")};

    const QStringList lower{QStringLiteral("x.d/Y.D")};
    QTest::newRow("lower-case .d, shallow") << lower << lower << false << QStringList();
    QTest::newRow("lower-case .d, deep") << lower << lower << true << QStringList{QStringLiteral("/x.d|Y.D|magenta")};

    QTest::newRow("deep levels") << QStringList{QStringLiteral("a/b/c/D1.D"), QStringLiteral("a/E.D")}
                                 << QStringList{QStringLiteral("a/b/c/D1.D")} << true
                                 << QStringList{QStringLiteral("/a/b/c|D1.D|magenta"), QStringLiteral("/a|E.D|red")};
    QTest::newRow("no export") << QStringList{QStringLiteral("E.D")} << QStringList() << false
                               << QStringList{QStringLiteral("|E.D|red")};
    QTest::newRow("export is a directory") << QStringList{QStringLiteral("F.D/epatemp.txt")} << QStringList() << false
                                           << QStringList{QStringLiteral("|F.D|red")};
    QTest::newRow("hidden folders skipped") << QStringList{QStringLiteral(".G.D"), QStringLiteral(".h/H.D")}
                                            << QStringList{QStringLiteral(".G.D"), QStringLiteral(".h/H.D")} << true
                                            << QStringList();
    QTest::newRow("mixed") << QStringList{QStringLiteral("K.D"), QStringLiteral("L.d"), QStringLiteral("M.DD"), QStringLiteral("N.D")}
                           << QStringList{QStringLiteral("K.D"), QStringLiteral("L.d"), QStringLiteral("M.DD")} << false
                           << QStringList{QStringLiteral("|K.D|magenta"), QStringLiteral("|N.D|red")};
}

void TestThreadFunc::treeShapes()
{
    QFETCH(QStringList, dirs);
    QFETCH(QStringList, exports);
    QFETCH(bool, deep);
    QFETCH(QStringList, expected);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString root = tmp.path() + QStringLiteral("/data");
    makeDir(root);
    for (const QString& d : dirs)
        makeDir(root + QLatin1Char('/') + d);
    for (const QString& e : exports)
        makeExport(root + QLatin1Char('/') + e);
    // A regular file named like an analysis folder is not one.
    QFile file(root + QStringLiteral("/File.D"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    FolderRecords want;
    for (const QString& e : expected) {
        const QStringList p = e.split(QLatin1Char('|'));
        const QColor c = p[2] == QLatin1String("red") ? red : p[2] == QLatin1String("magenta") ? magenta : green;
        want.append({root + p[0], p[1], c});
    }
    Thread_Func scanner;
    scanner.setMinimumPassInterval(0);
    QCOMPARE(sorted(runPass(scanner, root, tmp.path() + QStringLiteral("/reports"), deep)), sorted(want));
}

void TestThreadFunc::reportState_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("withExport");
    QTest::addColumn<QStringList>("records");  // "reportFolder|owner|exist"; owner "this", "other" or a path; exist "-" for no report.ini
    QTest::addColumn<QColor>("expected");

    QTest::newRow("no reports") << "N.D" << true << QStringList() << magenta;
    QTest::newRow("own report done") << "N.D" << true << QStringList{QStringLiteral("N.D|this|1")} << green;
    QTest::newRow("own report not done") << "N.D" << true << QStringList{QStringLiteral("N.D|this|0")} << magenta;
    QTest::newRow("N other, N_1 own") << "N.D" << true
                                      << QStringList{QStringLiteral("N.D|other|1"), QStringLiteral("N.D_1|this|1")} << green;
    QTest::newRow("N_1 without N") << "N.D" << true << QStringList{QStringLiteral("N.D_1|this|1")} << magenta;
    QTest::newRow("N without report.ini") << "N.D" << true
                                          << QStringList{QStringLiteral("N.D|this|-"), QStringLiteral("N.D_1|this|1")} << green;
    QTest::newRow("third in sequence") << "N.D" << true
                                       << QStringList{QStringLiteral("N.D|other|1"), QStringLiteral("N.D_1|other|1"),
                                                      QStringLiteral("N.D_2|this|1")}
                                       << green;
    QTest::newRow("gap in sequence") << "N.D" << true
                                     << QStringList{QStringLiteral("N.D|other|1"), QStringLiteral("N.D_2|this|1")} << magenta;
    QTest::newRow("path differs in case") << "N.D" << true << QStringList{QStringLiteral("N.D|THIS|1")} << magenta;
    QTest::newRow("done report but no export") << "N.D" << false << QStringList{QStringLiteral("N.D|this|1")} << red;
    QTest::newRow("percent sign in name") << "P%2.D" << true
                                          << QStringList{QStringLiteral("P%2.D|other|1"), QStringLiteral("P%2.D_1|this|1")}
                                          << green;
}

void TestThreadFunc::reportState()
{
    QFETCH(QString, folder);
    QFETCH(bool, withExport);
    QFETCH(QStringList, records);
    QFETCH(QColor, expected);

    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/data");
    const QString reports = tmp.path() + QStringLiteral("/reports");
    makeDir(root + QLatin1Char('/') + folder);
    makeDir(reports);
    if (withExport)
        makeExport(root + QLatin1Char('/') + folder);
    for (const QString& r : records) {
        const QStringList p = r.split(QLatin1Char('|'));
        if (p[2] == QLatin1String("-")) {
            makeDir(reports + QLatin1Char('/') + p[0]);
            continue;
        }
        const QString owner = p[1] == QLatin1String("this") ? root
                              : p[1] == QLatin1String("THIS") ? root.toUpper()
                                                              : tmp.path() + QStringLiteral("/elsewhere");
        makeRecord(reports, p[0], owner, p[2] == QLatin1String("1"));
    }
    Thread_Func scanner;
    scanner.setMinimumPassInterval(0);
    const FolderRecords got = runPass(scanner, root, reports, false);
    QCOMPARE(got.size(), 1);
    QCOMPARE(got[0].name, folder);
    QCOMPARE(got[0].path, root);
    QCOMPARE(got[0].state, expected);
}

void TestThreadFunc::missingDataDirectoryEndsEmpty()
{
    QTemporaryDir tmp;
    Thread_Func scanner;
    scanner.setMinimumPassInterval(0);
    QCOMPARE(runPass(scanner, tmp.path() + QStringLiteral("/absent"), tmp.path(), true).size(), 0);
    QCOMPARE(runPass(scanner, tmp.path() + QStringLiteral("/absent"), tmp.path(), false).size(), 0);
    QVERIFY(scanner.wait(5000));
}

void TestThreadFunc::stopEndsRunningPass_data()
{
    QTest::addColumn<bool>("deep");
    QTest::newRow("shallow") << false;
    QTest::newRow("deep") << true;
}

// The scanner is held inside its first report while stopProcess is called from here;
// the pass must end after that one entry, also from several levels down.
void TestThreadFunc::stopEndsRunningPass()
{
    QFETCH(bool, deep);
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (int i = 0; i < 30; ++i) {
        makeDir(QStringLiteral("%1/S%2.D").arg(root).arg(i));
        makeDir(QStringLiteral("%1/p%2/q/T%2.D").arg(root).arg(i));
    }
    Thread_Func scanner;
    scanner.setMinimumPassInterval(0);
    QSemaphore reached, go;
    connect(&scanner, &Thread_Func::ProcData, &scanner, [&] {
        reached.release();
        go.acquire();
    }, Qt::DirectConnection);
    QSignalSpy data(&scanner, &Thread_Func::ProcData);
    QSignalSpy done(&scanner, &QThread::finished);
    scanner.startProcess(root, root, deep);
    QVERIFY(reached.tryAcquire(1, 10000));
    scanner.stopProcess();
    go.release(1000);
    QVERIFY(waitForCount(done, 1));
    QCOMPARE(data.size(), 1);
}

void TestThreadFunc::destructorStopsRunningPass()
{
    QTemporaryDir tmp;
    for (int i = 0; i < 200; ++i)
        makeDir(QStringLiteral("%1/R%2.D").arg(tmp.path()).arg(i));
    auto scanner = std::make_unique<Thread_Func>();
    scanner->setMinimumPassInterval(0);
    QAtomicInt seen = 0;
    QSemaphore reached;
    connect(scanner.get(), &Thread_Func::ProcData, scanner.get(), [&] {
        if (seen.fetchAndAddRelaxed(1) == 0)
            reached.release();
        QThread::msleep(5);
    }, Qt::DirectConnection);
    scanner->startProcess(tmp.path(), tmp.path(), false);
    QVERIFY(reached.tryAcquire(1, 10000));
    scanner.reset();
    QVERIFY2(seen.loadRelaxed() < 200, "the destructor let the whole pass run");
}

void TestThreadFunc::destructorDoesNotWaitForInterval()
{
    QTemporaryDir tmp;
    makeDir(tmp.path() + QStringLiteral("/A.D"));
    auto scanner = std::make_unique<Thread_Func>();
    scanner->setMinimumPassInterval(120000);
    QCOMPARE(runPass(*scanner, tmp.path(), tmp.path(), false).size(), 1);
    QSignalSpy data(scanner.get(), &Thread_Func::ProcData);
    scanner->startProcess(tmp.path(), tmp.path(), false);  // waits for the interval
    QVERIFY(scanner->isRunning());
    QSignalSpy done(scanner.get(), &QThread::finished);
    scanner->stopProcess();
    QVERIFY(waitForCount(done, 1));
    QCOMPARE(data.size(), 0);

    scanner->startProcess(tmp.path(), tmp.path(), false);
    QElapsedTimer clock;
    clock.start();
    scanner.reset();
    QVERIFY2(clock.elapsed() < 60000, "destructor waited for the pass interval");
    QCOMPARE(data.size(), 0);
}

void TestThreadFunc::heldStartKeepsRunningParameters()
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
    connect(&scanner, &Thread_Func::ProcData, &scanner, [&](const QString& path, const QString& name) {
        {
            QMutexLocker locker(&logLock);
            log.append(path + QLatin1Char('|') + name);
        }
        if (blockFirst.testAndSetRelaxed(1, 0)) {
            reached.release();
            go.acquire();
        }
    }, Qt::DirectConnection);
    connect(&scanner, &QThread::finished, &scanner, [&] {
        QMutexLocker locker(&logLock);
        log.append(QStringLiteral("end"));
    }, Qt::DirectConnection);
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
    QCOMPARE(log[3], QStringLiteral("end"));
    QCOMPARE(log[4], QString(second + QStringLiteral("/sub|S.D")));
    QCOMPARE(log[5], QStringLiteral("end"));
    QVERIFY(!scanner.hasPendingStart());
}

void TestThreadFunc::passStartsAreSpacedByInterval()
{
    QTemporaryDir tmp;
    makeDir(tmp.path() + QStringLiteral("/A.D"));
    Thread_Func scanner;
    scanner.setMinimumPassInterval(400);
    QElapsedTimer clock;
    clock.start();
    QVector<qint64> stamps;
    connect(&scanner, &Thread_Func::ProcData, &scanner, [&] { stamps.append(clock.elapsed()); }, Qt::DirectConnection);
    for (int pass = 0; pass < 3; ++pass)
        QCOMPARE(runPass(scanner, tmp.path(), tmp.path(), false).size(), 1);
    QCOMPARE(stamps.size(), 3);
    QVERIFY2(stamps[1] - stamps[0] >= 350, qPrintable(QString::number(stamps[1] - stamps[0])));
    QVERIFY2(stamps[2] - stamps[1] >= 350, qPrintable(QString::number(stamps[2] - stamps[1])));
}

void TestThreadFunc::symlinkLoopEnds()
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/data");
    makeExport(root + QStringLiteral("/A.D"));
    makeDir(root + QStringLiteral("/sub"));
    QVERIFY(QFile::link(root, root + QStringLiteral("/sub/up")));
    QVERIFY(QFile::link(root, root + QStringLiteral("/sub/up2")));
    Thread_Func scanner;
    scanner.setMinimumPassInterval(0);
    const FolderRecords got = runPass(scanner, root, tmp.path(), true);
    QCOMPARE(got, (FolderRecords{{root, QStringLiteral("A.D"), magenta}}));
}

QTEST_GUILESS_MAIN(TestThreadFunc)
#include "tst_thread_func.moc"
