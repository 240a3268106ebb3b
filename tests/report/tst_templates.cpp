#include "report/filewrite.h"
#include "report/markertable.h"
#include "report/reporthtml.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

// The shipped templates hold exactly the placeholders the filling knows. Filled with every
// marker significant and the longest amendment line, and printed as the program prints, the
// conclusion follows the results: one page, or for type 3 the overview page and the deviation
// page ending with it. The amendment line shows under the heading, and takes no space when empty.
class TestTemplates : public QObject
{
    Q_OBJECT

  private slots:
    void filledAndPrinted_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("language"); // -1: the full-table template, not printed
        QTest::addColumn<int>("pages");
        for (int language : {0, 1, -1}) {
            QTest::addRow("type 1, language %d", language) << 9 << language << 1;
            QTest::addRow("type 2, language %d", language) << 10 << language << 1;
            QTest::addRow("type 3, language %d", language) << 5 << language << 2;
        }
    }
    void filledAndPrinted()
    {
        QFETCH(int, code);
        QFETCH(int, language);
        const bool fullTable = language < 0;
        const ReportHtml::PremadeParams params{"Operator",  "01",
                                               "02",        "2024",
                                               "P1",        Markers::templateType(uchar(code)),
                                               uchar(code), uchar(qMax(0, language))};
        const QString docs(LAB_DATA_DIR "/docs");
        const QString page = ReportHtml::readTemplate(
            fullTable ? ReportHtml::fullTableTemplatePath(docs, params.templateType)
                      : ReportHtml::templatePath(docs, params.templateType, params.language));
        QVERIFY(page.contains(QStringLiteral("'Times New Roman', 'Liberation Serif', serif")));
        auto nn = [](int p) { return QStringLiteral("%1").arg(p, 2, 10, QLatin1Char('0')); };
        QStringList required{QStringLiteral("$OperatorAndDate")};
        if (!fullTable) { // the amendment line once, between the heading and the results
            required << "$ProbeID"
                     << "$TypeProbe"
                     << "$PatientID"
                     << "$Conclusion"
                     << "$Image0"
                     << "$Amendment";
            QCOMPARE(page.count(QStringLiteral("$Amendment")), 1);
            QVERIFY(page.indexOf(QStringLiteral("$Amendment")) >
                    page.indexOf(QStringLiteral("$PatientID")));
            QVERIFY(page.indexOf(QStringLiteral("$Amendment")) <
                    page.indexOf(QStringLiteral("$Name00")));
        }
        if (params.templateType == 3)
            required << QStringLiteral("$Image1");
        for (int p = 0; p <= 57; ++p) {
            required << "$Name" + nn(p) << "$Res" + nn(p) << "$Nor" + nn(p);
            if (p < 57) { // the colour of a result is the bgcolor of its own cell
                required << "$Color" + nn(p);
                QVERIFY2(page.contains(QRegularExpression(
                             QStringLiteral("<td[^>]*\\sbgcolor=\"\\$Color%1\"[^>]*>\\$Res%1<")
                                 .arg(nn(p)))),
                         qPrintable(nn(p)));
            }
            if (params.templateType == 3)
                required << "$_Nor" + nn(p);
            if (!fullTable && p < 57) // row numbers as in the charts
                QVERIFY(page.contains(
                    QStringLiteral(">%1</td><td>$Name%2</td>").arg(p + 1).arg(nn(p))));
        }
        QSet<QString> found;
        for (auto it = QRegularExpression(QStringLiteral("\\$[A-Za-z_]+[0-9]*")).globalMatch(page);
             it.hasNext();)
            found.insert(it.next().captured());
        QCOMPARE(found, QSet<QString>(required.begin(), required.end()));

        MarkerTable table = Markers::buildTable(uchar(code), params.language);
        for (int r = 0; r < DeviceMarkerCount; ++r) {
            table[r].norm = 1000 + r;
            table[r].result = 10000000; // every marker significant, the widest numbers
        }
        Markers::postCalc(table);
        // The longest line the program writes: a reason of 150 characters, in capitals.
        const QString amendment =
            params.language == 0
                ? QString("Amended report, version 12. Replaces the report of 01.02.2024 10:00. "
                          "Reason: " +
                          QStringLiteral("WRONG PATIENT NAME, WRONG CODE ").repeated(5).left(150))
                : QString(QString::fromUtf8("Исправленный отчет, версия 12. Заменяет отчет от "
                                            "01.02.2024 10:00. Причина: ") +
                          QString::fromUtf8("НЕВЕРНОЕ ИМЯ ПАЦИЕНТА, НЕВЕРНЫЙ КОД ")
                              .repeated(5)
                              .left(150));
        QString filled = fullTable ? ReportHtml::fillFullTable(page, table, params)
                                   : ReportHtml::fillPremade(page, table, params);
        filled = ReportHtml::fillIdentity(
            filled, {"Microbial markers in bronchoalveolar lavage", "BA_2024_0001",
                     "Konstantinopolsky A.A.",
                     ReportHtml::conclusion(table, uchar(code), params.language), amendment});
        QCOMPARE(filled.count(QStringLiteral("bgcolor=\"Gold\"")), 57);
        QCOMPARE(filled.count(QLatin1Char('$')), 0);
        if (fullTable)
            return;
        QTemporaryDir dir;
        QWebPage web;
        QSignalSpy loaded(&web, &QWebPage::loadFinished);
        QVERIFY(FileWrite::text(dir.filePath("r.html"), filled));
        web.mainFrame()->load(QUrl::fromLocalFile(dir.filePath("r.html")));
        QVERIFY(loaded.wait(10000));
        const QString height = QStringLiteral("document.querySelector('.amendment').offsetHeight");
        QVERIFY(web.mainFrame()->evaluateJavaScript(height).toInt() > 20);
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        printer.setOutputFileName(dir.filePath("r.pdf"));
        web.mainFrame()->print(&printer);
        QFile pdf(dir.filePath("r.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QTEST(int(pdf.readAll().count("/Type /Page\n")), "pages");
        web.mainFrame()->evaluateJavaScript(
            QStringLiteral("document.querySelector('.amendment').innerHTML = ''"));
        QCOMPARE(web.mainFrame()->evaluateJavaScript(height).toInt(), 0);
    }
};

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
