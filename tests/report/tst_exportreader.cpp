#include "report/exportreader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using ExportReader::Problem;
Q_DECLARE_METATYPE(ExportReader::Problem)

namespace {

// A data row whose value ends exactly at character column 54.
QString row(const QString& value)
{
    return QStringLiteral("  1) Compound").leftJustified(55 - value.size(), QLatin1Char(' '))
        + value + QStringLiteral("   12.5  x");
}

QStringList header(const QString& dateLine = QStringLiteral("Acq On    : 07 MAR 2019  10:11"),
                   const QString& patientLine = QStringLiteral("Sample    : Ivanov Ivan"),
                   const QString& marker = QStringLiteral("Quantitation Report (QT Reviewed)"))
{
    QStringList h = {marker, QString(), QStringLiteral("Data Path : C:\\data"),
                     QStringLiteral("Data File : 001.D"), dateLine,
                     QStringLiteral("Operator  : lab"), patientLine};
    while (h.size() < 20)
        h << QStringLiteral("Misc      : header line %1").arg(h.size());
    return h;
}

QStringList rows(int count)
{
    QStringList r;
    for (int k = 0; k < count; ++k)
        r << row(QString::number(100 + k));
    return r;
}

const QString EndLine = QStringLiteral("   ---------------------------------------------");

QString text(const QStringList& lines) { return lines.join(QLatin1Char('\n')) + QLatin1Char('\n'); }

// A whole export: header, `count` rows, closing line.
QStringList exportLines(int count) { return header() + rows(count) + QStringList{EndLine}; }

ExportData parse(const QString& source, Problem* problem = nullptr, int* line = nullptr,
                 const QString& folder = QStringLiteral("001F0101.D"))
{
    ExportData d;
    d.sourceText = source;
    ExportReader::splitLines(d);
    const Problem p = ExportReader::readData(d, folder, QStringLiteral("Operator A"), line);
    if (problem)
        *problem = p;
    return d;
}

QByteArray cp1251(const QString& s) { return QTextCodec::codecForName("cp1251")->fromUnicode(s); }

}  // namespace

