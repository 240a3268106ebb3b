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

QStringList rows(int count, int first = 100)
{
    QStringList r;
    for (int k = 0; k < count; ++k)
        r << row(QString::number(first + k));
    return r;
}

const QString EndLine = QStringLiteral("   ---------------------------------------------");

QString text(const QStringList& lines) { return lines.join(QLatin1Char('\n')) + QLatin1Char('\n'); }

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
    static QByteArray cp1251(const QString& s) { return QTextCodec::codecForName("cp1251")->fromUnicode(s); }

private slots:
    void wholeExportFromCp1251File()
    {
        const QString src = text(header(QStringLiteral("Дата : от 07 MAR 2019 10:11"),
                                        QStringLiteral("Образец пациента : Петров  П.П."),
                                        QString::fromUtf8("Количественный отчет"))
                                 + rows(70) + QStringList{EndLine, QStringLiteral("trailer")});
        QString crlf = src;
        crlf.replace(QLatin1String("\n"), QLatin1String("\r\n"));
        const QString read = ExportReader::readSource(writeBytes(cp1251(crlf)));
        QCOMPARE(read, src);
        QVERIFY(ExportReader::hasLanguageMarker(read));
        Problem p;
        int line = -1;
        const ExportData d = parse(read, &p, &line);
        QCOMPARE(p, Problem::None);
        QCOMPARE(d.rawValues.size(), 70);
        QCOMPARE(d.rawValues.first(), QStringLiteral("100"));
        QCOMPARE(d.rawValues.last(), QStringLiteral("169"));
        QCOMPARE(d.patient, QString::fromUtf8("Петров П.П."));
        QCOMPARE(d.month, QStringLiteral("03"));
        QCOMPARE(d.reportOperator, QStringLiteral("Operator A"));
        QCOMPARE(d.trimmedLines.at(6), QString::fromUtf8("Образец пациента : Петров П.П.\r\n"));
        QCOMPARE(d.sourceLines.size(), 20 + 70 + 3);
    }

    void date_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("year");
        QTest::newRow("7 words") << "Acq On : 07 MAR 2019 10:11" << "07" << "03" << "2019";
        QTest::newRow("6 words") << "Acq On : 07 MAR 2019" << "01" << "01" << "2010";
        QTest::newRow("lower dec") << "  Acq  On :  1 dec 2020 x y" << "1" << "12" << "2020";
        QTest::newRow("may") << "a b c 30 May 2021 t" << "30" << "05" << "2021";
        QTest::newRow("cyrillic") << QString::fromUtf8("a b c 07 Мар 2019 t") << "07"
                                  << QString::fromUtf8("Мар") << "2019";
        QTest::newRow("unknown keeps case") << "a b c 07 Sept 2019 t" << "07" << "Sept" << "2019";
    }
    void date()
    {
        QFETCH(QString, line);
        QFETCH(QString, day);
        QFETCH(QString, month);
        QFETCH(QString, year);
        const ExportData d = parse(text(header(line) + rows(70) + QStringList{EndLine}));
        QCOMPARE(d.day, day);
        QCOMPARE(d.month, month);
        QCOMPARE(d.year, year);
    }

    void patient_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("patient");
        QTest::newRow("three words") << "Sample Name :   Ivanov    Ivan \t Ivanovich  " << "Ivanov Ivan Ivanovich";
        QTest::newRow("one word") << "Sample Name : X" << "X";
        QTest::newRow("label only") << "Sample Name :" << "patient";
        QTest::newRow("empty") << "" << "patient";
        QTest::newRow("cyrillic") << QString::fromUtf8("Образец пациента : Иванов И.И.")
                                  << QString::fromUtf8("Иванов И.И.");
    }
    void patient()
    {
        QFETCH(QString, line);
        QFETCH(QString, patient);
        const ExportData d = parse(text(header(QString(), line) + rows(70) + QStringList{EndLine}));
        QCOMPARE(d.patient, patient);
        QCOMPARE(d.day, QStringLiteral("01"));
    }

    void column_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        const QString left51 = QStringLiteral("  1) Name").leftJustified(51, QLatin1Char(' '));
        QTest::newRow("blank at 54") << QStringLiteral("  1) Name 77").leftJustified(60, QLatin1Char(' ')) << "0";
        QTest::newRow("exact") << QString(left51 + QStringLiteral("1234")) << "1234";
        QTest::newRow("after ignored") << QString(left51 + QStringLiteral("1234 999")) << "1234";
        QTest::newRow("overrun") << QString(left51 + QStringLiteral("123456")) << "1234";
        QTest::newRow("tab is part") << QString(QStringLiteral("n").leftJustified(50, QLatin1Char(' '))
                                                + QStringLiteral("7\t123")) << "7\t123";
        QTest::newRow("no blank") << QString(60, QLatin1Char('9')) << QString(55, QLatin1Char('9'));
        QTest::newRow("blank at 0") << QString(QLatin1Char(' ') + QString(59, QLatin1Char('x')))
                                    << QString(54, QLatin1Char('x'));
    }
    void column()
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
        QTest::newRow("seven") << "-------" << 70;
        QTest::newRow("indented") << "  \t  -------   " << 70;
        QTest::newRow("long") << QString(80, QLatin1Char('-')) << 70;
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
        if (count == 71)
            QCOMPARE(d.rawValues.last(), QStringLiteral("5"));
    }

    void line21AlwaysRead()
    {
        QString first = row(QStringLiteral("42"));
        first.replace(0, 7, QStringLiteral("-------"));
        Problem p;
        const ExportData d = parse(text(header() + QStringList{first} + rows(69) + QStringList{EndLine}), &p);
        QCOMPARE(p, Problem::None);
        QCOMPARE(d.rawValues.size(), 70);
        QCOMPARE(d.rawValues.first(), QStringLiteral("42"));
    }

    void probeCode_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("code");
        QTest::newRow("upper D") << "001f0101.D" << "001F0101";
        QTest::newRow("lower d") << "abc.d" << "ABC.D";
        QTest::newRow("twice, blanks") << " x1.D.D " << "X1";
        QTest::newRow("inside") << "a.Db" << "AB";
    }
    void probeCode()
    {
        QFETCH(QString, folder);
        QFETCH(QString, code);
        const ExportData d = parse(text(header() + rows(70) + QStringList{EndLine}), nullptr, nullptr, folder);
        QCOMPARE(d.probeCode, code);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("marker");
        const QString ru = QString::fromUtf8("Количественный отчет\nline two\n");
        QTextCodec* le = QTextCodec::codecForName("UTF-16LE");
        QTextCodec* be = QTextCodec::codecForName("UTF-16BE");
        QTest::newRow("cp1251") << cp1251(ru) << true;
        QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbf" + ru.toUtf8()) << true;
        QTest::newRow("utf8 no bom read as cp1251") << ru.toUtf8() << false;
        QTest::newRow("utf16le bom") << QByteArray("\xff\xfe" + le->fromUnicode(ru)) << true;
        QTest::newRow("utf16be bom") << QByteArray("\xfe\xff" + be->fromUnicode(ru)) << true;
        QTest::newRow("utf16le crlf") << QByteArray("\xff\xfe" + le->fromUnicode(QString(ru).replace(
                                             QLatin1String("\n"), QLatin1String("\r\n")))) << true;
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, marker);
        const QString read = ExportReader::readSource(writeBytes(bytes));
        QCOMPARE(ExportReader::hasLanguageMarker(read), marker);
        if (marker)
            QCOMPARE(read, QString::fromUtf8("Количественный отчет\nline two\n"));
    }

    void languageMarker_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("ok");
        QTest::newRow("english") << "Quantitation Report\nx" << true;
        QTest::newRow("leading blanks") << "  \tQuantitation" << true;
        QTest::newRow("lower") << "quantitation Report" << false;
        QTest::newRow("upper") << "QUANTITATION Report" << false;
        QTest::newRow("glued") << "QuantitationReport" << false;
        QTest::newRow("russian") << QString::fromUtf8("Количественный отчет") << true;
        QTest::newRow("russian lower") << QString::fromUtf8("количественный отчет") << false;
        QTest::newRow("second line") << "\nQuantitation" << false;
        QTest::newRow("empty") << "" << false;
    }
    void languageMarker()
    {
        QFETCH(QString, source);
        QFETCH(bool, ok);
        QCOMPARE(ExportReader::hasLanguageMarker(source), ok);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<int>("line");
        QStringList shortRow = header() + rows(70) + QStringList{EndLine};
        shortRow[30] = QStringLiteral("  11) Truncated   5");
        QStringList blankRow = header() + rows(70) + QStringList{EndLine};
        blankRow[20] = QString();
        QTest::newRow("exactly 70") << text(header() + rows(70) + QStringList{EndLine}) << Problem::None << 0;
        QTest::newRow("69 rows") << text(header() + rows(69) + QStringList{EndLine}) << Problem::TooFewRows << 90;
        QTest::newRow("1 row") << text(header() + rows(1) + QStringList{EndLine}) << Problem::TooFewRows << 22;
        QTest::newRow("short row") << text(shortRow) << Problem::ShortRow << 31;
        QTest::newRow("empty line 21") << text(blankRow) << Problem::ShortRow << 21;
        QTest::newRow("no end") << QString(header() .join(QLatin1Char('\n')) + QLatin1Char('\n')
                                           + rows(80).join(QLatin1Char('\n'))) << Problem::NoTableEnd << 100;
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
            QVERIFY(en.contains(path) && en.contains(QLatin1String("317")));
            QVERIFY(ru.contains(path) && ru.contains(QLatin1String("317")));
            QVERIFY(ru.contains(QString::fromUtf8("Процесс остановлен")));
            QVERIFY(!en.contains(QString::fromUtf8("Процесс")));
        }
        QVERIFY(ExportReader::problemMessage(Problem::TooFewRows, path, 1, 0)
                != ExportReader::problemMessage(Problem::NoTableEnd, path, 1, 0));
        // A path that looks like a placeholder is shown as it is.
        QVERIFY(ExportReader::problemMessage(Problem::ShortRow, QStringLiteral("%2%3"), 9, 0)
                    .contains(QLatin1String("\"%2%3\"")));
    }

    void unreadableFile()
    {
        const QString read = ExportReader::readSource(tmp.filePath(QStringLiteral("missing.txt")));
        QVERIFY(read.isEmpty());
        QVERIFY(!ExportReader::hasLanguageMarker(read));
    }

    void binaryGarbage()
    {
        QByteArray bytes(1 << 20, Qt::Uninitialized);
        QRandomGenerator gen(1234);
        for (char& c : bytes) {
            c = char(gen.bounded(256));
            if (c == '-')
                c = '+';
        }
        const QString read = ExportReader::readSource(writeBytes(bytes));
        QVERIFY(read.size() > 1000);
        Problem p;
        const ExportData d = parse(read, &p);
        QVERIFY(p != Problem::None);
        QVERIFY(d.rawValues.isEmpty());
    }

    void enormousLineIsCapped()
    {
        const QString read = ExportReader::readSource(
            writeBytes(QByteArray(int(ExportReader::MaxSourceBytes) + 4096, 'A')));
        QCOMPARE(read.size(), int(ExportReader::MaxSourceBytes));
        QVERIFY(!ExportReader::hasLanguageMarker(read));
        Problem p;
        const ExportData d = parse(read, &p);
        QCOMPARE(p, Problem::NoTableEnd);
        QCOMPARE(d.sourceLines.size(), 1);
    }

    void utf8Copy()
    {
        const QString path = tmp.filePath(QStringLiteral("RawData.txt"));
        QVERIFY(ExportReader::writeUtf8Copy(path, QString::fromUtf8("Количественный\nline\n")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QString::fromUtf8("Количественный\r\nline\r\n").toUtf8());
        QVERIFY(!ExportReader::writeUtf8Copy(tmp.filePath(QStringLiteral("no/such/dir/RawData.txt")),
                                             QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestExportReader)
#include "tst_exportreader.moc"
