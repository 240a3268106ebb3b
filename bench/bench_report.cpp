// Report production from New to the report editor shown, with the simulator answering at
// once: the report's files, PDF and record written, synced and committed. From the second run
// on, the analysis is produced again (the question answered Yes), which also keeps the
// released PDF.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <cstdio>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "catalogue/mainwindow_listwidget.h"
#include "demodata/demodata.h"
#include "devicesim/devicesimulator.h"
#include "windows/editreport.h"
#include "windows/reasondialog.h"

namespace {

void printStats(const char* what, QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s min %8.1f ms  median %8.1f ms  max %8.1f ms  (n=%d)\n", what, ms.first(),
                ms[ms.size() / 2], ms.last(), int(ms.size()));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setAutoAnswer(true);
    AppTestDir dir;
    const QString dataDir = dir.file("data");
    DeviceSimulator sim;
    sim.listen();
    AppTestDir::Settings settings;
    settings.dataDir = dataDir;
    settings.port = QString::number(sim.port());
    if (!dir.copyTemplates() || !QDir().mkpath(dataDir) ||
        !DemoData::writeAnalysis(dataDir, "BL_1001.D", DemoData::ExportContent()) ||
        !dir.writeSettings(settings)) {
        std::printf("cannot set up the application directory\n");
        return 1;
    }
    dir.enter();
    const QString appDir = dir.path();

    MainWindow w;
    w.show();
    w.login_procedure();
    w.findChild<QComboBox*>("cb_01")->setCurrentIndex(5); // Blood: template type 3, two charts
    auto* list = w.findChild<QListWidget*>("ListText");
    QElapsedTimer wait;
    wait.start();
    while (list->count() == 0 && wait.elapsed() < 10000)
        QTest::qWait(10);
    if (list->count() == 0) {
        std::printf("no analysis listed\n");
        return 1;
    }

    const int runs = 20;
    QVector<double> production;
    for (int i = 0; i < runs; ++i) {
        emit list->activated(list->model()->index(0, 0));
        int stages = 0;
        double shownAt = -1;
        QElapsedTimer t;
        QMetaObject::Connection c = QObject::connect(&w, &MainWindow::nextStageProgress, [&] {
            if (++stages == 8)
                shownAt = t.nsecsElapsed() / 1e6;
        });
        bool written = false;
        QMetaObject::Connection d = QObject::connect(&w, &MainWindow::pdfWritten,
                                                     [&](const QString&, bool) { written = true; });
        MessageBox::setNextAnswer(MessageBox::Yes);
        ReasonDialog::setNextReason(QStringLiteral("Benchmark"));
        t.start();
        w.findChild<QPushButton*>("pb_01")->click();
        while (shownAt < 0 && t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        production << shownAt;
        while (!written && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QObject::disconnect(c);
        QObject::disconnect(d);

        w.reportEditor()->close();
    }
    printStats("New -> report editor shown", production);

    return 0;
}
