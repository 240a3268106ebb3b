// The batch's rule for going on after a failed analysis, without windows or a device.
#include <QtTest>

#include "report/batchrun.h"

class TestBatchRun : public QObject
{
    Q_OBJECT

  private slots:
    // Only a failure that would meet every analysis that follows ends the batch; the next
    // analysis gets a new connection after one that broke.
    void failure_endsTheBatchOnlyWhenItWouldRepeat_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<bool>("stops");
        QTest::newRow("connection broke during the analysis")
            << int(Failure::ConnectionLost) << false;
        QTest::newRow("device cannot be reached") << int(Failure::DeviceUnreachable) << true;
        QTest::newRow("application directory not writable") << int(Failure::WriteFailed) << true;
        QTest::newRow("calculation refused") << int(Failure::DeviceCalculationFailed) << false;
        QTest::newRow("foreign export") << int(Failure::ForeignExport) << false;
        QTest::newRow("report in use elsewhere") << int(Failure::InUse) << false;
        QTest::newRow("page not printed") << int(Failure::PageNotPrinted) << false;
    }
    void failure_endsTheBatchOnlyWhenItWouldRepeat()
    {
        QFETCH(int, failure);
        QFETCH(bool, stops);
        BatchRun run;
        QVector<BatchRun::Entry> entries(3);
        for (int i = 0; i < entries.size(); ++i)
            entries[i].label = QStringLiteral("A%1.D").arg(i);
        run.start(entries);
        QVERIFY(run.next());
        run.recordFailure(QStringLiteral("what the operator was told"), Failure(failure));
        const BatchRun::Entry* second = run.next();
        QCOMPARE(second == nullptr, stops);
        QCOMPARE(run.countOf(BatchRun::Outcome::NotProduced), stops ? 2 : 0);
        QCOMPARE(run.entries().first().message, QStringLiteral("what the operator was told"));
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "tst_batchrun.moc"
