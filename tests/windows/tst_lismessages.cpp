// The LIS messages window over a real outbox and listener: what it lists, when a message can be
// sent again, and Esc.
#include "lisreportfixture.h"
#include "lissim/lislistener.h"
#include "report/lisoutbox.h"
#include "windows/lismessages.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestLisMessages : public QObject
{
    Q_OBJECT

  private slots:
    void listsStatesAndSendsARefusedOneAgain()
    {
        QTemporaryDir app;
        LisListener lis;
        QVERIFY(lis.listen());
        lis.replyOnce(LisListener::Reply::Error, "Unknown patient");
        LisOutbox outbox(app.path());
        LisOutbox::Timing timing;
        timing.pollMs = 50;
        outbox.setTiming(timing);
        LisOutbox::Config config;
        config.toListener = true;
        config.host = "127.0.0.1";
        config.port = lis.port();
        outbox.setConfig(config);
        for (const char* code : {"R1", "R2"}) {
            QVERIFY(outbox.enqueue(lisTestReport(code)));
            QTRY_COMPARE(outbox.waitingCount(), 0);
        }

        lisMessages window(&outbox);
        window.SetLang(0);
        window.ShowWindow();
        auto* list = window.findChild<QTableWidget*>("twMessages");
        auto* again = window.findChild<QPushButton*>("pb_SendAgain");
        const auto row = [&](int r) { return window.rowTexts(r).mid(1).join(" | "); };
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(row(0), "R2.D | 1 | MLLP | Delivered | AA");
        QCOMPARE(row(1), "R1.D | 1 | MLLP | Refused | AE: Unknown patient");
        list->selectRow(0);
        QVERIFY(!again->isEnabled());
        list->selectRow(1);
        QVERIFY(again->isEnabled());
        again->click();
        QTRY_COMPARE(row(0), "R1.D | 1 | MLLP | Delivered | AA");
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(lis.received().size(), 3);

        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestLisMessages)
#include "tst_lismessages.moc"
