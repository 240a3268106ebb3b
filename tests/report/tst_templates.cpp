#include "report/markertable.h"
#include "report/reporthtml.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

// The shipped report templates in data/docs: every placeholder the filling needs and no
// other "$" text, and printed pages on which the conclusion follows the results.
namespace {

QString nn(int p) { return QStringLiteral("%1").arg(p, 2, 10, QLatin1Char('0')); }

QString docs() { return QStringLiteral(LAB_DATA_DIR "/docs"); }

}  // namespace

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void placeholders_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("templateType");
        QTest::addColumn<bool>("fullTable");
        for (int t = 1; t <= 3; ++t) {
            for (unsigned char lang : {0, 1})
                QTest::addRow("type %d, language %d", t, lang) << ReportHtml::templatePath(docs(), t, lang) << t << false;
            QTest::addRow("type %d, full table", t) << ReportHtml::fullTableTemplatePath(docs(), t) << t << true;
        }
    }
    void placeholders()
    {
        QFETCH(QString, path);
        QFETCH(int, templateType);
        QFETCH(bool, fullTable);
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = f.readAll();
        QTextCodec::ConverterState state;
        const QString page = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        QVERIFY2(state.invalidChars == 0 && !bytes.contains('\0') && !bytes.startsWith("\xEF\xBB\xBF"), "not clean UTF-8");

        QStringList required{QStringLiteral("$OperatorAndDate")};
        if (!fullTable)
            required << "$ProbeID" << "$TypeProbe" << "$PatientID" << "$Conclusion" << "$Image0";
        if (templateType == 3)
            required << QStringLiteral("$Image1");
        for (int p = 0; p <= 57; ++p) {
            required << "$Name" + nn(p) << "$Res" + nn(p) << "$Nor" + nn(p);
            if (p < 57)
                required << "$Color" + nn(p);
            if (templateType == 3)
                required << "$_Nor" + nn(p);
        }
        static const QRegularExpression token(QStringLiteral("\\$[A-Za-z_]+[0-9]*"));
        QSet<QString> found;
        for (auto it = token.globalMatch(page); it.hasNext();)
            found.insert(it.next().captured());
        QCOMPARE(page.count(QLatin1Char('$')), page.count(token));
        QCOMPARE(found, QSet<QString>(required.begin(), required.end()));

        // each colour placeholder is the bgcolor attribute of the cell holding that result
        for (int p = 0; p < 57; ++p) {
            const QRegularExpression cell(QStringLiteral("<td[^>]*\\sbgcolor=\"\\$Color%1\"[^>]*>\\$Res%1<").arg(nn(p)));
            QVERIFY2(page.contains(cell) && page.count("$Color" + nn(p)) == 1, qPrintable(nn(p)));
        }
        for (int row = 1; !fullTable && row <= 57; ++row)
            QVERIFY2(page.contains(QStringLiteral(">%1</td><td>$Name%2</td>").arg(row).arg(nn(row - 1))), qPrintable(nn(row)));
        QVERIFY(fullTable || page.contains(QStringLiteral("<img src=\"$Image0.bmp\"")));
        QVERIFY(templateType != 3 || page.contains(QStringLiteral("<img src=\"$Image1.bmp\"")));
        QVERIFY(page.contains(QStringLiteral("charset=utf-8"), Qt::CaseInsensitive));
        QVERIFY(page.contains(QStringLiteral("'Times New Roman', 'Liberation Serif', serif")));
    }

    // Printed as the program prints, with every marker named in the conclusion: one page,
    // or for type 3 the overview page and the deviation page that ends with the conclusion.
    void printedPages_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("pages");
        for (int language : {0, 1}) {
            QTest::addRow("type 1, language %d", language) << 9 << language << 1;
            QTest::addRow("type 2, language %d", language) << 10 << language << 1;
            QTest::addRow("type 3, language %d", language) << 5 << language << 2;
        }
    }
    void printedPages()
    {
        QFETCH(int, code);
        QFETCH(int, language);
        MarkerTable table = Markers::buildTable(uchar(code), uchar(language));
        for (int r = 0; r < DeviceMarkerCount; ++r) {
            table[r].norm = 1000 + r;
            table[r].result = 10000000;  // every marker significant, the widest numbers
        }
        Markers::postCalc(table);
        ReportHtml::PremadeParams params{"Operator", "01", "02", "2024", "P1", Markers::templateType(uchar(code)),
                                         uchar(code), uchar(language)};
        const QString premade = ReportHtml::fillPremade(
            ReportHtml::readTemplate(ReportHtml::templatePath(docs(), params.templateType, uchar(language))), table, params);
        const QString page = ReportHtml::fillIdentity(
            premade, {"Microbial markers in bronchoalveolar lavage", "BA_2024_0001", "Konstantinopolsky A.A.",
                      ReportHtml::conclusion(table, uchar(code), uchar(language))});
        QVERIFY(!page.contains(QLatin1Char('$')));
        QTemporaryDir dir;
        QVERIFY(ReportHtml::writeUtf8(dir.filePath("r.html"), page));
        QWebPage web;
        QSignalSpy loaded(&web, &QWebPage::loadFinished);
        web.mainFrame()->load(QUrl::fromLocalFile(dir.filePath("r.html")));
        QVERIFY(loaded.wait(10000));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        printer.setOutputFileName(dir.filePath("r.pdf"));
        web.mainFrame()->print(&printer);
        QFile pdf(dir.filePath("r.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QTEST(int(pdf.readAll().count("/Type /Page\n")), "pages");
    }
};

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
