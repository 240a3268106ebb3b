#include "windows/progressinfo.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class tst_ProgressInfo : public QObject
{
    Q_OBJECT

    static QString text(ProgressInfo& w) { return w.findChild<QLabel*>(QStringLiteral("label"))->text(); }
    static int bar(ProgressInfo& w) { return w.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(); }

private slots:
    void form()
    {
        ProgressInfo w;
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Текущий процесс"));
        QCOMPARE(w.windowModality(), Qt::ApplicationModal);
        QVERIFY(w.windowFlags().testFlag(Qt::CustomizeWindowHint) && !w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(text(w), QString::fromUtf8("Формирование отчета"));
        QCOMPARE(bar(w), 24);
        w.SetCoord(500, 400);
        QCOMPARE(w.geometry(), QRect(483, 270, 169, 52));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        w.SetCoord(17, 130);
        QCOMPARE(w.pos(), QPoint(0, 0));
    }

    // The texts come from one table: the first, a rounded and the last stage stand for all.
    void stages_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<int>("barValue");
        QTest::newRow("0") << 0 << "Read report file" << QString::fromUtf8("Чтение файла отчета") << 0;
        QTest::newRow("3") << 3 << "Checking raw data" << QString::fromUtf8("Проверка исходных данных") << 37;
        QTest::newRow("7") << 7 << "Save report to PDF" << QString::fromUtf8("Сохранение отчета в PDF") << 87;
    }
    // A stage is reached either directly (initStage) or by stepping from the one before.
    void stages()
    {
        QFETCH(int, stage);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QFETCH(int, barValue);
        ProgressInfo w;
        w.show();
        w.initStage(uint(stage));
        QCOMPARE(text(w), russian);
        QCOMPARE(bar(w), barValue);

        w.SetLang(0);
        QCOMPARE(text(w), russian); // language applies at the next change
        w.initStage(uint(qMax(0, stage - 1)));
        if (stage > 0)
            w.nextStage();
        QCOMPARE(w.stage(), stage);
        QCOMPARE(text(w), english);
        QCOMPARE(bar(w), barValue);
        QVERIFY(w.isVisible());

        w.SetLang(1);
        w.changeName();
        QCOMPARE(text(w), russian);
    }

    // Only the eighth step closes the window; the user never can, not even after that.
    void eighthStepCloses()
    {
        ProgressInfo w;
        w.SetLang(0);
        w.show();
        w.initStage(0);
        for (int i = 1; i <= 7; ++i)
            w.nextStage();
        QVERIFY(!w.close());
        QCloseEvent ev;
        QCoreApplication::sendEvent(&w, &ev);
        QVERIFY(!ev.isAccepted() && w.isVisible());
        w.nextStage();
        QVERIFY(!w.isVisible());
        // Extra steps are absorbed: the window stays closed and nothing changes.
        w.nextStage();
        w.nextStage();
        QVERIFY(!w.isVisible());
        QCOMPARE(text(w), QStringLiteral("Save report to PDF"));
        QCOMPARE(bar(w), 87);
        w.show();
        QVERIFY(!w.close());
        // A fresh run after that starts over.
        w.initStage(0);
        QVERIFY(w.isVisible() && w.stage() == 0);
        QCOMPARE(text(w), QStringLiteral("Read report file"));
    }

    void initPastLastStageCloses()
    {
        for (const uint start : {8u, 0xFFFFFFFFu}) {
            ProgressInfo w;
            w.show();
            w.initStage(3);
            const QString before = text(w);
            w.initStage(start);
            QVERIFY(!w.isVisible() && text(w) == before);
            QCOMPARE(bar(w), 37);
            w.nextStage();
            QVERIFY(!w.isVisible() && text(w) == before);
        }
    }

    void outOfRangeStageIsClamped()
    {
        ProgressInfo w;
        w.SetLang(0);
        w.initStage(9);
        w.changeName(); // past the end: the generation text, bar clamped
        QCOMPARE(text(w), QStringLiteral("Report generation"));
        QCOMPARE(bar(w), 100);
        QCOMPARE(ProgressInfo::barValue(-1), 0);
    }
};

QTEST_MAIN(tst_ProgressInfo)
#include "tst_progressinfo.moc"
