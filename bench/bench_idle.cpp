// The program signed in and idle in the working window: its CPU use, and how soon a new analysis
// shows in the list, over 1,000 and 10,000 analysis folders in year/month folders (deep search,
// every second folder with a report record), with the folders watched and with watching
// unavailable (passes paced by their cost, as on a network share).
// Usage: bench_idle [idle seconds, 125] [latency samples, 12] [work dir: keeps the trees]
//                   [folder counts, "1000,10000"] [modes, "watched,paced"]
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "catalogue/thread_func.h"
#include "demodata/demodata.h"

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

bool listed(QListWidget* list, const QString& text)
{
    return !list->findItems(text, Qt::MatchExactly).isEmpty();
}

struct Result
{
    double idlePercent = 0;
    qint64 medianMs = 0;
    qint64 maxMs = 0;
};

// One signed-in program over work/data-<count>; false when it could not be set up.
bool measure(const QString& work, int count, bool watched, int idleSeconds, int samples,
             Result* out)
{
    const QString data = QStringLiteral("%1/data-%2").arg(work).arg(count);
    const QString reports = QStringLiteral("%1/reports-%2").arg(work).arg(count);
    const QString month = data + QStringLiteral("/2015/01");
    if (!QDir(data).exists() && !DemoData::makeLargeTree(data, count, true, reports))
        return false;
    for (const QString& old : QDir(month).entryList({QStringLiteral("AS_NEW_*")}, QDir::Dirs))
        QDir(month + QLatin1Char('/') + old).removeRecursively();

    AppTestDir dir;
    AppTestDir::Settings settings;
    settings.dataDir = data;
    settings.deep = true;
    settings.port = QStringLiteral("9"); // no device answers; each check fails at once
    if (!dir.copyTemplates() || !dir.writeSettings(settings) ||
        !QFile::link(reports, dir.file("reports")))
        return false;
    dir.enter();
    MainWindow w;
    if (!watched)
        w.scanner()->setWatchLimit(0); // refuses every watch: passes are paced as on a share
    w.show();
    w.login_procedure();
    w.findChild<QComboBox*>(QStringLiteral("cb_01"))->setCurrentIndex(21); // every folder listed
    QListWidget* list = w.findChild<QListWidget*>(QStringLiteral("ListText"));
    if (!waitFor([&] { return list->count() == count; }, 300000))
        return false;
    QTest::qWait(3000); // the first device check and anything started at sign-in settle

    // A plain event loop: the program alone decides when it wakes up.
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(idleSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    out->idlePercent = 100.0 * (cpuSeconds() - cpu0) / (wall.elapsed() / 1000.0);

    // The list is looked at once after each rebuild, which begins by clearing it.
    QString awaited;
    qint64 latency = -1;
    QElapsedTimer t;
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, list, [&] {
        QTimer::singleShot(0, list, [&] {
            if (latency < 0 && !awaited.isEmpty() && listed(list, awaited))
                latency = t.elapsed();
        });
    });
    QVector<qint64> latencies;
    for (int i = 0; i < samples; ++i) {
        QTest::qWait(500 + QRandomGenerator::global()->bounded(2500)); // any phase of a pace
        const QString name = QStringLiteral("AS_NEW_%1.D").arg(i);
        awaited = name + QStringLiteral(" (../2015/01)");
        latency = -1;
        t.start();
        if (!DemoData::writeAnalysis(month, name,
                                     DemoData::makeContent(DemoData::Language::English, 7)) ||
            !waitFor([&] { return latency >= 0; }, 60000))
            return false;
        latencies.append(latency);
    }
    for (int i = 0; i < samples; ++i)
        QDir(QStringLiteral("%1/AS_NEW_%2.D").arg(month).arg(i)).removeRecursively();
    std::sort(latencies.begin(), latencies.end());
    out->medianMs = latencies.isEmpty() ? 0 : latencies[latencies.size() / 2];
    out->maxMs = latencies.isEmpty() ? 0 : latencies.last();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setAutoAnswer(true);
    const int idleSeconds = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 125;
    const int samples = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 12;
    QTemporaryDir tmp;
    const QString work =
        argc > 3 ? QDir(QString::fromLocal8Bit(argv[3])).absolutePath() : tmp.path();
    QDir().mkpath(work);
    const QStringList counts =
        QString::fromLatin1(argc > 4 ? argv[4] : "1000,10000").split(QLatin1Char(','));
    const QString modes = QString::fromLatin1(argc > 5 ? argv[5] : "watched,paced");

    std::printf(
        "idle %d s, %d new analyses each; latency: folder and export written -> entry listed\n",
        idleSeconds, samples);
    for (const QString& countText : counts) {
        const int count = countText.toInt();
        for (bool watched : {true, false}) {
            if (!modes.contains(QLatin1String(watched ? "watched" : "paced")))
                continue;
            Result r;
            if (!measure(work, count, watched, idleSeconds, samples, &r)) {
                std::printf("cannot set up or measure %d folders\n", count);
                return 1;
            }
            std::printf("%6d folders, %-8s  idle cpu %6.2f %% of one core (target %s)   "
                        "latency median %5lld ms, max %5lld ms\n",
                        count, watched ? "watched" : "paced", r.idlePercent,
                        watched ? "< 1" : "< 5", r.medianMs, r.maxMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