class TestExportReader : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

    QString writeBytes(const QByteArray& bytes)
    {
        const QString path = tmp.filePath(QStringLiteral("epatemp.txt"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

private slots:
    void wholeExportFromCp1251File()
    {
        const QString src = text(header(QStringLiteral("Дата : от 07 MAR 2019 10:11"),
                                        QStringLiteral("Образец пациента : Петров  П.П."),
                                        QStringLiteral("Количественный отчет"))
                                 + rows(70) + QStringList{EndLine, QStringLiteral("trailer")});
        const QString read = ExportReader::readSource(writeBytes(cp1251(QString(src).replace(
            QLatin1String("\n"), QLatin1String("\r\n")))));
        QCOMPARE(read, src);
        QVERIFY(ExportReader::hasLanguageMarker(read));
        Problem p;
        const ExportData d = parse(read, &p);
        QCOMPARE(p, Problem::None);
        QCOMPARE(d.rawValues.size(), 70);
        QCOMPARE(d.rawValues.last(), QStringLiteral("169"));
        QCOMPARE(d.patient, QStringLiteral("Петров П.П."));
        QCOMPARE(d.trimmedLines.at(6), QStringLiteral("Образец пациента : Петров П.П.\r\n"));
        QCOMPARE(d.sourceLines.size(), 20 + 70 + 3);
    }

    // Date (words 4..6 of line 5, or 01.01.2010 when it has fewer than 7 words), patient
    // (words after the colon of line 7) and probe code (folder name without ".D").
    void headerFields_data()
    {
        QTest::addColumn<QString>("dateLine");
        QTest::addColumn<QString>("patientLine");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");  // date|patient|probe code
        const QString acq = QStringLiteral("Acq On : 07 MAR 2019 10:11");
        const QString smp = QStringLiteral("Sample Name : X");
        QTest::newRow("7 words") << acq << smp << "001f0101.D" << "07.03.2019|X|001F0101";
        QTest::newRow("6 words") << "Acq On : 07 MAR 2019" << smp << "abc.d" << "01.01.2010|X|ABC.D";
        QTest::newRow("lower dec") << "  Acq  On :  1 dec 2020 x y" << smp << " x1.D.D " << "1.12.2020|X|X1";
        QTest::newRow("may") << "a b c 30 May 2021 t" << smp << "a.Db" << "30.05.2021|X|AB";
        QTest::newRow("unknown month keeps case") << "a b c 07 Sept 2019 t" << smp << "a.D" << "07.Sept.2019|X|A";
        QTest::newRow("patient words joined") << acq << "Sample Name :   Ivanov    Ivan \t Ivanovich  " << "a.D"
                                              << "07.03.2019|Ivanov Ivan Ivanovich|A";
        QTest::newRow("patient label only") << acq << "Sample Name :" << "a.D" << "07.03.2019|patient|A";
        QTest::newRow("no date, no patient") << "" << "" << "a.D" << "01.01.2010|patient|A";
    }
    void headerFields()
    {
        QFETCH(QString, dateLine);
        QFETCH(QString, patientLine);
        QFETCH(QString, folder);
        const ExportData d = parse(text(header(dateLine, patientLine) + rows(70) + QStringList{EndLine}),
                                   nullptr, nullptr, folder);
        const QString date = QStringList({d.day, d.month, d.year}).join(QLatin1Char('.'));
        QTEST(QStringList({date, d.patient, d.probeCode}).join(QLatin1Char('|')), "expected");
    }

    // The value of a data row is the word ending at column 54 (the first row always counts,
    // even when it looks like the closing line).
    void valueColumn_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        const QString left51 = QStringLiteral("  1) Name").leftJustified(51, QLatin1Char(' '));
        QTest::newRow("blank at 54") << QStringLiteral("  1) Name 77").leftJustified(60, QLatin1Char(' ')) << "0";
        QTest::newRow("overrun") << QString(left51 + QStringLiteral("123456")) << "1234";
        QTest::newRow("tab is part") << QString(QStringLiteral("n").leftJustified(50, QLatin1Char(' '))
                                                + QStringLiteral("7\t123")) << "7\t123";
        QTest::newRow("no blank") << QString(60, QLatin1Char('9')) << QString(55, QLatin1Char('9'));
        QTest::newRow("dashes on line 21") << QString(row(QStringLiteral("42")).replace(0, 7, QStringLiteral("-------")))
                                           << "42";
    }
    void valueColumn()
    {
        QFETCH(QString, line);
        QFETCH(QString, value);
        Problem p;
        const ExportData d = parse(text(header() + QStringList{line} + rows(69) + QStringList{EndLine}), &p);
        QCOMPARE(p, Problem::None);
        QCOMPARE(d.rawValues.size(), 70);
        QCOMPARE(d.rawValues.first(), value);
        QCOMPARE(d.rawValues.at(1), QStringLiteral("100"));
    }

    void tableEnd_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<int>("count");
        QTest::newRow("seven, tab-indented") << "  \t  -------   " << 70;
        QTest::newRow("six") << QString(row(QStringLiteral("5")).replace(0, 6, QStringLiteral("------"))) << 71;
        QTest::newRow("word first") << QString(row(QStringLiteral("5")).replace(0, 9, QStringLiteral("x -------"))) << 71;
    }
    void tableEnd()
    {
        QFETCH(QString, candidate);
        QFETCH(int, count);
        Problem p;
        const ExportData d = parse(text(header() + rows(70) + QStringList{candidate, EndLine}), &p);
        QCOMPARE(p, Problem::None);
        QCOMPARE(d.rawValues.size(), count);
        QCOMPARE(d.rawValues.last(), count == 71 ? QStringLiteral("5") : QStringLiteral("169"));
    }

    void refused_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<int>("line");
        QStringList shortRow = exportLines(70);
        shortRow[30] = QStringLiteral("  11) Truncated   5");
        QTest::newRow("exactly 70") << text(exportLines(70)) << Problem::None << 0;
        QTest::newRow("69 rows") << text(exportLines(69)) << Problem::TooFewRows << 90;
        QTest::newRow("short row") << text(shortRow) << Problem::ShortRow << 31;
        QTest::newRow("no end") << QString(text(header()) + rows(80).join(QLatin1Char('\n'))) << Problem::NoTableEnd << 100;
        QTest::newRow("header only") << header().join(QLatin1Char('\n')) << Problem::NoTableEnd << 20;
        QTest::newRow("header, newline") << text(header()) << Problem::ShortRow << 21;
        QTest::newRow("empty") << QString() << Problem::NoTableEnd << 1;
    }
    void refused()
    {
        QFETCH(QString, source);
        QFETCH(Problem, problem);
        QFETCH(int, line);
        Problem p;
        int reported = -1;
        const ExportData d = parse(source, &p, &reported);
        QCOMPARE(p, problem);
        QCOMPARE(reported, line);
        QCOMPARE(d.rawValues.isEmpty(), problem != Problem::None);
    }

    void problemMessages()
    {
        const QString path = QStringLiteral("/data/x.D/epatemp.txt");
        QCOMPARE(ExportReader::problemMessage(Problem::None, path, 0, 0), QString());
        for (Problem p : {Problem::TooFewRows, Problem::ShortRow, Problem::NoTableEnd}) {
            const QString en = ExportReader::problemMessage(p, path, 317, 0);
            const QString ru = ExportReader::problemMessage(p, path, 317, 1);
            QVERIFY(en.contains(path) && en.contains(QLatin1String("317")) && !en.contains(QStringLiteral("Процесс")));
            QVERIFY(ru.contains(path) && ru.contains(QLatin1String("317")) && ru.contains(QStringLiteral("Процесс остановлен")));
        }
        QVERIFY(ExportReader::problemMessage(Problem::TooFewRows, path, 1, 0)
                != ExportReader::problemMessage(Problem::NoTableEnd, path, 1, 0));
        // A path that looks like a placeholder is shown as it is.
        QVERIFY(ExportReader::problemMessage(Problem::ShortRow, QStringLiteral("%2%3"), 9, 0)
                    .contains(QLatin1String("\"%2%3\"")));
    }

    // Decoding (code page 1251 unless a byte order mark says otherwise) and the marker,
    // which must be the exact first word of the first line.
    void decodingAndMarker_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded");  // null: not compared
        QTest::addColumn<bool>("marker");
        const QString ru = QStringLiteral("Количественный отчет\nline two\n");
        QTextCodec* le = QTextCodec::codecForName("UTF-16LE");
        QTextCodec* be = QTextCodec::codecForName("UTF-16BE");
        QTest::newRow("cp1251") << cp1251(ru) << ru << true;
        QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbf" + ru.toUtf8()) << ru << true;
        QTest::newRow("utf8 no bom read as cp1251") << ru.toUtf8() << QString() << false;
        QTest::newRow("utf16le bom") << QByteArray("\xff\xfe" + le->fromUnicode(ru)) << ru << true;
        QTest::newRow("utf16be bom") << QByteArray("\xfe\xff" + be->fromUnicode(ru)) << ru << true;
        const char* const texts[] = {"Quantitation Report\nx", "  \tQuantitation",  // accepted
                                     "quantitation Report", "QuantitationReport", "количественный отчет",
                                     "\nQuantitation", ""};
        for (int n = 0; n < 7; ++n)
            QTest::addRow("marker %d", n) << cp1251(QString::fromUtf8(texts[n])) << QString::fromUtf8(texts[n]) << (n < 2);
    }
    void decodingAndMarker()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, decoded);
        QFETCH(bool, marker);
        const QString read = ExportReader::readSource(writeBytes(bytes));
        QCOMPARE(ExportReader::hasLanguageMarker(read), marker);
        if (!decoded.isNull())
            QCOMPARE(read, decoded);
    }

    void missingGarbageAndHugeFilesRefused()
    {
        QCOMPARE(ExportReader::readSource(tmp.filePath(QStringLiteral("missing.txt"))), QString());

        QByteArray bytes(1 << 20, Qt::Uninitialized);
        QRandomGenerator gen(1234);
        for (char& c : bytes) {
            c = char(gen.bounded(256));
            c = c == '-' ? '+' : c;  // no closing line by chance
        }
        QString read = ExportReader::readSource(writeBytes(bytes));
        QVERIFY(read.size() > 1000);
        Problem p;
        QVERIFY(parse(read, &p).rawValues.isEmpty());
        QVERIFY(p != Problem::None);

        read = ExportReader::readSource(writeBytes(QByteArray(int(ExportReader::MaxSourceBytes) + 4096, 'A')));
        QCOMPARE(read.size(), int(ExportReader::MaxSourceBytes));
        QVERIFY(!ExportReader::hasLanguageMarker(read));
        QCOMPARE(parse(read, &p).sourceLines.size(), 1);
        QCOMPARE(p, Problem::NoTableEnd);
    }
};

QTEST_GUILESS_MAIN(TestExportReader)
#include "tst_exportreader.moc"
