#include "report/reporthtml.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportHtml;

namespace {

MarkerTable namedTable()
{
    MarkerTable table(MarkerTableSize);
    for (int r = 0; r < table.size(); ++r)
        table[r].name = QStringLiteral("M%1").arg(r);
    table[0].name = QStringLiteral("Streptococcus spp.");
    table[36].name = QStringLiteral("Staphylococcus aureus");
    return table;
}

PremadeParams params(int templateType, unsigned char typeCode = 4, unsigned char language = 0)
{
    PremadeParams p;
    p.operatorName = QStringLiteral("Ivanova");
    p.day = QStringLiteral("07");
    p.month = QStringLiteral("03");
    p.year = QStringLiteral("2024");
    p.probeCode = QStringLiteral("P17");
    p.templateType = templateType;
    p.typeCode = typeCode;
    p.language = language;
    return p;
}

const QString kOpening = QStringLiteral(
    "Microbial markers, which are beyond the level of clinical significance (more than twice "
    "higher than reference)");
const QString kClosing = QStringLiteral(" - are marked with yellow ");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

}  // namespace

class TestReportHtml : public QObject
{
    Q_OBJECT

private slots:
    void formatsLikePrintfG_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("999999") << 999999.0 << "999999";
        QTest::newRow("one million") << 1000000.0 << "1e+06";
        QTest::newRow("9999999") << 9999999.0 << "1e+07";
        QTest::newRow("1234567") << 1234567.0 << "1.23457e+06";
        QTest::newRow("rounding") << 123456.7 << "123457";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("small") << 0.0001 << "0.0001";
        QTest::newRow("tiny") << 0.00001 << "1e-05";
        QTest::newRow("negative") << -150.0 << "-150";
        QTest::newRow("negative large") << -2500000.0 << "-2.5e+06";
    }
    void formatsLikePrintfG()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(formatNumber(value), expected);
    }

    void resultAndNormCells_data()
    {
        QTest::addColumn<double>("result");
        QTest::addColumn<double>("norm");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upper limit") << 10000000.0 << 10000000.0 << "[10000000+|1e+07]";
        QTest::newRow("one below") << 9999999.0 << 0.0 << "[1e+07|0]";
        QTest::newRow("million") << 1000000.0 << 250.0 << "[1e+06|250]";
        QTest::newRow("plain") << 999999.0 << 999999.0 << "[999999|999999]";
        QTest::newRow("zero") << 0.0 << 0.0 << "[0|0]";
    }
    void resultAndNormCells()
    {
        QFETCH(double, result);
        QFETCH(double, norm);
        QFETCH(QString, expected);
        MarkerTable table = namedTable();
        table[2].result = result;  // row 2 is shown first
        table[2].norm = norm;
        QCOMPARE(fillPremade(QStringLiteral("[$Res00|$Nor00]"), table, params(1)), expected);
    }

    void differenceColumn_data()
    {
        QTest::addColumn<double>("result");
        QTest::addColumn<double>("norm");
        QTest::addColumn<QString>("expected");
        QTest::newRow("below") << 100.0 << 250.0 << "-150";
        QTest::newRow("above") << 300.0 << 100.0 << "200";
        QTest::newRow("equal") << 40.0 << 40.0 << "0";
        QTest::newRow("large") << 5000000.0 << 0.0 << "5e+06";
    }
    void differenceColumn()
    {
        QFETCH(double, result);
        QFETCH(double, norm);
        QFETCH(QString, expected);
        MarkerTable table = namedTable();
        table[57].result = result;  // the sum row is shown last
        table[57].norm = norm;
        QCOMPARE(fillPremade(QStringLiteral("$_Nor57"), table, params(3)), expected);
        QCOMPARE(fillPremade(QStringLiteral("$_Nor57"), table, params(1)), QStringLiteral("$_Nor57"));
    }

    void imagesByTemplateType_data()
    {
        QTest::addColumn<int>("templateType");
        QTest::addColumn<QString>("expected");
        QTest::newRow("type 1") << 1 << "P17_img_0.bmp $Image1.bmp $_Nor00";
        QTest::newRow("type 2") << 2 << "P17_img_1.bmp $Image1.bmp $_Nor00";
        QTest::newRow("type 3") << 3 << "P17_img_0.bmp P17_img_2.bmp 0";
    }
    void imagesByTemplateType()
    {
        QFETCH(int, templateType);
        QFETCH(QString, expected);
        MarkerTable table = namedTable();
        const QString page = QStringLiteral("$Image0.bmp $Image1.bmp $_Nor00");
        QCOMPARE(fillPremade(page, table, params(templateType)), expected);
    }

    void displayOrderAndOperatorLine()
    {
        MarkerTable table = namedTable();
        const QString page =
            QStringLiteral("$Name00/$Name03/$Name05/$Name56/$Name57 by $OperatorAndDate");
        QCOMPARE(fillPremade(page, table, params(1)),
                 QStringLiteral("M2/Streptococcus spp./Staphylococcus aureus/M41/M57 "
                                "by Ivanova 07.03.2024"));
        // the full table keeps row order and leaves the first chart alone
        const QString full = QStringLiteral("$Name00/$Name05/$Name57 $Image0 $Image1");
        QCOMPARE(fillFullTable(full, table, params(3)),
                 QStringLiteral("Streptococcus spp./M5/M57 $Image0 P17_img_2"));
        QCOMPARE(fillFullTable(full, table, params(1)),
                 QStringLiteral("Streptococcus spp./M5/M57 $Image0 $Image1"));
    }

    void colourAttribute_data()
    {
        QTest::addColumn<int>("templateType");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<double>("norm");
        QTest::addColumn<double>("result");
        QTest::addColumn<bool>("highlighted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exactly twice") << 1 << 4 << 150.0 << 300.0 << true << "<td bgcolor=\"Gold\">";
        QTest::newRow("just below") << 1 << 4 << 150.0 << 299.0 << false << "<td >";
        QTest::newRow("norm zero") << 3 << 0 << 0.0 << 2.0 << true << "<td bgcolor=\"Gold\">";
        QTest::newRow("type 2 ignores norm") << 2 << 10 << 500.0 << 2.0 << true << "<td bgcolor=\"Gold\">";
        QTest::newRow("feces never gold") << 2 << 18 << 10.0 << 900.0 << true << "<td >";
    }
    void colourAttribute()
    {
        QFETCH(int, templateType);
        QFETCH(int, typeCode);
        QFETCH(double, norm);
        QFETCH(double, result);
        QFETCH(bool, highlighted);
        QFETCH(QString, expected);
        MarkerTable table = namedTable();
        table[0].norm = norm;  // position 3
        table[0].result = result;
        const PremadeParams p = params(templateType, static_cast<unsigned char>(typeCode));
        QCOMPARE(fillPremade(QStringLiteral("<td bgcolor=\"$Color03\">"), table, p), expected);
        QCOMPARE(table[0].highlighted, highlighted);
    }

    void colourPlaceholderOutsideAttributeStays()
    {
        MarkerTable table = namedTable();
        table[0].result = 1000;
        const QString page = QStringLiteral("$Color03 bgcolor='$Color03' bgcolor=\"$Color03 ");
        QCOMPARE(fillPremade(page, table, params(1)), page);
    }

    void earlierHighlightIsKept()
    {
        MarkerTable table = namedTable();
        table[0].highlighted = true;
        table[0].norm = 100;
        table[0].result = 10;
        QCOMPARE(fillPremade(QStringLiteral("<td bgcolor=\"$Color03\">"), table, params(1)),
                 QStringLiteral("<td bgcolor=\"Gold\">"));
    }

    void sumRowNeverColoured()
    {
        MarkerTable table = namedTable();
        table[57].norm = 1;
        table[57].result = 5000;
        const QString page = QStringLiteral("<td bgcolor=\"$Color57\">$Res57</td>");
        QCOMPARE(fillPremade(page, table, params(1)),
                 QStringLiteral("<td bgcolor=\"$Color57\">5000</td>"));
        QVERIFY(!table[57].highlighted);
    }

    void conclusionText_data()
    {
        QTest::addColumn<QList<int>>("highlightedRows");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none, English") << QList<int>() << 4 << 0 << QString(kOpening + kClosing);
        QTest::newRow("rows 0 and 36")
            << QList<int>{36, 0} << 4 << 0
            << QString(kOpening + QStringLiteral(" Streptococcus spp., Staphylococcus aureus") + kClosing);
        QTest::newRow("none, Russian")
            << QList<int>() << 4 << 1
            << QStringLiteral("Уровень клинической значимости (выше нормы более чем в два раза) "
                              "имеют  маркеры - отмечены выделением.");
        QTest::newRow("sum row not listed") << QList<int>{57, 58} << 4 << 0 << QString(kOpening + kClosing);
        QTest::newRow("feces, English")
            << QList<int>{0} << 18 << 0
            << QStringLiteral("There is no strict reference for feces samples due to the fact, that "
                              "microorganisms community is independent and not homeostatic, and it "
                              "is not physiologically linked  to the host.");
        QTest::newRow("feces, Russian")
            << QList<int>{0} << 18 << 1
            << QStringLiteral("Строгой нормы по фекалиям нет, поскольку это сообщество "
                              "микроорганизмов автономно, не гомеостатично и не физиологично по "
                              "отношению к хозяину.");
    }
    void conclusionText()
    {
        QFETCH(QList<int>, highlightedRows);
        QFETCH(int, typeCode);
        QFETCH(int, language);
        QFETCH(QString, expected);
        MarkerTable table = namedTable();
        for (int r : highlightedRows)
            table[r].highlighted = true;
        QCOMPARE(conclusion(table, static_cast<unsigned char>(typeCode),
                            static_cast<unsigned char>(language)),
                 expected);
    }

    void conclusionFollowsPremadeHighlights()
    {
        MarkerTable table = namedTable();
        for (int r = 0; r < DeviceMarkerCount; ++r)
            table[r].norm = 100;
        table[0].result = 200;
        table[36].result = 900;
        table[12].result = 199;
        fillPremade(QString(), table, params(1));
        QCOMPARE(conclusion(table, 4, 0),
                 QString(kOpening + QStringLiteral(" Streptococcus spp., Staphylococcus aureus") + kClosing));
    }

    void conclusionLineFeeds()
    {
        MarkerTable table = namedTable();
        table[3].name = QStringLiteral("two\nlines");
        table[3].highlighted = true;
        QCOMPARE(conclusion(table, 4, 0), QString(kOpening + QStringLiteral(" two<br>lines") + kClosing));
    }

    void identityKeepsEverythingElse()
    {
        const QString premade = QStringLiteral(
            "<p>$TypeProbe|$ProbeID|$PatientID|$Conclusion</p>\n$Name00 $ $$ $Probe €\t$ProbeIDx");
        IdentityValues v{QStringLiteral("in urine"), QStringLiteral("A-1"), QStringLiteral("Petrov"),
                         QStringLiteral("All clear")};
        QCOMPARE(fillIdentity(premade, v),
                 QStringLiteral("<p>in urine|A-1|Petrov|All clear</p>\n$Name00 $ $$ $Probe €\tA-1x"));
    }

    void identityEscaping_data()
    {
        QTest::addColumn<QString>("patient");
        QTest::addColumn<QString>("conclusionText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("markup prints literally")
            << "<b>Smith & Co</b>" << "ok" << "&lt;b&gt;Smith &amp; Co&lt;/b&gt;/ok";
        QTest::newRow("quotes") << "O'Neil \"Jr\"" << "x" << "O&#39;Neil &quot;Jr&quot;/x";
        QTest::newRow("line break stays")
            << "p" << "first<br>second & <i>third</i>" << "p/first<br>second &amp; &lt;i&gt;third&lt;/i&gt;";
        QTest::newRow("no second substitution")
            << "$ProbeID $Conclusion" << "$PatientID" << "$ProbeID $Conclusion/$PatientID";
    }
    void identityEscaping()
    {
        QFETCH(QString, patient);
        QFETCH(QString, conclusionText);
        QFETCH(QString, expected);
        IdentityValues v{QStringLiteral("n"), QStringLiteral("id"), patient, conclusionText};
        QCOMPARE(fillIdentity(QStringLiteral("$PatientID/$Conclusion"), v), expected);
    }

    void premadeEscapesNamesAndOperator()
    {
        MarkerTable table = namedTable();
        table[2].name = QStringLiteral("A<B & \"C\"");
        PremadeParams p = params(1);
        p.operatorName = QStringLiteral("<i>Op</i> $Name00");
        QCOMPARE(fillPremade(QStringLiteral("$Name00|$OperatorAndDate"), table, p),
                 QStringLiteral("A&lt;B &amp; &quot;C&quot;|&lt;i&gt;Op&lt;/i&gt; $Name00 07.03.2024"));
    }

    void shippedTemplatesFillCompletely_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("templateType");
        QTest::addColumn<bool>("fullTable");
        for (int t = 1; t <= 3; ++t) {
            for (unsigned char lang : {0, 1})
                QTest::newRow(qPrintable(QFileInfo(templatePath(QString(), t, lang)).fileName()))
                    << templatePath(QStringLiteral(LAB_DATA_DIR "/docs"), t, lang) << t << false;
            QTest::newRow(qPrintable(QFileInfo(fullTableTemplatePath(QString(), t)).fileName()))
                << fullTableTemplatePath(QStringLiteral(LAB_DATA_DIR "/docs"), t) << t << true;
        }
    }
    void shippedTemplatesFillCompletely()
    {
        QFETCH(QString, file);
        QFETCH(int, templateType);
        QFETCH(bool, fullTable);
        const QString blank = readTemplate(file);
        QVERIFY2(!blank.isEmpty(), qPrintable(file));
        MarkerTable table = namedTable();
        table[0].norm = 10;
        table[0].result = 10000000;
        const PremadeParams p = params(templateType);
        QString page = fullTable ? fillFullTable(blank, table, p) : fillPremade(blank, table, p);
        page = fillIdentity(page, {QStringLiteral("in blood"), QStringLiteral("X1"),
                                   QStringLiteral("Doe"), QStringLiteral("c")});
        QVERIFY(page != blank);
        QVERIFY2(!page.contains(QLatin1Char('$')),
                 qPrintable(page.mid(page.indexOf(QLatin1Char('$')), 20)));
        QVERIFY(page.contains(QStringLiteral("Streptococcus spp.")));
        QVERIFY(page.contains(QStringLiteral("10000000+")));
        QCOMPARE(page.count(QStringLiteral("bgcolor=\"Gold\"")), 1);
    }

    void readAndWriteFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("t.html"));
        QVERIFY(writeUtf8(path, QStringLiteral("a\nб\r\nc\n") + QString(300, QLatin1Char('x'))));
        QCOMPARE(fileBytes(path), QByteArray("a\r\n\xd0\xb1\r\nc\r\n") + QByteArray(300, 'x'));
        QVERIFY(writeUtf8(path, QStringLiteral("short\n")));  // replaces, no leftovers
        QCOMPARE(fileBytes(path), QByteArray("short\r\n"));
        QCOMPARE(readTemplate(path), QStringLiteral("short\n"));

        QFile raw(dir.filePath(QStringLiteral("nul.html")));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(QByteArray("\xEF\xBB\xBFhead \xd0\xb4\0tail", 13));
        raw.close();
        QCOMPARE(readTemplate(raw.fileName()), QStringLiteral("head д"));
        QCOMPARE(readTemplate(dir.filePath(QStringLiteral("missing.html"))), QString());
        QVERIFY(!writeUtf8(dir.filePath(QStringLiteral("no/such/dir/x.html")), QStringLiteral("x")));
    }

    void paths()
    {
        QCOMPARE(templatePath(QStringLiteral("/a/docs"), 1, 0), QStringLiteral("/a/docs/Shablon_type_1_eng.html"));
        QCOMPARE(templatePath(QStringLiteral("/a/docs"), 3, 1), QStringLiteral("/a/docs/Shablon_type_3_rus.html"));
        QCOMPARE(templatePath(QStringLiteral("d"), 2, 7), QStringLiteral("d/Shablon_type_2_rus.html"));
        QCOMPARE(fullTableTemplatePath(QStringLiteral("d"), 2), QStringLiteral("d/Shablon_type_2.html"));
    }

    void unsafeProbeCodeInImageName()
    {
        MarkerTable table = namedTable();
        PremadeParams p = params(1);
        p.probeCode = QStringLiteral("a#b?c%d&e");
        QCOMPARE(fillPremade(QStringLiteral("$Image0"), table, p),
                 QStringLiteral("a%23b%3Fc%25d&amp;e_img_0"));
    }
};

QTEST_GUILESS_MAIN(TestReportHtml)
#include "tst_reporthtml.moc"
