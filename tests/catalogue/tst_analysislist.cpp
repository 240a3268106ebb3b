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
    void filterByPrefix_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("expected");
        const QStringList names{QStringLiteral("BL_1.D"), QStringLiteral("ur_2.D"), QStringLiteral("B.D")};
        QTest::newRow("empty prefix keeps all") << names << QString() << names;
        QTest::newRow("prefix longer than names") << names << QStringLiteral("BL_1.D.more") << QStringList();
        QTest::newRow("cyrillic any case") << QStringList{QStringLiteral("Кровь_1.D"), QStringLiteral("КРОВЬ_2.D"), QStringLiteral("Моча.D")}
                                           << QStringLiteral("кровь")
                                           << QStringList{QStringLiteral("Кровь_1.D"), QStringLiteral("КРОВЬ_2.D")};
    }
    void filterByPrefix()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, prefix);
        QStringList got;
        for (const FolderRecord& r : AnalysisList::filterByPrefix(byNames(names), prefix))
            got << r.name;
        QTEST(got, "expected");
    }

    void samePass_data()
    {
        QTest::addColumn<FolderRecords>("a");
        QTest::addColumn<FolderRecords>("b");
        QTest::addColumn<bool>("same");
        const FolderRecords base{rec(QStringLiteral("/d"), QStringLiteral("A.D")), rec(QStringLiteral("/d"), QStringLiteral("B.D"), Qt::red)};
        QTest::newRow("equal") << base << base << true;
        QTest::newRow("buffer became empty") << FolderRecords() << base << false;
        QTest::newRow("other order") << base << FolderRecords{base[1], base[0]} << false;
        FolderRecords changed = base;
        changed[1].state = QColor(Qt::darkGreen);
        QTest::newRow("colour changed") << base << changed << false;
        changed = base;
        changed[0].path = QStringLiteral("/d/2024");
        QTest::newRow("path changed") << base << changed << false;
        changed = base;
        changed[0].name = QStringLiteral("a.D");
        QTest::newRow("name case changed") << base << changed << false;
    }
    void samePass()
    {
        QFETCH(FolderRecords, a);
        QFETCH(FolderRecords, b);
        QTEST(AnalysisList::samePass(a, b), "same");
        QTEST(AnalysisList::samePass(b, a), "same");
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deep");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("deep every occurrence") << "/d/x/d" << "Y.D" << true << "/d" << "Y.D (../x..)";
        QTest::newRow("deep case-sensitive") << "d:/Data/2024" << "X.D" << true << "D:/data" << "X.D (d:/Data/2024)";
        QTest::newRow("deep empty data dir") << "/p" << "Z.D" << true << "" << "Z.D (/p)";
        QTest::newRow("shallow ignores path") << "/elsewhere" << "Q (1).D" << false << "/data" << "Q (1).D";
    }
    void displayText()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, deep);
        QFETCH(QString, dataDir);
        QTEST(AnalysisList::displayText(rec(path, name), deep, dataDir), "expected");
    }

    // Against the literal insertion order the list follows.
    void prefixColours_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("empty") << QStringList();
        QTest::newRow("case differs") << QStringList{QStringLiteral("AB.D"), QStringLiteral("ab")};
        QTest::newRow("display texts") << QStringList{QStringLiteral("X.D (..)"), QStringLiteral("X.D (../2024)"),
                                                      QStringLiteral("X.D (.."), QStringLiteral("X.D")};
        // Random texts over a two-letter alphabet give many prefix relations, duplicates and
        // empty texts.
        std::mt19937 gen(424242u);
        for (int round = 0; round < 8; ++round) {
            QStringList texts;
            for (int i = 0; i < 50 + round * 60; ++i) {
                QString t;
                for (int k = int(gen() % 5); k > 0; --k)
                    t += QLatin1Char(gen() % 2 ? 'a' : 'b');
                texts << t;
            }
            QTest::addRow("random %d", round) << texts;
        }
    }
    void prefixColours()
    {
        QFETCH(QStringList, texts);
        QVector<QColor> colours;
        for (int i = 0; i < texts.size(); ++i)
            colours << colourNo(i + 1);
        QCOMPARE(AnalysisList::resolvePrefixColours(texts, colours), referenceColours(texts, colours));
    }

    // Awkward paths and names, with colours, all shown with their paths.
    void fillKeepsRecords()
    {
        FolderRecords records{
            rec(QStringLiteral("/data"), QStringLiteral("W(2).D"), Qt::darkGreen),
            rec(QStringLiteral("/data/x/../y"), QStringLiteral("A.D"), Qt::red),
            rec(QStringLiteral("/data/a)b"), QStringLiteral("B (c).D")),
            rec(QStringLiteral("/data"), QStringLiteral("B.D")),
            rec(QStringLiteral("/other/data"), QStringLiteral("C.D"), Qt::darkGreen),
        };
        for (const char* n : {"b.D", "_x.D", "a_1.D", "A-1.D", "10.D", "9.D", "Ёж.D", "еж.D", "a.D", "A.D"})
            records << rec(QStringLiteral("/data"), QString::fromUtf8(n));
        const bool deep = true;
        const QString dataDir = QStringLiteral("/data");
        QListWidget list;
        list.addItem(QStringLiteral("left over"));
        ListWidgetFill::fill(&list, records, deep, dataDir);
        QCOMPARE(list.count(), records.size());

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
        // sorted, also for an item added later; only exact texts are found
        list.addItem(QStringLiteral("M.D"));
        for (int row = 1; row < list.count(); ++row)
            QVERIFY2(!(*list.item(row) < *list.item(row - 1)), qPrintable(list.item(row)->text()));
        QCOMPARE(ListWidgetFill::recordOf(list.item(ListWidgetFill::rowOfText(&list, QStringLiteral("M.D")))), FolderRecord());
        QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("b.d")), -1);
        QCOMPARE(ListWidgetFill::rowOfText(&list, QStringLiteral("left over")), -1);
        QCOMPARE(ListWidgetFill::recordOf(nullptr), FolderRecord());
    }
};

QTEST_MAIN(TestAnalysisList)
#include "tst_analysislist.moc"
