// Two processes on one application directory, as two workstations on a share: what they race
// on must come out as if they had taken turns.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "report/history.h"
#include "report/reportrecord.h"

namespace {

// Runs lab_race twice at once; the two outputs.
QStringList raceTwo(const QStringList& first, const QStringList& second)
{
    QProcess a, b;
    a.start(QStringLiteral(LAB_RACE), first);
    b.start(QStringLiteral(LAB_RACE), second);
    const bool done = a.waitForFinished(60000) && b.waitForFinished(60000);
    if (!done || a.exitCode() != 0 || b.exitCode() != 0)
        return {};
    return {QString::fromUtf8(a.readAllStandardOutput()),
            QString::fromUtf8(b.readAllStandardOutput())};
}

} // namespace

class TestRaces : public QObject
{
    Q_OBJECT
    // In memory where there is such a folder: the races are in mkdir, link and the append
    // lock; the syncs only cost time, thousands of times over.
    QTemporaryDir m_tmp{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                            ? QStringLiteral("/dev/shm/tst_races-XXXXXX")
                            : QDir::tempPath() + QStringLiteral("/tst_races-XXXXXX")};

  private slots:
    // Analyses of one name in two data folders, claimed at the same instant in each round.
    void claimingFolders_neverGivesTwoAnalysesOneFolder()
    {
        const QString reports = m_tmp.filePath(QStringLiteral("reports"));
        const QString sync = m_tmp.filePath(QStringLiteral("sync"));
        QVERIFY(QDir().mkpath(sync));
        const int rounds = 1000;
        const QStringList out =
            raceTwo({"claim", reports, sync, "/data/a", "a", "b", QString::number(rounds)},
                    {"claim", reports, sync, "/data/b", "b", "a", QString::number(rounds)});
        QCOMPARE(out.size(), 2);
        const QStringList a = out[0].split('\n', Qt::SkipEmptyParts);
        const QStringList b = out[1].split('\n', Qt::SkipEmptyParts);
        QCOMPARE(a.size(), rounds);
        QCOMPARE(b.size(), rounds);
        int firstWonByA = 0;
        for (int n = 0; n < rounds; ++n) {
            const QString name = QStringLiteral("R%1.D").arg(n);
            const QString folderA = a[n].section(' ', 1), folderB = b[n].section(' ', 1);
            QVERIFY2(folderA != folderB, qPrintable(a[n]));
            QVERIFY2(QSet<QString>({folderA, folderB}) == QSet<QString>({name, name + "_1"}),
                     qPrintable(a[n] + " / " + b[n]));
            QCOMPARE(ReportRecord::readFolderPath(ReportRecord::iniPath(reports, folderA)),
                     "/data/a");
            QCOMPARE(ReportRecord::findFolder(reports, name, "/data/b"), folderB);
            firstWonByA += folderA == name;
        }
        // Both won some rounds: the processes did run against each other.
        QVERIFY2(firstWonByA > 0 && firstWonByA < rounds, qPrintable(QString::number(firstWonByA)));
    }

    void appendingFromTwoProcesses_losesNoEntry()
    {
        const QString path = m_tmp.filePath(QStringLiteral("history.txt"));
        QCOMPARE(raceTwo({"append", path, "300", "A"}, {"append", path, "300", "B"}).size(), 2);
        const QList<History::Entry> entries = History::read(path);
        QCOMPARE(entries.size(), 600);
        const History::Verdict verdict = History::verify(path, QString(), {});
        QVERIFY(verdict.intact() && verdict.unprotected == 0);
        QMap<QString, int> next; // each process's entries in its own order
        int turns = 0;
        for (int i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].newValue.toInt(), next[entries[i].operatorName]++);
            turns += i > 0 && entries[i].operatorName != entries[i - 1].operatorName;
        }
        QCOMPARE(next.value("A") + next.value("B"), 600);
        QVERIFY2(turns > 2, qPrintable(QString::number(turns))); // they did write at once
    }
};

QTEST_GUILESS_MAIN(TestRaces)
#include "tst_races.moc"
