#include "report/reporthtml.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>
#include <QtTest>

// The shipped report templates in data/docs: every placeholder the filling needs is present,
// and nothing that would survive the filling as a stray "$" text.
namespace {

QString nn(int p) { return QStringLiteral("%1").arg(p, 2, 10, QLatin1Char('0')); }

QString docs() { return QStringLiteral(LAB_DATA_DIR "/docs"); }

QString load(const QString& path, bool* validUtf8)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = f.readAll();
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    *validUtf8 = state.invalidChars == 0 && !bytes.contains('\0') && !bytes.startsWith("\xEF\xBB\xBF");
    return text;
}

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
            for (unsigned char lang : {0, 1}) {
                const QString path = ReportHtml::templatePath(docs(), t, lang);
                QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path << t << false;
            }
            const QString path = ReportHtml::fullTableTemplatePath(docs(), t);
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path << t << true;
        }
    }
    void placeholders()
    {
        QFETCH(QString, path);
        QFETCH(int, templateType);
        QFETCH(bool, fullTable);
        bool valid = false;
        const QString page = load(path, &valid);
        QVERIFY2(!page.isEmpty(), qPrintable(path));
        QVERIFY2(valid, "not clean UTF-8");

        QStringList required{QStringLiteral("$OperatorAndDate")};
        if (!fullTable)
            required << QStringLiteral("$ProbeID") << QStringLiteral("$TypeProbe")
                     << QStringLiteral("$PatientID") << QStringLiteral("$Conclusion")
                     << QStringLiteral("$Image0");
        if (templateType == 3)
            required << QStringLiteral("$Image1");
        for (int p = 0; p <= 57; ++p) {
            required << QStringLiteral("$Name") + nn(p) << QStringLiteral("$Res") + nn(p)
                     << QStringLiteral("$Nor") + nn(p);
            if (p < 57)
                required << QStringLiteral("$Color") + nn(p);
            if (templateType == 3)
                required << QStringLiteral("$_Nor") + nn(p);
        }
        const QSet<QString> allowed(required.begin(), required.end());

        static const QRegularExpression token(QStringLiteral("\\$[A-Za-z_]+[0-9]*"));
        QSet<QString> found;
        auto it = token.globalMatch(page);
        while (it.hasNext()) {
            const QString t = it.next().captured();
            QVERIFY2(allowed.contains(t), qPrintable(QStringLiteral("unexpected %1").arg(t)));
            found.insert(t);
        }
        QCOMPARE(page.count(QLatin1Char('$')), page.count(token));
        for (const QString& t : required)
            QVERIFY2(found.contains(t), qPrintable(QStringLiteral("missing %1").arg(t)));

        // each colour placeholder is the bgcolor attribute of the cell holding that result
        for (int p = 0; p < 57; ++p) {
            const QRegularExpression cell(QStringLiteral("<td[^>]*\\sbgcolor=\"\\$Color%1\"[^>]*>\\$Res%1<").arg(nn(p)));
            QVERIFY2(page.contains(cell) && page.count(QStringLiteral("$Color") + nn(p)) == 1, qPrintable(nn(p)));
        }
        if (!fullTable) {
            QVERIFY(page.contains(QStringLiteral("<img src=\"$Image0.bmp\"")));
            for (int row = 1; row <= 57; ++row)
                QVERIFY2(page.contains(QStringLiteral(">%1</td><td>$Name%2</td>").arg(row).arg(nn(row - 1))),
                         qPrintable(QStringLiteral("row number %1").arg(row)));
        }
        if (templateType == 3)
            QVERIFY(page.contains(QStringLiteral("<img src=\"$Image1.bmp\"")));
        QVERIFY(page.contains(QStringLiteral("charset=utf-8"), Qt::CaseInsensitive));
        QVERIFY(page.contains(QStringLiteral("'Times New Roman', 'Liberation Serif', serif")));
        QVERIFY(page.contains(QStringLiteral("page-break-inside: avoid")));

        // filling leaves no placeholder behind
        MarkerTable table(MarkerTableSize);
        table[0].name = QStringLiteral("Streptococcus spp.");
        table[0].norm = 10;
        table[0].result = 10000000;
        ReportHtml::PremadeParams params;
        params.templateType = templateType;
        QString filled = fullTable ? ReportHtml::fillFullTable(page, table, params)
                                   : ReportHtml::fillPremade(page, table, params);
        filled = ReportHtml::fillIdentity(filled, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                                   QStringLiteral("d")});
        QVERIFY2(!filled.contains(QLatin1Char('$')), qPrintable(filled.mid(filled.indexOf(QLatin1Char('$')), 20)));
        QVERIFY(filled.contains(QStringLiteral("Streptococcus spp.")));
        QVERIFY(filled.contains(QStringLiteral("10000000+")));
        QCOMPARE(filled.count(QStringLiteral("bgcolor=\"Gold\"")), 1);
    }
};

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
