#include "catalogue/analysislist.h"
#include "catalogue/mainwindow_listwidget.h"

#include <QListWidget>
#include <QtTest>

#include <random>

Q_DECLARE_METATYPE(FolderRecords)

namespace {

FolderRecord rec(const QString& path, const QString& name, Qt::GlobalColor c = Qt::magenta)
{
    return {path, name, QColor(c)};
}

FolderRecords byNames(const QStringList& names)
{
    FolderRecords out;
    for (const QString& n : names)
        out.append(rec(QStringLiteral("/data"), n));
    return out;
}

// Insertion as the list does it, literally: entry j recolours 0..j when they begin with text j.
QVector<QColor> referenceColours(const QStringList& texts, const QVector<QColor>& colours)
{
    QVector<QColor> out(texts.size());
    for (int j = 0; j < texts.size(); ++j) {
        out[j] = colours[j];
        for (int i = 0; i <= j; ++i) {
            if (texts[i].startsWith(texts[j]))
                out[i] = colours[j];
        }
    }
    return out;
}

QColor colourNo(int k)
{
    return QColor::fromRgb(k * 7 % 256, k * 13 % 256, k * 29 % 256);
}

}  // namespace

class TestAnalysisList : public QObject {
    Q_OBJECT

private slots:
    void filterByPrefix_data();
    void filterByPrefix();
    void samePass_data();
    void samePass();
    void displayText_data();
    void displayText();
    void prefixColours_data();
    void prefixColours();
    void fillKeepsRecords_data();
    void fillKeepsRecords();
    void fillReplacesAndFinds();
};

void TestAnalysisList::filterByPrefix_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("expected");

    const QStringList names{QStringLiteral("BL_1.D"), QStringLiteral("ur_2.D"), QStringLiteral("bl_3.D"),
                            QStringLiteral("xBL_4.D"), QStringLiteral("Bl_5.D"), QStringLiteral("B.D")};
    const QStringList bl{QStringLiteral("BL_1.D"), QStringLiteral("bl_3.D"), QStringLiteral("Bl_5.D")};
    QTest::newRow("upper prefix") << names << QStringLiteral("BL") << bl;
    QTest::newRow("lower prefix") << names << QStringLiteral("bl") << bl;
    QTest::newRow("mixed prefix") << names << QStringLiteral("bL") << bl;
    QTest::newRow("empty prefix keeps all") << names << QString() << names;
    QTest::newRow("no match") << names << QStringLiteral("AS") << QStringList();
    QTest::newRow("prefix longer than names") << names << QStringLiteral("BL_1.D.more") << QStringList();
    QTest::newRow("whole name") << names << QStringLiteral("ur_2.d") << QStringList{QStringLiteral("ur_2.D")};
    QTest::newRow("cyrillic any case") << QStringList{QStringLiteral("Кровь_1.D"), QStringLiteral("КРОВЬ_2.D"), QStringLiteral("Моча.D")}
                                       << QStringLiteral("кровь")
                                       << QStringList{QStringLiteral("Кровь_1.D"), QStringLiteral("КРОВЬ_2.D")};
}

void TestAnalysisList::filterByPrefix()
{
    QFETCH(QStringList, names);
    QFETCH(QString, prefix);
    QFETCH(QStringList, expected);
    const FolderRecords got = AnalysisList::filterByPrefix(byNames(names), prefix);
    QStringList gotNames;
    for (const FolderRecord& r : got)
        gotNames << r.name;
    QCOMPARE(gotNames, expected);
}

