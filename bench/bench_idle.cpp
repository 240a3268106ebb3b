// CPU used by the program idling in the working window over 1,000 analysis folders.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <cstdio>
#include <sys/resource.h>

#include "app/mainwindow.h"
#include "app/messagebox.h"
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
    QTemporaryDir tmp;
    const QString appDir = tmp.filePath("app");
    const QString dataDir = tmp.filePath("data");
    QDir().mkpath(appDir + "/docs");
    for (const QString& name : QDir(LAB_SOURCE_DIR "/data/docs").entryList({"*.html"}))
        QFile::copy(LAB_SOURCE_DIR "/data/docs/" + name, appDir + "/docs/" + name);
    DemoData::makeLargeTree(dataDir, 1000, false);
    QDir().mkpath(appDir + "/settings");
    {
        QSettings ini(appDir + "/settings/settings.ini", QSettings::IniFormat);
        ini.setValue("NetworkSettings/NetworkIP", "127.0.0.1");
        ini.setValue("NetworkSettings/NetworkLV", false);
        ini.setValue("NetworkSettings/NetworkID", "ABCD-EFGH-IJKL");
        ini.setValue("NetworkSettings/NetworkPort", "9");
        ini.setValue("PathSettings/Directory", dataDir);
        ini.setValue("OperatorsSettings/Count", 1);
        ini.setValue("OperatorsSettings/Operator_0", "Bench");
        ini.setValue("Language/Count", 2);
        ini.setValue("Language/Current", 0);
    }
    QDir::setCurrent(appDir);
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
