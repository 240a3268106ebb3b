#include "windows/progressinfo.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

class tst_ProgressInfo : public QObject
{
    Q_OBJECT

    static QString text(ProgressInfo& w)
    {
        return w.findChild<QLabel*>(QStringLiteral("label"))->text();
    }
    static int bar(ProgressInfo& w)
    {
        return w.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value();
    }

  private slots:
    // The form; each step from stage 0 shows the next text and bar value; the language applies
    // at the next change. Past the last stage the window closes and stays as it was.
    void stages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("English") << 0 << QStringList{"Read report file",  "Connection",
                                                     "Write raw data",    "Checking raw data",
                                                     "Calculation",       "Read results",
                                                     "Report generation", "Save report to PDF"};
        QTest::newRow("Russian") << 1 << QStringList{"Чтение файла отчета",
                                                     "Подсоединение",
                                                     "Запись исходных данных",
                                                     "Проверка исходных данных",
                                                     "Вычисление",
                                                     "Чтение результата",
                                                     "Формирование отчета",
                                                     "Сохранение отчета в PDF"};
    }
    void stages()
    {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        const QList<int> bars{0, 12, 25, 37, 50, 62, 75, 87};
        ProgressInfo w;
        QCOMPARE(w.windowTitle() + '|' + text(w) + '|' + QString::number(bar(w)),
                 "Текущий процесс|Формирование отчета|24");
        QVERIFY(w.windowModality() == Qt::ApplicationModal &&
                !w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        w.SetCoord(500, 400);
        QCOMPARE(w.geometry(), QRect(483, 270, 169, 52));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        w.SetLang(uchar(language));
        w.show();
        w.initStage(0);
        QStringList shown{text(w)};
        QList<int> values{bar(w)};
        for (int stage = 1; stage <= 7; ++stage) {
            w.nextStage();
            QVERIFY(!w.close() && w.isVisible()); // the user cannot close it
            shown << text(w);
            values << bar(w);
        }
        QCOMPARE(shown, texts);
        QCOMPARE(values, bars);
        for (int extra = 0; extra < 3; ++extra) {
            w.nextStage();
            QVERIFY(!w.isVisible());
            QCOMPARE(text(w), texts.last());
        }
        w.show();
        w.initStage(3); // a fresh run starts over; a new language waits for the next change
        w.SetLang(uchar(1 - language));
        QVERIFY(w.isVisible() && text(w) == texts.at(3));
        w.initStage(0xFFFFFFFFu); // any start past the last stage only closes
        QVERIFY(!w.isVisible());
        QCOMPARE(text(w), texts.at(3));
    }
};

QTEST_MAIN(tst_ProgressInfo)
#include "tst_progressinfo.moc"