void TestAnalysisList::samePass_data()
{
    QTest::addColumn<FolderRecords>("a");
    QTest::addColumn<FolderRecords>("b");
    QTest::addColumn<bool>("same");

    const FolderRecords base{rec(QStringLiteral("/d"), QStringLiteral("A.D")), rec(QStringLiteral("/d"), QStringLiteral("B.D"), Qt::red)};
    QTest::newRow("equal") << base << base << true;
    QTest::newRow("both empty") << FolderRecords() << FolderRecords() << true;
    QTest::newRow("buffer became empty") << FolderRecords() << base << false;
    QTest::newRow("one more") << base << (FolderRecords(base) << rec(QStringLiteral("/d"), QStringLiteral("C.D"))) << false;
    QTest::newRow("other order") << base << FolderRecords{base[1], base[0]} << false;
    FolderRecords recoloured = base;
    recoloured[1].state = QColor(Qt::darkGreen);
    QTest::newRow("colour changed") << base << recoloured << false;
    FolderRecords moved = base;
    moved[0].path = QStringLiteral("/d/2024");
    QTest::newRow("path changed") << base << moved << false;
    FolderRecords renamed = base;
    renamed[0].name = QStringLiteral("a.D");
    QTest::newRow("name case changed") << base << renamed << false;
}

void TestAnalysisList::samePass()
{
    QFETCH(FolderRecords, a);
    QFETCH(FolderRecords, b);
    QFETCH(bool, same);
    QCOMPARE(AnalysisList::samePass(a, b), same);
    QCOMPARE(AnalysisList::samePass(b, a), same);
}

void TestAnalysisList::displayText_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("deep");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("expected");

    QTest::newRow("deep sub-folder") << "D:/data/2024" << "X.D" << true << "D:/data" << "X.D (../2024)";
    QTest::newRow("deep top level") << "D:/data" << "X.D" << true << "D:/data" << "X.D (..)";
    QTest::newRow("deep every occurrence") << "/d/x/d" << "Y.D" << true << "/d" << "Y.D (../x..)";
    QTest::newRow("deep case-sensitive") << "d:/Data/2024" << "X.D" << true << "D:/data" << "X.D (d:/Data/2024)";
    QTest::newRow("deep empty data dir") << "/p" << "Z.D" << true << "" << "Z.D (/p)";
    QTest::newRow("deep parenthesis name") << "/data/a)b" << "W(2).D" << true << "/data" << "W(2).D (../a)b)";
    QTest::newRow("shallow") << "D:/data" << "X.D" << false << "D:/data" << "X.D";
    QTest::newRow("shallow ignores path") << "/elsewhere" << "Q (1).D" << false << "/data" << "Q (1).D";
}

void TestAnalysisList::displayText()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(bool, deep);
    QFETCH(QString, dataDir);
    QFETCH(QString, expected);
    QCOMPARE(AnalysisList::displayText(rec(path, name), deep, dataDir), expected);
}

void TestAnalysisList::prefixColours_data()
{
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("empty") << QStringList();
    QTest::newRow("single") << QStringList{QStringLiteral("a")};
    QTest::newRow("prefix inserted later") << QStringList{QStringLiteral("ab"), QStringLiteral("a")};
    QTest::newRow("prefix inserted first") << QStringList{QStringLiteral("a"), QStringLiteral("ab")};
    QTest::newRow("duplicates") << QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("x")};
    QTest::newRow("empty text") << QStringList{QStringLiteral("abc"), QString(), QStringLiteral("b")};
    QTest::newRow("chain") << QStringList{QStringLiteral("abcd"), QStringLiteral("ab"), QStringLiteral("abc"), QStringLiteral("a"),
                                          QStringLiteral("abd"), QStringLiteral("b")};
    QTest::newRow("case differs") << QStringList{QStringLiteral("AB.D"), QStringLiteral("ab")};
    QTest::newRow("display texts") << QStringList{QStringLiteral("X.D (..)"), QStringLiteral("X.D (../2024)"),
                                                  QStringLiteral("X.D (.."), QStringLiteral("X.D")};
    // Random texts over a two-letter alphabet give many prefix relations.
    std::mt19937 gen(424242u);
    for (int round = 0; round < 8; ++round) {
        QStringList texts;
        const int n = 50 + round * 60;
        for (int i = 0; i < n; ++i) {
            QString t;
            const int len = int(gen() % 5);
            for (int k = 0; k < len; ++k)
                t += QLatin1Char(gen() % 2 ? 'a' : 'b');
            texts << t;
        }
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(round))) << texts;
    }
}

