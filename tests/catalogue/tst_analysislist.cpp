#include "catalogue/analysislist.h"
#include "catalogue/sampletypes.h"
#include "report/markertable.h"

#include <QtTest>

Q_DECLARE_METATYPE(FolderRecords)

namespace {

FolderRecord rec(const QString& path, const QString& name, Qt::GlobalColor c = Qt::magenta)
{
    return {path, name, QColor(c)};
}

}  // namespace

class TestAnalysisList : public QObject {
    Q_OBJECT

private slots:
    void filterByPrefix_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty prefix keeps all") << QString() << QStringList{"Кровь_1.D", "КРОВЬ_2.D", "Моча.D"};
        QTest::newRow("cyrillic any case") << "кровь" << QStringList{"Кровь_1.D", "КРОВЬ_2.D"};
        QTest::newRow("longer than names") << "Моча.D.x" << QStringList();
    }
    void filterByPrefix()
    {
        QFETCH(QString, prefix);
        QStringList got;
        const FolderRecords all{rec("/d", "Кровь_1.D"), rec("/d", "КРОВЬ_2.D"), rec("/d", "Моча.D")};
        for (const FolderRecord& r : AnalysisList::filterByPrefix(all, prefix))
            got << r.name;
        QTEST(got, "expected");
    }

    void samePass_data()
    {
        QTest::addColumn<FolderRecords>("other");
        QTest::addColumn<bool>("same");
        const FolderRecords base{rec("/d", "A.D"), rec("/d", "B.D", Qt::red)};
        QTest::newRow("equal") << base << true;
        QTest::newRow("buffer became empty") << FolderRecords() << false;
        QTest::newRow("other order") << FolderRecords{base[1], base[0]} << false;
        QTest::newRow("colour changed") << FolderRecords{base[0], rec("/d", "B.D", Qt::darkGreen)} << false;
        QTest::newRow("path changed") << FolderRecords{rec("/d/2024", "A.D"), base[1]} << false;
        QTest::newRow("name case changed") << FolderRecords{rec("/d", "a.D"), base[1]} << false;
    }
    void samePass()
    {
        QFETCH(FolderRecords, other);
        const FolderRecords base{rec("/d", "A.D"), rec("/d", "B.D", Qt::red)};
        QTEST(AnalysisList::samePass(base, other), "same");
        QTEST(AnalysisList::samePass(other, base), "same");
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("deep");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<QString>("expected");
        QTest::newRow("deep every occurrence") << "/d/x/d" << true << "/d" << "Q (1).D (../x..)";
        QTest::newRow("deep case-sensitive") << "d:/Data/2024" << true << "D:/data" << "Q (1).D (d:/Data/2024)";
        QTest::newRow("deep empty data dir") << "/p" << true << "" << "Q (1).D (/p)";
        QTest::newRow("shallow ignores path") << "/elsewhere" << false << "/data" << "Q (1).D";
    }
    void displayText()
    {
        QFETCH(QString, path);
        QFETCH(bool, deep);
        QFETCH(QString, dataDir);
        QTEST(AnalysisList::displayText(rec(path, "Q (1).D"), deep, dataDir), "expected");
    }

    // Each calculation type code: the Russian combo text, the report template and the
    // sample words of the report sentences.
    void calculationType_data()
    {
        QTest::addColumn<QString>("russianName");
        QTest::addColumn<int>("templateType");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        const char* const rows[21][4] = {
            {"Аспират из матки (AS)", "3", "in uterus aspirat", "в аспирате из матки"},
            {"Биоптат тканей (BT)", "3", "in tissue biopsy", "в биоптате тканей"},
            {"Бронх. лаваж (BA)", "1", "in bronchoalveolar lavage", "в бронхоальвеолярном лаваже"},
            {"Вагинальное содержимое (VA)", "3", "in vaginal contents", "в вагинальном содержимом"},
            {"Дренаж (SD)", "1", "in drainage", "в дренаже"},
            {"Кровь (BL)", "3", "in blood", "в крови"},
            {"Ликвор (LF)", "2", "in liquor", "в ликворе"},
            {"Мазок из зева (ZE)", "3", "in throat swab", "в мазке из зева"},
            {"Мазок из уретры (MU)", "2", "in urethra swab", "в мазке из уретры"},
            {"Мазок из уха (EA)", "1", "in ear swab", "в мазке из уха"},
            {"Моча (UR)", "2", "in urina", "в моче"},
            {"Отделяемое глаза (GF)", "1", "in eye discharge", "в отделяемом глаза"},
            {"Отделяемое носа (NO)", "1", "in nose discharge", "в отделяемом носа"},
            {"Раневое отделяемое (WD)", "1", "in wound discharge", "в раневом отделяемом"},
            {"Секрет простаты (PF)", "2", "in prostate fluid", "в секрете простаты"},
            {"Слюна (SL)", "3", "in saliva", "в слюне"},
            {"Смыв трахеи (TA)", "1", "in tracheal wash", "в смыве трахеи"},
            {"Соскоб кожи (SK)", "1", "in skin scraping", "в соскобе кожи"},
            {"Фекалии (FK)", "2", "in feces", "в фекалиях"},
            {"Цериквальный канал (CE)", "3", "in cervical swab", "в цериквальном канале"},
            {"Эякулят (SF)", "1", "in semen fluid", "в эякуляте"}};
        for (int code = 0; code < 21; ++code)
            QTest::addRow("%d", code) << QString::fromUtf8(rows[code][0]) << QByteArray(rows[code][1]).toInt()
                                      << QString::fromUtf8(rows[code][2]) << QString::fromUtf8(rows[code][3]);
    }
    void calculationType()
    {
        const int code = QByteArray(QTest::currentDataTag()).toInt();
        QTEST(SampleTypes::name(code, 1), "russianName");
        QTEST(Markers::templateType(uchar(code)), "templateType");
        QTEST(Markers::samplePhrase(uchar(code), 0), "english");
        QTEST(Markers::samplePhrase(uchar(code), 1), "russian");
    }
};

QTEST_MAIN(TestAnalysisList)
#include "tst_analysislist.moc"
