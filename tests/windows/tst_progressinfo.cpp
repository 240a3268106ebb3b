#include "windows/progressinfo.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class tst_ProgressInfo : public QObject
{
    Q_OBJECT

private:
    static QLabel* label(ProgressInfo& w) { return w.findChild<QLabel*>(QStringLiteral("label")); }
    static QProgressBar* bar(ProgressInfo& w)
    {
        return w.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    }

private slots:
    void form()
    {
        ProgressInfo w;
        QCOMPARE(w.objectName(), QStringLiteral("ProgressInfo"));
        QCOMPARE(w.size(), QSize(169, 52));
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Текущий процесс"));
        QCOMPARE(w.windowModality(), Qt::ApplicationModal);
        const Qt::WindowFlags f = w.windowFlags();
        QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!f.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowTitleHint));
        QVERIFY(!f.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(w.isWindow());
        QVERIFY(label(w) && bar(w));
        QCOMPARE(label(w)->geometry(), QRect(10, 0, 151, 20));
        QCOMPARE(label(w)->alignment(), Qt::AlignCenter);
        QCOMPARE(label(w)->text(), QString::fromUtf8("Формирование отчета"));
        QCOMPARE(bar(w)->geometry(), QRect(10, 20, 161, 23));
        QCOMPARE(bar(w)->value(), 24);
    }

    void stageTexts_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<int>("barValue");
        const auto u = [](const char* s) { return QString::fromUtf8(s); };
        QTest::newRow("0") << 0 << u("Read report file") << u("Чтение файла отчета") << 0;
        QTest::newRow("1") << 1 << u("Connection") << u("Подсоединение") << 12;
        QTest::newRow("2") << 2 << u("Write raw data") << u("Запись исходных данных") << 25;
        QTest::newRow("3") << 3 << u("Checking raw data") << u("Проверка исходных данных") << 37;
        QTest::newRow("4") << 4 << u("Calculation") << u("Вычисление") << 50;
        QTest::newRow("5") << 5 << u("Read results") << u("Чтение результата") << 62;
        QTest::newRow("6") << 6 << u("Report generation") << u("Формирование отчета") << 75;
        QTest::newRow("7") << 7 << u("Save report to PDF") << u("Сохранение отчета в PDF") << 87;
    }

    // initStage(n) puts the window straight on stage n in either language.
    void stageTexts()
    {
        QFETCH(int, stage);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QFETCH(int, barValue);

        ProgressInfo w;
        w.show();
        w.initStage(uint(stage));
        QCOMPARE(w.stage(), stage);
        QCOMPARE(label(w)->text(), russian);
        QCOMPARE(bar(w)->value(), barValue);

        w.SetLang(0);
        QCOMPARE(label(w)->text(), russian); // language applies at the next change
        w.initStage(uint(stage));
        QCOMPARE(label(w)->text(), english);
        QCOMPARE(bar(w)->value(), barValue);
        QVERIFY(w.isVisible());

        w.SetLang(1);
        w.changeName();
        QCOMPARE(label(w)->text(), russian);
    }

    void cleanRunClosesAfterEightSteps()
    {
        ProgressInfo w;
        w.SetLang(0);
        w.show();
        w.initStage(0);
        QCOMPARE(label(w)->text(), QStringLiteral("Read report file"));
        QCOMPARE(bar(w)->value(), 0);

        const QStringList expected = {
            QStringLiteral("Connection"),       QStringLiteral("Write raw data"),
            QStringLiteral("Checking raw data"), QStringLiteral("Calculation"),
            QStringLiteral("Read results"),     QStringLiteral("Report generation"),
            QStringLiteral("Save report to PDF")};
        const QList<int> values = {12, 25, 37, 50, 62, 75, 87};
        for (int i = 0; i < expected.size(); ++i) {
            w.nextStage();
            QVERIFY2(w.isVisible(), qPrintable(QString::number(i + 1)));
            QCOMPARE(w.stage(), i + 1);
            QCOMPARE(label(w)->text(), expected.at(i));
            QCOMPARE(bar(w)->value(), values.at(i));
        }
        w.nextStage(); // eighth
        QVERIFY(!w.isVisible());
        QCOMPARE(label(w)->text(), QStringLiteral("Save report to PDF"));
        QCOMPARE(bar(w)->value(), 87);

        // Extra steps are absorbed: the window stays closed and nothing changes.
        w.nextStage();
        w.nextStage();
        QVERIFY(!w.isVisible());
        QCOMPARE(label(w)->text(), QStringLiteral("Save report to PDF"));
        QCOMPARE(bar(w)->value(), 87);
        QVERIFY(!w.closeAllowed());

        // A fresh run after that starts over.
        w.show();
        w.initStage(0);
        QVERIFY(w.isVisible());
        QCOMPARE(w.stage(), 0);
        QCOMPARE(label(w)->text(), QStringLiteral("Read report file"));
    }

    void initPastLastStageCloses_data()
    {
        QTest::addColumn<uint>("start");
        QTest::newRow("8") << 8u;
        QTest::newRow("10") << 10u;
        QTest::newRow("huge") << 0xFFFFFFFFu;
    }

    void initPastLastStageCloses()
    {
        QFETCH(uint, start);
        ProgressInfo w;
        w.show();
        w.initStage(3);
        const QString before = label(w)->text();
        const int barBefore = bar(w)->value();
        QVERIFY(w.isVisible());

        w.initStage(start);
        QVERIFY(!w.isVisible());
        QCOMPARE(label(w)->text(), before);
        QCOMPARE(bar(w)->value(), barBefore);
        w.nextStage();
        QVERIFY(!w.isVisible());
        QCOMPARE(label(w)->text(), before);
    }

    void userCannotClose()
    {
        ProgressInfo w;
        w.show();
        w.initStage(0);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());

        QCloseEvent ev;
        QCoreApplication::sendEvent(&w, &ev);
        QVERIFY(!ev.isAccepted());
        QVERIFY(w.isVisible());

        // Closing itself at the end does not leave the door open for the user.
        for (int i = 0; i < 8; ++i)
            w.nextStage();
        QVERIFY(!w.isVisible());
        w.show();
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
    }

    void changeNameOutsideRange()
    {
        ProgressInfo w;
        w.SetLang(0);
        w.initStage(9);
        w.changeName(); // stage past the end shows the generation text, bar full-range clamp
        QCOMPARE(label(w)->text(), QStringLiteral("Report generation"));
        QCOMPARE(bar(w)->value(), 100);
        QCOMPARE(ProgressInfo::barValue(-1), 0);
        QCOMPARE(ProgressInfo::barValue(9), 100);
    }

    void setCoord()
    {
        ProgressInfo w;
        w.SetCoord(500, 400);
        QCOMPARE(w.geometry(), QRect(483, 270, 169, 52));
        QCOMPARE(w.minimumSize(), QSize(169, 52));
        QCOMPARE(w.maximumSize(), QSize(169, 52));
        w.SetCoord(17, 130);
        QCOMPARE(w.pos(), QPoint(0, 0));
    }
};

QTEST_MAIN(tst_ProgressInfo)
#include "tst_progressinfo.moc"
