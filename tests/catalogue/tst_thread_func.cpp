#include "catalogue/folderrecord.h"
#include "catalogue/scancache.h"
#include "catalogue/thread_func.h"
#include "report/reportfiles.h"

#include <QtTest> // with all of QtCore

#include <algorithm>

namespace {

QStringList words(const char* s)
{
    return QString::fromUtf8(s).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Applies "op:path" words: d makes a directory, e writes an export into a folder, a appends to
// one, x puts a directory in an export's place, r removes (an empty path: the data directory),
// l:path=dir links path to a directory of root, w:name=owner/exist writes a report record (owner
// this, THIS or other; exist "-" for no report.ini, 1 done with its PDF, 2 done without one),
// R removes a report folder, f puts a plain file in the reports folder.
void apply(const QStringList& ops, const QString& root, const QString& reports)
{
    for (const QString& op : ops) {
        const QString arg = op.mid(2), name = arg.section(QLatin1Char('='), 0, 0),
                      value = arg.section(QLatin1Char('='), 1);
        const QString at = root + QLatin1Char('/') + name,
                      report = reports + QLatin1Char('/') + name;
        QFile file(at + QStringLiteral("/epatemp.txt"));
        QSettings ini(report + QStringLiteral("/report.ini"), QSettings::IniFormat);
        switch (op[0].toLatin1()) {
        case 'd':
            QVERIFY(QDir().mkpath(at));
            break;
        case 'e':
            QVERIFY(QDir().mkpath(at) && file.open(QIODevice::WriteOnly) &&
                    file.write("Report\r\n") > 0);
            break;
        case 'a':
            QVERIFY(file.open(QIODevice::Append) && file.write("more\r\n") > 0);
            break;
        case 'x':
            QVERIFY(file.remove() && QDir().mkpath(file.fileName()));
            break;
        case 'r':
            QVERIFY(QFileInfo(at).isDir() ? QDir(at).removeRecursively() : QFile::remove(at));
            break;
        case 'l':
            QVERIFY(QDir().mkpath(QFileInfo(at).path()) &&
                    QFile::link(QDir(root).filePath(value), at));
            break;
        case 'R':
            QVERIFY(QDir(report).removeRecursively());
            break;
        case 'w':
            QVERIFY(QDir().mkpath(report));
            if (value.endsWith(QLatin1Char('-')))
                break;
            ini.setValue(QStringLiteral("General/FolderPath"),
                         value.startsWith(QLatin1String("this"))   ? root
                         : value.startsWith(QLatin1String("THIS")) ? root.toUpper()
                                                                   : reports);
            ini.setValue(QStringLiteral("General/ReportExist"), !value.endsWith(QLatin1Char('0')));
            if (value.endsWith(
                    QLatin1Char('1'))) { // a whole PDF under the name a record without one has
                QFile pdf(QFileInfo(reports).path() + QStringLiteral("/reportsPDF/") +
                          ReportFiles::legacyPdfName(name));
                QVERIFY(QDir().mkpath(QFileInfo(pdf).path()) && pdf.open(QIODevice::WriteOnly));
                pdf.write("%PDF-1.4\nstartxref\n0\n%%EOF\n");
            }
            break;
        case 'f':
            QVERIFY(QFile(report).open(QIODevice::WriteOnly));
            break;
        default:
            QFAIL(qPrintable(op));
        }
    }
}

// Records from "relpath|name|colour" words (colour r, m or g), sorted as a test compares them.
FolderRecords records(const QString& root, const QStringList& lines)
{
    FolderRecords out;
    for (const QString& e : lines) {
        const QStringList p = e.split(QLatin1Char('|'));
        out.append({root + p[0], p[1],
                    QColor(p[2] == QLatin1String("r")   ? Qt::red
                           : p[2] == QLatin1String("g") ? Qt::darkGreen
                                                        : Qt::magenta)});
    }
    std::sort(out.begin(), out.end(), [](const FolderRecord& a, const FolderRecord& b) {
        return a.path + a.name < b.path + b.name;
    });
    return out;
}

} // namespace

// Plays the main window's part: keeps what each pass found and asks for the next pass.
class Driver : public QObject
{
    Q_OBJECT
  public:
    Driver(const QString& root, const QString& reports, bool deep, int safetyMs = 600000,
           int watchLimit = 100000)
    {
        connect(&scanner, &Thread_Func::ProcData, this,
                [this](const QString& p, const QString& n, const QColor& c) {
                    buffer.append(p + QLatin1Char('|') + n + QLatin1Char('|') +
                                  (c == Qt::red         ? 'r'
                                   : c == Qt::darkGreen ? 'g'
                                                        : 'm'));
                });
        connect(&scanner, &QThread::finished, this, [=] {
            shown = records(QString(), buffer);
            buffer.clear();
            ++passes;
            scanner.startProcess(root, reports, deep);
        });
        scanner.setSafetyInterval(safetyMs);
        scanner.setWatchLimit(watchLimit);
        scanner.startProcess(root, reports, deep);
        QTRY_COMPARE_WITH_TIMEOUT(passes, 1, 10000);
    }
    Thread_Func scanner;
    QStringList buffer;
    FolderRecords shown;
    int passes = 0;
};

class TestThreadFunc : public QObject
{
    Q_OBJECT
    enum { Watched, Unwatched, Lost };
    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/data"),
                  reports = tmp.path() + QStringLiteral("/reports");

