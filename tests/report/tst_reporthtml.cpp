#include "report/markertable.h"
#include "report/reporthtml.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace ReportHtml;

namespace {

// Row 2 is shown at position 00, row 0 at 03, the sum row 57 at 57. Row 2's name needs escaping.
MarkerTable namedTable()
{
    MarkerTable table = Markers::buildTable(0, 0);
    table[2].name = QStringLiteral("A<B & \"C\"");
    return table;
}

// The operator's name and the probe code hold characters that must not reach the page as markup.
PremadeParams params(int templateType, unsigned char typeCode = 4)
{
    return {QStringLiteral("O'Neil <i>$Name00"),
            QStringLiteral("07"),
            QStringLiteral("03"),
            QStringLiteral("2024"),
            QStringLiteral("P%1#?&"),
            templateType,
            typeCode,
            0};
}

// One marker row set, one template snippet filled.
struct Fill
{
    bool fullTable;
    int templateType, typeCode, row;
    double result, norm;
    bool preHighlighted;
    const char *page, *expected;
};

} // namespace
Q_DECLARE_METATYPE(Fill)

class TestReportHtml : public QObject
{
    Q_OBJECT

  private slots:
    void fill_data()
    {
        QTest::addColumn<Fill>("f");
        const char* colour = "<td bgcolor=\"$Color03\">";
        const char* images = "$Image0.bmp $Image1.bmp $_Nor00";
        const auto add = [](const char* name, const Fill& f) { QTest::newRow(name) << f; };
        add("display order, operator line",
            {false, 1, 4, 0, 0, 0, false,
             "$Name00/$Name03/$Name05/$Name56/$Name57 by $OperatorAndDate",
             "A&lt;B &amp; &quot;C&quot;/Streptococcus spp./Staphylococcus aureus/Chlamydia "
             "trachomatis/Sum by "
             "O&#39;Neil &lt;i&gt;&#36;Name00 07.03.2024"});
        add("full table, type 3",
            {true, 3, 4, 0, 0, 0, false, "$Name00/$Name05/$Name57 $Image0 $Image1",
             "Streptococcus spp./Nocardia  spp./Sum $Image0 P%251%23%3F&amp;_img_2"});
        // Numbers as C's %g: six significant digits, exponent from one million.
        add("upper limit",
            {false, 1, 4, 2, 1e7, 999999, false, "[$Res00|$Nor00]", "[10000000+|999999]"});
        add("one below limit",
            {false, 1, 4, 2, 9999999, 1234567, false, "[$Res00|$Nor00]", "[1e+07|1.23457e+06]"});
        add("tie to even",
            {false, 1, 4, 2, 1234565, 0, false, "[$Res00|$Nor00]", "[1.23456e+06|0]"});
        add("small and negative",
            {false, 3, 4, 2, 0.00001, 1000000, false, "$Res00 $_Nor00", "1e-05 -1e+06"});
        add("difference", {false, 3, 4, 57, 100, 250, false, "$_Nor57", "-150"});
        add("images type 1", {false, 1, 4, 2, 0, 0, false, images,
                              "P%251%23%3F&amp;_img_0.bmp $Image1.bmp $_Nor00"});
        add("images type 2", {false, 2, 4, 2, 0, 0, false, images,
                              "P%251%23%3F&amp;_img_1.bmp $Image1.bmp $_Nor00"});
        add("images type 3", {false, 3, 4, 2, 5, 7, false, images,
                              "P%251%23%3F&amp;_img_0.bmp P%251%23%3F&amp;_img_2.bmp -2"});
        add("gold", {false, 1, 4, 0, 200, 100, false, colour, "<td bgcolor=\"Gold\">"});
        add("feces never gold", {false, 2, 18, 0, 900, 10, false, colour, "<td >"});
        add("earlier highlight kept",
            {false, 1, 4, 0, 10, 100, true, colour, "<td bgcolor=\"Gold\">"});
        add("colour only as attribute",
            {false, 1, 4, 0, 1000, 0, false, "$Color03 bgcolor='$Color03' bgcolor=\"$Color03 ",
             "$Color03 bgcolor='$Color03' bgcolor=\"$Color03 "});
        add("sum row never coloured",
            {false, 1, 4, 57, 5000, 1, false, "<td bgcolor=\"$Color57\">$Res57</td>",
             "<td bgcolor=\"$Color57\">5000</td>"});
    }
    void fill()
    {
        QFETCH(Fill, f);
        MarkerTable table = namedTable();
        table[f.row].result = f.result;
        table[f.row].norm = f.norm;
        table[f.row].highlighted = f.preHighlighted;
        const PremadeParams p = params(f.templateType, static_cast<unsigned char>(f.typeCode));
        const QString page = QString::fromUtf8(f.page);
        QCOMPARE(f.fullTable ? fillFullTable(page, table, p) : fillPremade(page, table, p),
                 QString::fromUtf8(f.expected));
        QVERIFY(!table[SumRow].highlighted);
    }

