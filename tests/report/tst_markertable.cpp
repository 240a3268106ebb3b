#include "report/markertable.h"

#include <limits>
#include <QtTest>

class TestMarkerTable : public QObject {
    Q_OBJECT

private slots:
    void highlight_data()
    {
        QTest::addColumn<int>("templateType");
        QTest::addColumn<double>("norm");
        QTest::addColumn<double>("result");
        QTest::addColumn<bool>("highlighted");
        QTest::newRow("ratio exactly 2") << 1 << 150.0 << 300.0 << true;
        QTest::newRow("just below") << 1 << 150.0 << 299.0 << false;
        QTest::newRow("norm 0, result 2") << 3 << 0.0 << 2.0 << true;
        QTest::newRow("norm 0, result 1") << 3 << 0.0 << 1.0 << false;
        QTest::newRow("norm truncated") << 1 << 150.9 << 300.0 << true;
        QTest::newRow("type 2 ignores norm") << 2 << 500.0 << 2.0 << true;
        QTest::newRow("type 2, result 1") << 2 << 500.0 << 1.0 << false;
        // A norm that cannot be truncated to an integer counts as 1.
        QTest::newRow("norm infinite") << 1 << std::numeric_limits<double>::infinity() << 2.0 << true;
        QTest::newRow("norm 1e300") << 1 << 1e300 << 2.0 << true;
    }
    void highlight()
    {
        QFETCH(int, templateType);
        MarkerRow row;
        QFETCH(double, norm);
        QFETCH(double, result);
        row.norm = norm;
        row.result = result;
        QTEST(exceedsReference(row, templateType), "highlighted");
    }

    // Results round halves away from zero; the sum is the rounded sum of the unrounded results.
    void postCalcSumsUnroundedResults()
    {
        MarkerTable t = Markers::buildTable(0, 0);
        const auto set = [&t](int row, double result, double norm) {
            t[row].result = result;
            t[row].norm = norm;
        };
        set(SumRow, 99, 99);  // an old sum is replaced
        set(0, 1.5, 10);
        set(1, 2.5, 20);
        set(56, 0.4, 5);
        set(58, 7.5, 3);  // rows past the sum are not touched
        Markers::postCalc(t);
        QCOMPARE(QVector<double>({t[0].result, t[1].result, t[56].result, t[58].result}), QVector<double>({2, 3, 0, 7.5}));
        QCOMPARE(QVector<double>({t[SumRow].result, t[SumRow].norm}), QVector<double>({4, 35}));  // round(4.4), not 2 + 3 + 0

        MarkerTable shortTable(3);
        shortTable[1].result = -2.5;
        shortTable[2].result = 0.5;
        Markers::postCalc(shortTable);
        QCOMPARE(shortTable.size(), 3);
        QCOMPARE(QVector<double>({shortTable[1].result, shortTable[2].result}), QVector<double>({-3, 1}));
    }

    // A fresh table: 60 empty rows named in the language, Russian only for language 1.
    void names_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::newRow("ru sum") << 0 << 1 << 57 << "Сумма";
        QTest::newRow("en 58 is Russian") << 0 << 0 << 58 << "Плазмологен (по 16а)";
        QTest::newRow("lang 2 is English") << 0 << 2 << 57 << "Sum";
        QTest::newRow("ear en 4") << 9 << 0 << 4 << "Sebum, 14:1";
        QTest::newRow("ear ru 11") << 9 << 1 << 11 << "Себум, 15:1";
        QTest::newRow("code 8 row 4") << 8 << 0 << 4 << "Cl. hystolyticum/Str. pneumonia";
        QTest::newRow("code 8 row 11") << 8 << 1 << 11 << "Clostridium propionicum";
    }
    void names()
    {
        QFETCH(int, code);
        QFETCH(int, language);
        QFETCH(int, row);
        const MarkerTable t = Markers::buildTable(uchar(code), uchar(language));
        QCOMPARE(t.size(), MarkerTableSize);
        QTEST(t[row].name, "name");
        QVERIFY(t[row].norm == 0 && t[row].result == 0 && !t[row].highlighted);
    }

    void layoutChoice_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("templateType");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::newRow("AS") << 0 << 3 << "in uterus aspirat" << "в аспирате из матки";
        QTest::newRow("out of range") << 200 << 1 << "" << "";
    }
    void layoutChoice()
    {
        QFETCH(int, code);
        QTEST(Markers::templateType(uchar(code)), "templateType");
        QTEST(Markers::samplePhrase(uchar(code), 0), "english");
        QTEST(Markers::samplePhrase(uchar(code), 1), "russian");
    }
};

QTEST_GUILESS_MAIN(TestMarkerTable)
#include "tst_markertable.moc"