  private slots:
    void init()
    {
        QVERIFY(QDir(root).removeRecursively() && QDir(reports).removeRecursively() &&
                QDir(tmp.path() + QStringLiteral("/reportsPDF")).removeRecursively());
        QVERIFY(QDir().mkpath(root) && QDir().mkpath(reports));
        QVERIFY(QFile(root + QStringLiteral("/File.D"))
                    .open(QIODevice::WriteOnly)); // a file, not a folder
    }

    // A tree, what the first pass finds in it, and, after a change, what a pass finds within
    // seconds: through the watcher (the slow full pass being ten minutes away), from passes paced
    // by their cost where watching is unavailable, or from the slow pass when a notice is lost.
    void passFindsTreeAndChanges_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<bool>("deep");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<QStringList>("foundAfter");
        QTest::addColumn<int>("notices");
        auto row = [](const char* name, const char* tree, bool deep, const char* found,
                      const char* change = "", const char* after = "", int notices = Watched) {
            QTest::newRow(name) << words(tree) << deep << words(found) << words(change)
                                << words(after) << notices;
        };
        row("analysis inside analysis, deep", "e:A.D e:A.D/B.D", true, "|A.D|m");
        row("plain sub-folder, shallow", "e:sub/C.D", false, "");
        row("lower-case .d, deep", "e:x.d/Y.D", true, "/x.d|Y.D|m");
        row("deep levels", "e:a/b/c/D1.D d:a/E.D", true, "/a/b/c|D1.D|m /a|E.D|r");
        row("export is a directory", "d:F.D/epatemp.txt", false, "|F.D|r");
        row("hidden folders skipped", "e:.G.D e:.h/H.D", true, "");
        row("mixed", "e:K.D e:L.d e:M.DD d:N.D", false, "|K.D|m |N.D|r");
        row("link loops end", "e:A.D l:sub/up= l:sub/up2=", true, "|A.D|m");
        row("alias listed under both paths", "e:real/X.D l:alias=real", true,
            "/real|X.D|m /alias|X.D|m");
        // the report state of one folder
        row("own report done", "e:N.D w:N.D=this/1", false, "|N.D|g");
        row("own report not done", "e:N.D w:N.D=this/0", false, "|N.D|m");
        row("N other, N_1 own", "e:N.D w:N.D=other/1 w:N.D_1=this/1", false, "|N.D|g");
        row("N_1 without N", "e:N.D w:N.D_1=this/1", false, "|N.D|m");
        row("N without report.ini", "e:N.D w:N.D=this/- w:N.D_1=this/1", false, "|N.D|g");
        row("file N in the way, N_1 own", "e:N.D f:N.D w:N.D_1=this/1", false, "|N.D|g");
        row("done but its PDF missing", "e:N.D w:N.D=this/2", false, "|N.D|m");
        row("third in sequence", "e:N.D w:N.D=other/1 w:N.D_1=other/1 w:N.D_2=this/1", false,
            "|N.D|g");
        row("gap in sequence", "e:N.D w:N.D=other/1 w:N.D_2=this/1", false, "|N.D|m");
        row("path differs in case", "e:N.D w:N.D=THIS/1", false, "|N.D|m");
        row("done report but no export", "d:N.D w:N.D=this/1", false, "|N.D|r");
        row("percent sign in name", "e:P%2.D w:P%2.D=other/1 w:P%2.D_1=this/1", false, "|P%2.D|g");
        // changes
        row("analysis folder in a new sub-folder", "", true, "", "e:2024/05/N.D", "/2024/05|N.D|m");
        row("data directory made with a folder", "r:", true, "", "e:A.D", "|A.D|m");
        row("export appears", "d:A.D", true, "|A.D|r", "e:A.D", "|A.D|m");
        row("export rewritten in place", "e:A.D", true, "|A.D|m", "a:A.D", "|A.D|m");
        row("export becomes unreadable", "e:A.D", true, "|A.D|m", "x:A.D", "|A.D|r");
        row("export removed", "e:A.D", true, "|A.D|m", "r:A.D/epatemp.txt", "|A.D|r");
        row("report folder appears", "e:A.D", true, "|A.D|m", "w:A.D=this/1", "|A.D|g");
        row("report finished", "e:A.D w:A.D=this/0", true, "|A.D|m", "w:A.D=this/1", "|A.D|g");
        row("report folder removed", "e:A.D w:A.D=this/1", true, "|A.D|g", "R:A.D", "|A.D|m");
        row("watch limit reached", "d:A.D", false, "|A.D|r", "e:A.D", "|A.D|m", Unwatched);
        row("notice lost", "d:A.D", false, "|A.D|r", "e:A.D", "|A.D|m", Lost);
    }
    void passFindsTreeAndChanges()
    {
        QFETCH(QStringList, tree);
        QFETCH(bool, deep);
        QFETCH(QStringList, found);
        QFETCH(QStringList, change);
        QFETCH(QStringList, foundAfter);
        QFETCH(int, notices);
        apply(tree, root, reports);
        Driver d(root, reports, deep, notices == Lost ? 1000 : 600000,
                 notices == Unwatched ? 0 : 100000);
        QCOMPARE(d.shown, records(root, found));
        QCOMPARE(d.scanner.isWatching(), notices != Unwatched);
        if (change.isEmpty())
            return;
        if (notices == Lost)
            d.scanner.findChild<QSocketNotifier*>()->setEnabled(false);
        apply(change, root, reports);
        QTRY_VERIFY_WITH_TIMEOUT(d.passes > 1 && d.shown == records(root, foundAfter), 5000);
        QVERIFY2(d.passes <= 4, "passes are spaced, not back to back");
    }

