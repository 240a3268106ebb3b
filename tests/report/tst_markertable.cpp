#include "report/markertable.h"

#include <limits>
#include <QtTest>

class TestMarkerTable : public QObject
{
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
        QTest::newRow("norm infinite")
            << 1 << std::numeric_limits<double>::infinity() << 2.0 << true;
        QTest::newRow("norm 1e300") << 1 << 1e300 << 2.0 << true;
    }
    void highlight()
    {
        QFETCH(int, templateType);
        QFETCH(double, norm);
        QFETCH(double, result);
        QTEST(exceedsReference(MarkerRow{QString(), norm, result, false}, templateType),
              "highlighted");
    }

    // Results round halves away from zero; the sum is the rounded sum of the unrounded results.
    void postCalcSumsUnroundedResults()
    {
        MarkerTable t = Markers::buildTable(0, 0);
        const std::tuple<int, double, double> rows[] = {
            {SumRow, 99, 99}, {0, 1.5, 10}, {1, 2.5, 20}, {2, -2.5, 0},
            {3, 0.4, 0},      {55, 0.4, 0}, {56, 0.4, 5}, {58, 7.5, 3}};
        for (auto [row, result, norm] : rows) {
            t[row].result = result;
            t[row].norm = norm;
        }
        Markers::postCalc(t);
        QCOMPARE(
            QVector<double>({t[0].result, t[1].result, t[2].result, t[56].result, t[58].result}),
            QVector<double>({2, 3, -3, 0, 7.5})); // rows past the sum are left alone
        QCOMPARE(QVector<double>({t[SumRow].result, t[SumRow].norm}),
                 QVector<double>({3, 35})); // round(2.7), not 2
    }

    // A fresh table of 60 empty rows: names Russian only for language 1, the sample phrase Russian
    // for any language but 0, and the report template chosen by the calculation type code.
    void tableForCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("templateType");
        QTest::newRow("ru sum") << 0 << 1 << 57 << "Сумма"
                                << "в аспирате из матки" << 3;
        QTest::newRow("en 58 is Russian") << 0 << 0 << 58 << "Плазмологен (по 16а)"
                                          << "in uterus aspirat" << 3;
        QTest::newRow("language 2") << 10 << 2 << 57 << "Sum"
                                    << "в моче" << 2;
        QTest::newRow("ear en 4") << 9 << 0 << 4 << "Sebum, 14:1"
                                  << "in ear swab" << 1;
        QTest::newRow("ear ru 11") << 9 << 1 << 11 << "Себум, 15:1"
                                   << "в мазке из уха" << 1;
        QTest::newRow("urethra 4") << 8 << 0 << 4 << "Cl. hystolyticum/Str. pneumonia"
                                   << "in urethra swab" << 2;
        QTest::newRow("code 200 row 11") << 200 << 1 << 11 << "Clostridium propionicum"
                                         << "" << 1;
    }
    void tableForCode()
    {
        QFETCH(int, code);
        QFETCH(int, language);
        QFETCH(int, row);
        const MarkerTable t = Markers::buildTable(uchar(code), uchar(language));
        QCOMPARE(t.size(), MarkerTableSize);
        QTEST(t[row].name, "name");
        QVERIFY(t[row].norm == 0 && t[row].result == 0 && !t[row].highlighted);
        QTEST(Markers::samplePhrase(uchar(code), uchar(language)), "phrase");
        QTEST(Markers::templateType(uchar(code)), "templateType");
    }
};

QTEST_GUILESS_MAIN(TestMarkerTable)
#include "tst_markertable.moc"