    // The premade filling marks the rows at least twice their norm; the conclusion names them in
    // row order.
    void conclusionText_data()
    {
        QTest::addColumn<QList<int>>("exceeding");
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        const QString opening =
            QStringLiteral("Microbial markers, which are beyond the level of clinical significance "
                           "(more than twice higher than reference)");
        const QString closing = QStringLiteral(" - are marked with yellow ");
        QTest::newRow("rows 36 and 0")
            << QList<int>{36, 0} << 4 << 0
            << QString(opening + " Streptococcus spp., Staphylococcus aureus" + closing);
        QTest::newRow("sum and row 58 never listed")
            << QList<int>{57, 58} << 4 << 0 << QString(opening + closing);
        QTest::newRow("none, Russian")
            << QList<int>() << 4 << 1
            << "Уровень клинической значимости (выше нормы более чем в два раза) "
               "имеют  маркеры - отмечены выделением.";
        QTest::newRow("feces, English")
            << QList<int>{0} << 18 << 0
            << "There is no strict reference for feces samples due to the fact, that "
               "microorganisms community is independent and not homeostatic, and it "
               "is not physiologically linked  to the host.";
        QTest::newRow("feces, Russian")
            << QList<int>{0} << 18 << 1
            << "Строгой нормы по фекалиям нет, поскольку это сообщество микроорганизмов "
               "автономно, не гомеостатично и не физиологично по отношению к хозяину.";
    }
    void conclusionText()
    {
        QFETCH(QList<int>, exceeding);
        QFETCH(int, typeCode);
        QFETCH(int, language);
        MarkerTable table = namedTable();
        for (int r : exceeding)
            table[r].result = 2;
        fillPremade(QString(), table, params(1, uchar(typeCode)));
        QTEST(conclusion(table, uchar(typeCode), uchar(language)), "expected");
    }

    // The final page fills the four identity fields in one pass, escaped but for line breaks, and
    // keeps every other character.
    void identityFilledOnce()
    {
        const QString page = "<p>$TypeProbe|$ProbeID|$PatientID|$Conclusion</p>\n$Name00 $ $$ "
                             "$Probe €\t$ProbeIDx$Amendment";
        const QString patient = "<b>O'Neil & \"Jr\"</b> $ProbeID",
                      note = "first<br>second & <i>third</i> $PatientID";
        QCOMPARE(
            fillIdentity(page, {"n", "A-1", patient, note, "Reason: <typo> $Conclusion"}),
            QStringLiteral(
                "<p>n|A-1|&lt;b&gt;O&#39;Neil &amp; &quot;Jr&quot;&lt;/b&gt; "
                "&#36;ProbeID|first<br>second "
                "&amp; &lt;i&gt;third&lt;/i&gt; &#36;PatientID</p>\n$Name00 $ $$ $Probe €\tA-1x"
                "Reason: &lt;typo&gt; &#36;Conclusion"));
    }

    // A template is read up to its first NUL byte, without a byte order mark; any language but
    // English takes the Russian one.
    void readTemplates()
    {
        QTemporaryDir dir;
        QFile raw(dir.filePath(QStringLiteral("nul.html")));
        QVERIFY(raw.open(QIODevice::WriteOnly) &&
                raw.write(QByteArray("\xEF\xBB\xBFhead \xd0\xb4\0tail", 13)) == 13);
        raw.close();
        QCOMPARE(readTemplate(raw.fileName()), QStringLiteral("head д"));
        QCOMPARE(templatePath(QStringLiteral("d"), 2, 7),
                 QStringLiteral("d/Shablon_type_2_rus.html"));
    }
};

QTEST_GUILESS_MAIN(TestReportHtml)
#include "tst_reporthtml.moc"
