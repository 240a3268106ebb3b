// CPU used by the program idling in the working window over 1,000 analysis folders.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTimer>
#include <QTest>
#include <cstdio>
#include <sys/resource.h>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "demodata/demodata.h"

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setAutoAnswer(true);
    const int seconds = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 30;
    AppTestDir dir;
    const QString dataDir = dir.file("data");
    AppTestDir::Settings settings;
    settings.dataDir = dataDir;
    settings.port = QStringLiteral("9");  // no device answers; the first check fails once
    if (!dir.copyTemplates() || !DemoData::makeLargeTree(dataDir, 1000, false)
        || !dir.writeSettings(settings)) {
        std::printf("cannot set up the application directory\n");
        return 1;
    }
    dir.enter();
    MainWindow w;
    w.show();
    w.login_procedure();
    QTest::qWait(3000);  // first passes and the first device check settle
    const double cpu0 = cpuSeconds();
    QElapsedTimer t;
    t.start();
    // A plain event loop: the program alone decides when it wakes up.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpu0;
    const double wall = t.elapsed() / 1000.0;
    std::printf("idle %d s over 1000 analysis folders: cpu %.3f s = %.2f %% of one core\n",
                seconds, cpu, 100.0 * cpu / wall);
    return 0;
}