    // The scanner is held inside its first folder while it is stopped from here; the pass must
    // end after that one entry, also from several levels down. Leaving does not wait for long
    // on a pass that does not return.
    void stopEndsRunningPass_data()
    {
        QTest::addColumn<bool>("deep");
        QTest::addColumn<bool>("byRelease");
        QTest::newRow("shallow") << false << false;
        QTest::newRow("deep") << true << false;
        QTest::newRow("released while stuck") << true << true;
    }
    void stopEndsRunningPass()
    {
        QFETCH(bool, deep);
        QFETCH(bool, byRelease);
        for (int i = 0; i < 30; ++i)
            apply({QStringLiteral("d:S%1.D").arg(i), QStringLiteral("d:p%1/q/T%1.D").arg(i)}, root,
                  reports);
        auto* scanner = new Thread_Func;
        QSemaphore reached, go, back;
        QAtomicInt seen = 0;
        connect(
            scanner, &Thread_Func::ProcData, scanner,
            [&] { seen.fetchAndAddRelaxed(1), reached.release(), go.acquire(); },
            Qt::DirectConnection);
        scanner->startProcess(root, reports, deep);
        QVERIFY(reached.tryAcquire(1, 10000));
        // lets the scanner go should this thread be kept waiting for it
        QScopedPointer<QThread> rescue(
            QThread::create([&] { go.release(back.tryAcquire(1, 3000) ? 0 : 1000); }));
        rescue->start();
        QVERIFY(byRelease ? !Thread_Func::release(scanner, 300) : (scanner->stopProcess(), true));
        back.release();
        go.release(1000);
        QVERIFY(scanner->wait(10000) && rescue->wait(10000));
        if (!byRelease)
            QCOMPARE(seen.loadRelaxed(), 1);
        delete scanner;
    }

    // A request for another tree made during a pass runs once that pass ends, with its own
    // parameters; a request for the same tree then waits for a change.
    void requestsWaitForChangeUnlessTreeChanges()
    {
        apply(words("d:F0.D d:second/sub/S.D"), root, reports);
        Thread_Func scanner;
        QSemaphore go; // holds the first pass in its first folder
        connect(
            &scanner, &Thread_Func::ProcData, &scanner, [&] { go.acquire(), go.release(); },
            Qt::DirectConnection);
        QSignalSpy found(&scanner, &Thread_Func::ProcData);
        QSignalSpy done(&scanner, &QThread::finished);
        scanner.startProcess(root, reports, false);
        scanner.startProcess(root + QStringLiteral("/second"), reports, true);
        QVERIFY(scanner.hasPendingStart());
        go.release();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 2, 10000);
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0][0].toString() + found[1][0].toString(),
                 root + root + QStringLiteral("/second/sub"));
        scanner.startProcess(root + QStringLiteral("/second"), reports, true);
        QVERIFY(!done.wait(500) && scanner.hasPendingStart());
    }

    // A file whose identity, size and times are unchanged keeps its judgement, unless it had
    // changed too shortly before to be sure.
    void cacheJudgesChangedFilesAgain()
    {
        apply(words("e:A.D e:B.D"), root, reports);
        const QString file = root + QStringLiteral("/A.D/epatemp.txt");
        const QByteArray path = QFile::encodeName(file);
        ScanCache cache(0), wary;
        ScanCache::Stamp before, after;
        QVERIFY(ScanCache::stampOf(path, &before));
        cache.beginPass(), wary.beginPass();
        cache.store(path, before).readable = true;
        wary.store(path, before);
        QVERIFY(cache.find(path, before) && cache.find(path, before)->readable &&
                !wary.find(path, before));
        // another file of the same size in its place
        QVERIFY(QFile::remove(file) &&
                QFile::rename(root + QStringLiteral("/B.D/epatemp.txt"), file));
        QVERIFY(ScanCache::stampOf(path, &after) && !cache.find(path, after));
    }
};

QTEST_GUILESS_MAIN(TestThreadFunc)
#include "tst_thread_func.moc"
