#include "report/markertable.h"

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
    }
    void highlight()
    {
        QFETCH(int, templateType);
        QFETCH(double, norm);
        QFETCH(double, result);
        QFETCH(bool, highlighted);
        MarkerRow row;
        row.norm = norm;
        row.result = result;
        QCOMPARE(exceedsReference(row, templateType), highlighted);
    }

    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 3.0;
        QTest::newRow("-2.5") << -2.5 << -3.0;
        QTest::newRow("2.49") << 2.49 << 2.0;
        QTest::newRow("-0.4") << -0.4 << 0.0;
        QTest::newRow("big") << 10000000.5 << 10000001.0;
    }
    void rounding()
    {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(Markers::roundHalfAway(value), rounded);
    }

    void postCalcSumsUnroundedResults()
    {
        MarkerTable t = Markers::buildTable(0, 0);
        t[0].result = 1.5;
        t[0].norm = 10;
        t[1].result = 2.5;
        t[1].norm = 20;
        t[56].result = 0.4;
        t[56].norm = 5;
        t[58].result = 7.5;  // rows past the sum are not touched
        t[59].norm = 3;
        Markers::postCalc(t);
        QCOMPARE(t[0].result, 2.0);
        QCOMPARE(t[1].result, 3.0);
        QCOMPARE(t[56].result, 0.0);
        QCOMPARE(t[SumRow].result, 4.0);  // round(4.4), not 2 + 3 + 0
        QCOMPARE(t[SumRow].norm, 35.0);
        QCOMPARE(t[58].result, 7.5);
        QCOMPARE(t[59].norm, 3.0);
        QCOMPARE(t[SumRow].name, QStringLiteral("Sum"));
    }

    void postCalcResetsOldSum()
    {
        MarkerTable t = Markers::buildTable(0, 0);
        t[SumRow].result = 99;
        t[SumRow].norm = 99;
        t[3].result = -2.5;
        Markers::postCalc(t);
        QCOMPARE(t[3].result, -3.0);
        QCOMPARE(t[SumRow].result, -3.0);
        QCOMPARE(t[SumRow].norm, 0.0);
    }

    void postCalcShortTable()
    {
        MarkerTable t(3);
        t[2].result = 0.5;
        Markers::postCalc(t);
        QCOMPARE(t.size(), 3);
        QCOMPARE(t[2].result, 1.0);
    }

    void names_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::newRow("en 0") << 0 << 0 << 0 << "Streptococcus spp.";
        QTest::newRow("en 5 two blanks") << 0 << 0 << 5 << "Nocardia  spp.";
        QTest::newRow("en 7 two blanks") << 0 << 0 << 7 << "Moraxella  spp./Acinetobacter spp.";
        QTest::newRow("en 29") << 0 << 0 << 29 << "Enterobacteriaceae spp. (E.coli etc)";
        QTest::newRow("ru 29") << 0 << 1 << 29 << QString::fromUtf8("Enterobacteriaceae spp. (E.coli и пр)");
        QTest::newRow("ru 30") << 0 << 1 << 30 << QString::fromUtf8("Clostridium spp.(группа C. tetani)");
        QTest::newRow("ru 43") << 0 << 1 << 43 << QString::fromUtf8("Streptococcus mutans (анаэробные)");
        QTest::newRow("ru 45 two blanks") << 0 << 1 << 45 << QString::fromUtf8("Микр грибы,  кампестерол");
        QTest::newRow("en 45") << 0 << 0 << 45 << "Microfungi, Campesterol";
        QTest::newRow("ru 47") << 0 << 1 << 47 << QString::fromUtf8("Эпштейна-Барр вирус");
        QTest::newRow("ru 48") << 0 << 1 << 48 << QString::fromUtf8("Микр грибы, ситостерол");
        QTest::newRow("ru 56") << 0 << 1 << 56 << QString::fromUtf8("Цитомегаловирус");
        QTest::newRow("ru keeps latin") << 0 << 1 << 36 << "Staphylococcus aureus";
        QTest::newRow("en 55") << 0 << 0 << 55 << "Propionibacterium jensenii";
        QTest::newRow("ru sum") << 0 << 1 << 57 << QString::fromUtf8("Сумма");
        QTest::newRow("en sum") << 0 << 0 << 57 << "Sum";
        QTest::newRow("en 58") << 0 << 0 << 58 << QString::fromUtf8("Плазмологен (по 16а)");
        QTest::newRow("ru 58") << 0 << 1 << 58 << QString::fromUtf8("Плазмологен (по 16а)");
        QTest::newRow("en 59") << 0 << 0 << 59 << QString::fromUtf8("Эндотоксин (сумма)");
        QTest::newRow("lang 2 is English") << 0 << 2 << 57 << "Sum";
        QTest::newRow("ear en 4") << 9 << 0 << 4 << "Sebum, 14:1";
        QTest::newRow("ear en 11") << 9 << 0 << 11 << "Sebum, 15:1";
        QTest::newRow("ear ru 4") << 9 << 1 << 4 << QString::fromUtf8("Себум, 14:1");
        QTest::newRow("ear ru 11") << 9 << 1 << 11 << QString::fromUtf8("Себум, 15:1");
        QTest::newRow("ear keeps 12") << 9 << 0 << 12 << "Stenotrophomonas maltophilia";
        QTest::newRow("urine 4") << 10 << 0 << 4 << "Cl. hystolyticum/Str. pneumonia";
        QTest::newRow("code 8 row 11") << 8 << 1 << 11 << "Clostridium propionicum";
    }
    void names()
    {
        QFETCH(int, code);
        QFETCH(int, language);
        QFETCH(int, row);
        QFETCH(QString, name);
        const MarkerTable t = Markers::buildTable(uchar(code), uchar(language));
        QCOMPARE(t.size(), MarkerTableSize);
        QCOMPARE(t[row].name, name);
    }

    void freshRowsAreEmpty()
    {
        const MarkerTable t = Markers::buildTable(3, 1);
        QSet<QString> distinct;
        for (const MarkerRow& r : t) {
            QCOMPARE(r.norm, 0.0);
            QCOMPARE(r.result, 0.0);
            QVERIFY(!r.highlighted);
            QVERIFY(!r.name.isEmpty());
            distinct.insert(r.name);
        }
        QCOMPARE(distinct.size(), MarkerTableSize);
    }

    void layoutChoice_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("templateType");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::newRow("AS") << 0 << 3 << "in uterus aspirat" << QString::fromUtf8("в аспирате из матки");
        QTest::newRow("BA") << 2 << 1 << "in bronchoalveolar lavage" << QString::fromUtf8("в бронхоальвеолярном лаваже");
        QTest::newRow("EA") << 9 << 1 << "in ear swab" << QString::fromUtf8("в мазке из уха");
        QTest::newRow("UR") << 10 << 2 << "in urina" << QString::fromUtf8("в моче");
        QTest::newRow("FK") << 18 << 2 << "in feces" << QString::fromUtf8("в фекалиях");
        QTest::newRow("CE") << 19 << 3 << "in cervical swab" << QString::fromUtf8("в цериквальном канале");
        QTest::newRow("SF") << 20 << 1 << "in semen fluid" << QString::fromUtf8("в эякуляте");
        QTest::newRow("out of range") << 200 << 1 << "" << "";
    }
    void layoutChoice()
    {
        QFETCH(int, code);
        QFETCH(int, templateType);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QCOMPARE(Markers::templateType(uchar(code)), templateType);
        QCOMPARE(Markers::samplePhrase(uchar(code), 0), english);
        QCOMPARE(Markers::samplePhrase(uchar(code), 1), russian);
    }
};

QTEST_GUILESS_MAIN(TestMarkerTable)
#include "tst_markertable.moc"
