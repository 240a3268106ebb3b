#include "report/reporthtml.h"

#include <QFile>
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
    table[3].name = QStringLiteral("two\nlines");
    return table;
}

PremadeParams params(int templateType, unsigned char typeCode = 4)
{
    return {QStringLiteral("Ivanova"), QStringLiteral("07"), QStringLiteral("03"), QStringLiteral("2024"),
            QStringLiteral("P17"), templateType, typeCode, 0};
}

const QString kOpening = QStringLiteral(
    "Microbial markers, which are beyond the level of clinical significance (more than twice "
    "higher than reference)");
const QString kClosing = QStringLiteral(" - are marked with yellow ");

}  // namespace

class TestReportHtml : public QObject
{
    Q_OBJECT

private slots:
    void formatsLikePrintfG_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const std::pair<double, const char*> cases[] = {
            {0, "0"}, {999999, "999999"}, {1000000, "1e+06"}, {9999999, "1e+07"}, {1234567, "1.23457e+06"},
            {1234565, "1.23456e+06"}, {123456.7, "123457"}, {0.0001, "0.0001"}, {0.00001, "1e-05"}, {-2500000, "-2.5e+06"}};
        for (const auto& [value, text] : cases)
            QTest::addRow("%s", text) << value << QString::fromLatin1(text);
    }
    void formatsLikePrintfG()
    {
        QFETCH(double, value);
        QTEST(formatNumber(value), "expected");
    }

    // One marker row set, one template snippet filled. Row 2 is shown at position 00,
    // row 0 at 03, the sum row 57 at 57.
    void premadeCells_data()
    {
        QTest::addColumn<int>("templateType");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("result");
        QTest::addColumn<double>("norm");
        QTest::addColumn<bool>("preHighlighted");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expected");
        const QString cells = QStringLiteral("[$Res00|$Nor00]");
        const QString colour = QStringLiteral("<td bgcolor=\"$Color03\">");
        const QString gold = QStringLiteral("<td bgcolor=\"Gold\">");
        QTest::newRow("upper limit") << 1 << 4 << 2 << 1e7 << 1e7 << false << cells << "[10000000+|1e+07]";
        QTest::newRow("one below limit") << 1 << 4 << 2 << 9999999.0 << 0.0 << false << cells << "[1e+07|0]";
        QTest::newRow("difference below") << 3 << 4 << 57 << 100.0 << 250.0 << false << "$_Nor57" << "-150";
        QTest::newRow("difference equal") << 3 << 4 << 57 << 40.0 << 40.0 << false << "$_Nor57" << "0";
        QTest::newRow("no difference in type 1") << 1 << 4 << 57 << 40.0 << 0.0 << false << "$_Nor57" << "$_Nor57";
        const QString images = QStringLiteral("$Image0.bmp $Image1.bmp $_Nor00");
        QTest::newRow("images type 1") << 1 << 4 << 0 << 0.0 << 0.0 << false << images << "P17_img_0.bmp $Image1.bmp $_Nor00";
        QTest::newRow("images type 2") << 2 << 4 << 0 << 0.0 << 0.0 << false << images << "P17_img_1.bmp $Image1.bmp $_Nor00";
        QTest::newRow("images type 3") << 3 << 4 << 0 << 0.0 << 0.0 << false << images << "P17_img_0.bmp P17_img_2.bmp 0";
        QTest::newRow("feces never gold") << 2 << 18 << 0 << 900.0 << 10.0 << false << colour << "<td >";
        QTest::newRow("earlier highlight kept") << 1 << 4 << 0 << 10.0 << 100.0 << true << colour << gold;
        QTest::newRow("colour only as attribute") << 1 << 4 << 0 << 1000.0 << 0.0 << false
                                                  << "$Color03 bgcolor='$Color03' bgcolor=\"$Color03 "
                                                  << "$Color03 bgcolor='$Color03' bgcolor=\"$Color03 ";
        QTest::newRow("sum row never coloured") << 1 << 4 << 57 << 5000.0 << 1.0 << false
                                                << "<td bgcolor=\"$Color57\">$Res57</td>"
                                                << "<td bgcolor=\"$Color57\">5000</td>";
    }
    void premadeCells()
    {
        QFETCH(int, templateType);
        QFETCH(int, typeCode);
        QFETCH(int, row);
        QFETCH(QString, page);
        MarkerTable table = namedTable();
        QFETCH(double, result);
        QFETCH(double, norm);
        QFETCH(bool, preHighlighted);
        table[row].result = result;
        table[row].norm = norm;
        table[row].highlighted = preHighlighted;
        QTEST(fillPremade(page, table, params(templateType, static_cast<unsigned char>(typeCode))), "expected");
        if (row == SumRow)
            QVERIFY(!table[SumRow].highlighted);
    }

    void displayOrderOperatorLineAndEscaping()
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

        table[2].name = QStringLiteral("A<B & \"C\"");
        PremadeParams p = params(1);
        p.operatorName = QStringLiteral("<i>Op</i> $Name00");
        p.probeCode = QStringLiteral("a#b?c%d&e$PatientID");
        // values never become placeholders, not even for the final fill
        QCOMPARE(fillIdentity(fillPremade(QStringLiteral("$Name00|$OperatorAndDate|$Image0"), table, p), {}),
                 QStringLiteral("A&lt;B &amp; &quot;C&quot;|&lt;i&gt;Op&lt;/i&gt; &#36;Name00 07.03.2024"
                                "|a%23b%3Fc%25d&amp;e&#36;PatientID_img_0"));
    }

    void conclusionText_data()
    {
        QTest::addColumn<QList<int>>("highlightedRows");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rows 0 and 36")
            << QList<int>{36, 0} << 4 << 0
            << QString(kOpening + QStringLiteral(" Streptococcus spp., Staphylococcus aureus") + kClosing);
        QTest::newRow("line feed") << QList<int>{3} << 4 << 0 << QString(kOpening + QStringLiteral(" two<br>lines") + kClosing);
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
        MarkerTable table = namedTable();
        for (int r : highlightedRows)
            table[r].highlighted = true;
        QTEST(conclusion(table, static_cast<unsigned char>(typeCode), static_cast<unsigned char>(language)),
              "expected");
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

    void identity_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("patient");
        QTest::addColumn<QString>("conclusionText");
        QTest::addColumn<QString>("expected");
        const QString pc = QStringLiteral("$PatientID/$Conclusion");
        QTest::newRow("everything else kept")
            << "<p>$TypeProbe|$ProbeID|$PatientID|$Conclusion</p>\n$Name00 $ $$ $Probe €\t$ProbeIDx" << "Petrov"
            << "All clear" << "<p>n|A-1|Petrov|All clear</p>\n$Name00 $ $$ $Probe €\tA-1x";
        QTest::newRow("markup prints literally") << pc << "<b>O'Neil & \"Jr\"</b>" << "ok"
                                                 << "&lt;b&gt;O&#39;Neil &amp; &quot;Jr&quot;&lt;/b&gt;/ok";
        QTest::newRow("line break stays")
            << pc << "p" << "first<br>second & <i>third</i>" << "p/first<br>second &amp; &lt;i&gt;third&lt;/i&gt;";
        QTest::newRow("no second substitution") << pc << "$ProbeID $Conclusion" << "$PatientID"
                                                << "&#36;ProbeID &#36;Conclusion/&#36;PatientID";
    }
    void identity()
    {
        QFETCH(QString, page);
        QFETCH(QString, patient);
        QFETCH(QString, conclusionText);
        QTEST(fillIdentity(page, {QStringLiteral("n"), QStringLiteral("A-1"), patient, conclusionText}), "expected");
    }

    void readTemplates()
    {
        QTemporaryDir dir;
        QFile raw(dir.filePath(QStringLiteral("nul.html")));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(QByteArray("\xEF\xBB\xBFhead \xd0\xb4\0tail", 13));
        raw.close();
        QCOMPARE(readTemplate(raw.fileName()), QStringLiteral("head д"));
        QCOMPARE(readTemplate(dir.filePath(QStringLiteral("missing.html"))), QString());

        // any language but English takes the Russian template
        QCOMPARE(templatePath(QStringLiteral("d"), 2, 7), QStringLiteral("d/Shablon_type_2_rus.html"));
    }
};

QTEST_GUILESS_MAIN(TestReportHtml)
#include "tst_reporthtml.moc"
