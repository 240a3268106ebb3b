// Runs the program's own code in a process of its own, so that tests can race two of them on
// one application directory:
//   lab_race claim <reportsDir> <syncDir> <folderPath> <me> <other> <rounds>
//       claims the report folder of R<n>.D for each round n, starting each round together with
//       <other> (each waits for the other's file in <syncDir>); prints "<n> <folder>"
//   lab_race append <history.txt> <count> <operator>   appends <count> entries, one at a time
//   lab_race lock <reportFolder> <operator> <heartbeat ms>   takes the lock, prints the state,
//       and holds it until killed
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "report/history.h"
#include "report/reportlock.h"
#include "report/reportrecord.h"

#include <sched.h>

namespace {

void waitFor(const QString& path)
{
    while (!QFileInfo::exists(path))
        sched_yield();
}

int claim(const QStringList& a)
{
    QTextStream out(stdout);
    for (int n = 0; n < a.at(5).toInt(); ++n) {
        QFile mine(QStringLiteral("%1/%2.%3").arg(a.at(1)).arg(n).arg(a.at(3)));
        if (!mine.open(QIODevice::WriteOnly))
            return 2;
        waitFor(QStringLiteral("%1/%2.%3").arg(a.at(1)).arg(n).arg(a.at(4)));
        QString folder;
        const FileWrite::Result r =
            ReportRecord::chooseFolder(a.at(0), QStringLiteral("R%1.D").arg(n), a.at(2), &folder);
        out << n << ' ' << (r ? folder : FileWrite::message(r, 0)) << '\n';
    }
    return 0;
}

int append(const QStringList& a)
{
    for (int i = 0; i < a.at(1).toInt(); ++i) {
        ReportRecord::PrintValues before, after;
        after.patient = QString::number(i);
        if (!History::append(
                a.at(0), History::changes(QDateTime::currentDateTime(), a.at(2), before, after)))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList a = app.arguments().mid(1);
    const QString command = a.value(0);
    a.removeFirst();
    if (command == QLatin1String("claim") && a.size() == 6)
        return claim(a);
    if (command == QLatin1String("append") && a.size() == 3)
        return append(a);
    if (command != QLatin1String("lock") || a.size() != 3)
        return 2;
    ReportLock lock(a.at(0));
    lock.setTimes(a.at(2).toInt(), 60000);
    QTextStream(stdout) << int(lock.tryAcquire(a.at(1))) << Qt::endl;
    return app.exec();
}
