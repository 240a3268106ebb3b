// The report unit on its own: which PDF belongs to which report, what a refused or failed
// run leaves of a finished report, what an editor that is out of date may not do, and the
// breadcrumb that other tools read.
#include <QtTest>

#include "report/history.h"
#include "report/reportunit.h"
#include "unitsandbox.h"

namespace {

QString recordValue(const QString& folder, const char* key)
{
    return QSettings(folder + QStringLiteral("/report.ini"), QSettings::IniFormat)
        .value(QLatin1String(key))
        .toString();
}

// Read afresh: QSettings would keep what it read of an earlier version of the file.
int debugStage(UnitSandbox& s)
{
    QFile f(s.file(QStringLiteral("debug.ini")));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = f.readAll();
    const int at = text.indexOf("DebugStage=");
    return at < 0 ? -1 : text.mid(at + 11).trimmed().toInt();
}

} // namespace

class TestReportUnit : public QObject
{
    Q_OBJECT

  private slots:
    // Report folders "XC.D_1" and "XC_1.D" once shared one PDF name, so Print showed another
    // patient's report. Whatever the order, each report keeps its own PDF.
    void pdfNames_neverShowAnotherPatient_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::newRow("suffixed folder first") << QStringList{"a/XC.D", "b/XC.D", "XC_1.D"};
        QTest::newRow("suffixed analysis first") << QStringList{"XC_1.D", "a/XC.D", "b/XC.D"};
    }
    void pdfNames_neverShowAnotherPatient()
    {
        QFETCH(QStringList, order);
        UnitSandbox s;
        const QMap<QString, QString> patients{
            {"a/XC.D", "Patient Alpha"}, {"b/XC.D", "Patient Beta"}, {"XC_1.D", "Patient Gamma"}};
        for (const QString& analysis : order)
            QVERIFY(s.addAnalysis(analysis, patients.value(analysis)) && s.produce(analysis).ok());
        QSet<QString> pdfs;
        for (const QString& analysis : order) {
            const QString pdf = s.pdfOf(analysis);
            pdfs.insert(pdf);
            QVERIFY2(pdfTitle(pdf).contains(patients.value(analysis)),
                     qPrintable(analysis + ": " + pdf));
            for (const QString& other : order) {
                if (other != analysis)
                    QVERIFY(!pdfTitle(pdf).contains(patients.value(other)));
            }
        }
        QCOMPARE(pdfs.size(), 3);
        // Producing one of them again keeps the other's PDF.
        const QByteArray gamma = s.snapshot().value(s.pdfOf("XC_1.D").mid(s.appDir().size() + 1));
        QVERIFY(s.produce("b/XC.D", "Check").ok());
        QCOMPARE(s.snapshot().value(s.pdfOf("XC_1.D").mid(s.appDir().size() + 1)), gamma);
    }

    // A production of a finished report that is refused or fails leaves every file of it as it
    // was, and the history says nothing about it.
    void failedReproduction_leavesTheFinishedReport_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("failure");
        QTest::newRow("foreign export") << "Peak report" << int(Failure::ForeignExport);
        QTest::newRow("device lost the connection") << "" << int(Failure::ConnectionLost);
    }
    void failedReproduction_leavesTheFinishedReport()
    {
        QFETCH(QString, fault);
        QFETCH(int, failure);
        UnitSandbox s;
        QVERIFY(s.addAnalysis("SL_2.D") && s.produce("SL_2.D").ok());
        const QMap<QString, QByteArray> before = s.snapshot();
        ReportUnit::Request request;
        request.folderName = "SL_2.D";
        request.folderPath = s.dataDir();
        request.operatorName = "Test Operator";
        if (!fault.isEmpty()) {
            QVERIFY(s.addAnalysis("SL_2.D", QStringLiteral("Another Patient"), fault));
            QCOMPARE(int(s.unit().begin(request).failure), failure);
        } else {
            QVERIFY(s.addAnalysis("SL_2.D", QStringLiteral("Another Patient")));
            QVERIFY(s.unit().begin(request).ok());
            s.unit().deviceFailed(Failure(failure));
        }
        QVERIFY(!s.unit().running());
        s.restart();
        const QMap<QString, QByteArray> after = s.snapshot();
        for (const QString& file : before.keys())
            QVERIFY2(after.value(file) == before.value(file), qPrintable(file));
        QVERIFY(s.finished("SL_2.D"));
    }

    // An editor opened before the analysis was produced again, or before another workstation
    // changed a value, shows what is no longer there: its Apply writes nothing.
    void outOfDateEditor_isRefused_data()
    {
        QTest::addColumn<bool>("producedAgain");
        QTest::addColumn<int>("failure");
        QTest::newRow("produced again") << true << int(Failure::ProducedAgain);
        QTest::newRow("patient changed elsewhere") << false << int(Failure::ChangedElsewhere);
    }
    void outOfDateEditor_isRefused()
    {
        QFETCH(bool, producedAgain);
        QFETCH(int, failure);
        UnitSandbox s;
        QVERIFY(s.addAnalysis("UR_5.D") && s.produce("UR_5.D").ok());
        const QString folder = s.reportFolderOf("UR_5.D");
        ReportUnit::Change change;
        change.reportFolder = folder;
        change.shown = ReportRecord::readPrint(folder + "/report.ini");
        change.producedTx = ReportRecord::readProducedTx(folder + "/report.ini");
        change.operatorName = "Workstation A";
        change.reason = "Conclusion corrected";
        change.values = change.shown;
        change.values.conclusion = "Corrected by A";
        if (producedAgain)
            QVERIFY(s.produce("UR_5.D", "Check").ok());
        else
            QVERIFY(s.changePatient("UR_5.D", "Right Name").ok()); // workstation B
        const QMap<QString, QByteArray> before = s.snapshot();
        const Outcome outcome = s.unit().apply(change);
        QCOMPARE(int(outcome.failure), failure);
        if (!producedAgain)
            QVERIFY2(outcome.message.contains("patient name") &&
                         outcome.message.contains("Editing Operator"),
                     qPrintable(outcome.message));
        QVERIFY(s.snapshot() == before);
        QCOMPARE(recordValue(folder, "ReportData/PatientPrint"),
                 producedAgain ? QString("Ivanov D.A.") : QString("Right Name"));
    }

    // Two batches over one list: while one workstation produces a report, another that wants
    // the same report writes nothing and is told who has it; the history gets one entry.
    void sameReportTwiceAtOnce_secondIsRefused()
    {
        UnitSandbox s;
        QVERIFY(s.addAnalysis("NO_6.D"));
        TextPagePrinter printer;
        ReportUnit other(s.appDir(), &printer);
        ReportUnit::Request request;
        request.folderName = "NO_6.D";
        request.folderPath = s.dataDir();
        request.operatorName = "Operator B";
        QVERIFY(other.begin(request).ok()); // waits for its device
        const Outcome refused = s.produce("NO_6.D");
        QCOMPARE(int(refused.failure), int(Failure::InUse));
        QVERIFY2(refused.message.contains("Operator B") &&
                     refused.message.contains(QSysInfo::machineHostName()),
                 qPrintable(refused.message));
        other.deviceFailed(Failure::ConnectionLost);
        QVERIFY(s.produce("NO_6.D").ok());
        QCOMPARE(History::read(History::path(s.reportFolderOf("NO_6.D"))).size(), 1);
    }

    // debug.ini: the numbers other tools read, and a trace whose damage or loss costs nothing.
    void checkpoints_areWrittenAndNeverStopARun_data()
    {
        QTest::addColumn<QString>("debugIni"); // "dir": a folder in its place
        QTest::addColumn<QString>("title");    // line 1 of the export; empty: a quantitation report
        QTest::addColumn<int>("stage");
        QTest::newRow("complete") << ""
                                  << "" << int(Checkpoint::Committed);
        QTest::newRow("foreign export") << ""
                                        << "Peak report" << int(Checkpoint::RawDataCopied);
        QTest::newRow("damaged breadcrumb") << "[Debug\nno equals sign\n"
                                            << "" << int(Checkpoint::Committed);
        QTest::newRow("folder in its place") << "dir"
                                             << "" << -1;
    }
    void checkpoints_areWrittenAndNeverStopARun()
    {
        QFETCH(QString, debugIni);
        QFETCH(QString, title);
        QFETCH(int, stage);
        UnitSandbox s;
        QVERIFY(s.addAnalysis("BT_1.D", QString(), title));
        if (debugIni == "dir") {
            QVERIFY(QDir().mkpath(s.file("debug.ini")));
        } else if (!debugIni.isEmpty()) {
            QFile f(s.file("debug.ini"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(debugIni.toUtf8()) > 0);
        }
        QCOMPARE(s.produce("BT_1.D").ok(), title.isEmpty());
        QCOMPARE(debugStage(s), stage);
        if (title.isEmpty()) {
            s.unit().finished();
            QCOMPARE(debugStage(s), stage < 0 ? -1 : int(Checkpoint::Finished));
        }
    }

    // A plain file where the report folder would be: production uses the next name, and the
    // report is found there again, also by a restarted program.
    void fileInTheWay_reportFoundInTheNextFolder()
    {
        UnitSandbox s;
        QVERIFY(s.addAnalysis("EA_3.D") && QDir().mkpath(s.file("reports")));
        QVERIFY(QFile(s.file("reports/EA_3.D")).open(QIODevice::WriteOnly));
        QVERIFY(s.produce("EA_3.D").ok());
        QCOMPARE(s.reportFolderOf("EA_3.D"), s.file("reports/EA_3.D_1"));
        s.restart();
        QVERIFY(s.finished("EA_3.D"));
    }
};

QTEST_MAIN(TestReportUnit)
#include "tst_reportunit.moc"