void TestAnalysisList::prefixColours()
{
    QFETCH(QStringList, texts);
    QVector<QColor> colours;
    for (int i = 0; i < texts.size(); ++i)
        colours << colourNo(i + 1);
    QCOMPARE(AnalysisList::resolvePrefixColours(texts, colours), referenceColours(texts, colours));
}

void TestAnalysisList::fillKeepsRecords_data()
{
    QTest::addColumn<FolderRecords>("records");
    QTest::addColumn<bool>("deep");

    const FolderRecords awkward{
        rec(QStringLiteral("/data"), QStringLiteral("W(2).D"), Qt::darkGreen),
        rec(QStringLiteral("/data/x/../y"), QStringLiteral("A.D"), Qt::red),
        rec(QStringLiteral("/data/a)b"), QStringLiteral("B (c).D")),
        rec(QStringLiteral("/data"), QStringLiteral("B.D")),
        rec(QStringLiteral("/other/data"), QStringLiteral("C.D"), Qt::darkGreen),
    };
    QTest::newRow("deep, parentheses and dots") << awkward << true;
    QTest::newRow("shallow") << FolderRecords{awkward[0], awkward[2], awkward[3]} << false;
    QTest::newRow("empty") << FolderRecords() << true;
    FolderRecords mixed;
    for (const char* n : {"b.D", "B.D", "_x.D", "a_1.D", "A-1.D", "10.D", "9.D", "Ёж.D", "еж.D", "a.D", "A.D"})
        mixed << rec(QStringLiteral("/data"), QString::fromUtf8(n));
    QTest::newRow("mixed case and punctuation") << mixed << false;
}

void TestAnalysisList::fillKeepsRecords()
{
    QFETCH(FolderRecords, records);
    QFETCH(bool, deep);
    const QString dataDir = QStringLiteral("/data");
    QListWidget list;
    ListWidgetFill::fill(&list, records, deep, dataDir);
    QCOMPARE(list.count(), records.size());
    QVERIFY(list.isSortingEnabled());

    QStringList texts;
    QVector<QColor> colours;
    for (const FolderRecord& r : records) {
        texts << AnalysisList::displayText(r, deep, dataDir);
        colours << r.state;
    }
    const QVector<QColor> expectedColours = referenceColours(texts, colours);
    for (int i = 0; i < records.size(); ++i) {
        const int row = ListWidgetFill::rowOfText(&list, texts[i]);
        QVERIFY2(row >= 0, qPrintable(texts[i]));
        const QListWidgetItem* item = list.item(row);
        QCOMPARE(ListWidgetFill::recordOf(item), records[i]);
        QCOMPARE(item->foreground().color(), expectedColours[i]);
        QCOMPARE(item->foreground().style(), Qt::SolidPattern);
    }
    for (int row = 1; row < list.count(); ++row)
        QVERIFY2(!(*list.item(row) < *list.item(row - 1)), qPrintable(list.item(row)->text()));
}

void TestAnalysisList::fillReplacesAndFinds()
{
    QListWidget list;
    ListWidgetFill::fill(&list, byNames({QStringLiteral("C.D"), QStringLiteral("A.D"), QStringLiteral("B.D")}), false, QString());
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.item(0)->text(), QStringLiteral("A.D"));
    QCOMPARE(list.item(2)->text(), QStringLiteral("C.D"));
    QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("B.D")), 1);
    QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("B")), -1);
    QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("b.d")), -1);

    ListWidgetFill::fill(&list, byNames({QStringLiteral("Z.D")}), false, QString());
    QCOMPARE(list.count(), 1);
    QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("A.D")), -1);

    // A new item added later still goes to its sorted place.
    list.addItem(QStringLiteral("M.D"));
    QCOMPARE(list.item(0)->text(), QStringLiteral("M.D"));

    QCOMPARE(ListWidgetFill::recordOf(nullptr), FolderRecord());
    QCOMPARE(ListWidgetFill::recordOf(list.item(0)), FolderRecord());
}

QTEST_MAIN(TestAnalysisList)
#include "tst_analysislist.moc"
