// A batch of 100 reports against the device simulator on loopback: throughput, time per
// report and resident memory, with every report written, synced and committed whole on the
// disk the application directory is on. Two reports made with New before
// the batch let the web engine, fonts, printer and caches reach their working size (the
// second distinct report still adds some 15 MB, once), so that the memory figures show what
// each report of the batch adds.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "demodata/demodata.h"
#include "devicesim/devicesimulator.h"
#include "windows/editreport.h"

namespace {

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = 100;
    MessageBox::setAutoAnswer(true);
    AppTestDir dir;
    const QString dataDir = dir.file("data");
    DeviceSimulator sim;
    sim.listen();
    AppTestDir::Settings settings;
    settings.dataDir = dataDir;
    settings.port = QString::number(sim.port());
    bool ready =
        dir.copyTemplates() && QDir().mkpath(dataDir) && dir.writeSettings(settings) &&
        DemoData::writeAnalysis(dataDir, QStringLiteral("BL_first.D"), DemoData::ExportContent()) &&
        DemoData::writeAnalysis(dataDir, QStringLiteral("BL_second.D"), DemoData::ExportContent());
    for (int i = 0; i < count && ready; ++i)
        ready = DemoData::writeAnalysis(
            dataDir, QStringLiteral("BL_%1.D").arg(i, 3, 10, QLatin1Char('0')),
            DemoData::makeContent(DemoData::Language::English, quint32(i)));
    if (!ready) {
        std::printf("cannot set up the application directory\n");
        return 1;
    }
    dir.enter();

    MainWindow w;
    w.show();
    w.login_procedure();
    w.findChild<QComboBox*>("cb_01")->setCurrentIndex(5); // Blood: template type 3, two charts
    auto* list = w.findChild<QListWidget*>("ListText");
    auto* action = w.findChild<QAction*>("actionMake_batch");
    QElapsedTimer wait;
    wait.start();
    while ((list->count() < count + 2 || !action->isEnabled()) && wait.elapsed() < 20000)
        QTest::qWait(10);
    if (list->count() < count + 2 || !action->isEnabled()) {
        std::printf("the analyses were not listed\n");
        return 1;
    }
    const long rssStart = rssKb();
    for (const char* name : {"BL_first.D", "BL_second.D"}) {
        const QList<QListWidgetItem*> item = list->findItems(QLatin1String(name), Qt::MatchExactly);
        bool done = false;
        QMetaObject::Connection c = QObject::connect(&w, &MainWindow::productionEnded,
                                                     [&](bool ok, const QString&) { done = ok; });
        emit list->activated(list->model()->index(list->row(item.value(0)), 0));
        w.findChild<QPushButton*>("pb_01")->click();
        while (!done && wait.elapsed() < 60000)
            QTest::qWait(10);
        QObject::disconnect(c);
        w.reportEditor()->close();
        if (!done) {
            std::printf("the report of %s failed\n", name);
            return 1;
        }
    }

    QVector<double> perReport;
    int done = 0;
    long rssAfterTen = 0;
    QElapsedTimer total;
    QElapsedTimer one;
    QObject::connect(&w, &MainWindow::productionEnded, [&](bool ok, const QString&) {
        perReport << one.nsecsElapsed() / 1e6;
        one.start();
        done += ok ? 1 : 0;
        if (perReport.size() == 10)
            rssAfterTen = rssKb();
    });
    QEventLoop loop;
    QObject::connect(&w, &MainWindow::batchFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30 * 60 * 1000, &loop, &QEventLoop::quit);

    const long rssBefore = rssKb();
    MessageBox::setNextAnswer(MessageBox::Yes);
    total.start();
    one.start();
    action->trigger();
    loop.exec();
    const double seconds = total.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    const long rssAfter = rssKb();

    if (perReport.isEmpty()) {
        std::printf("no report was produced\n");
        return 1;
    }
    std::sort(perReport.begin(), perReport.end());
    std::printf("reports done %d of %d in %.1f s: %.1f reports per minute\n", done, count, seconds,
                done * 60.0 / seconds);
    std::printf("time per report: median %.1f ms, max %.1f ms\n", perReport[perReport.size() / 2],
                perReport.last());
    std::printf("RSS signed in %ld kB, after two reports made with New %ld kB\n", rssStart,
                rssBefore);
    std::printf("RSS before the batch %ld kB, after 10 reports %ld kB, after %d reports %ld kB\n",
                rssBefore, rssAfterTen, done, rssAfter);
    std::printf("growth per report: %.1f kB over the whole batch, %.1f kB after the first ten\n",
                double(rssAfter - rssBefore) / count,
                double(rssAfter - rssAfterTen) / (count - 10));
    return done == count ? 0 : 1;
}
