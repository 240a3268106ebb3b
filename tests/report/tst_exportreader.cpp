#include "report/exportreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {
// A data row whose value ends exactly at character column 54.
QString row(const QString& value)
{
    return QStringLiteral("  1) Compound").leftJustified(55 - value.size()) + value +
           QStringLiteral("   12.5  x");
}

// Header lines 1 to 20, then rows with the values 100, 101, ... (`changed` replaces some by index).
QStringList header(const QString& dateLine = "Acq On : 07 MAR 2019 10:11",
                   const QString& patientLine = "Sample : X")
{
    QStringList h = {"Quantitation Report",
                     "",
                     "Data Path : C:\\data",
                     "Data File : 001.D",
                     dateLine,
                     "Op",
                     patientLine};
    while (h.size() < 20)
        h << QStringLiteral("Misc      : header line %1").arg(h.size());
    return h;
}
QStringList rows(int count, const QMap<int, QString>& changed = {})
{
    QStringList r;
    for (int k = 0; k < count; ++k)
        r << row(changed.value(k, QString::number(100 + k)));
    return r;
}
QString text(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
QString ended(const QStringList& body,
              const QString& closing = QStringLiteral("   ----------------------"))
{
    return text(header() + body + QStringList{closing});
}

ExportData parse(const QString& source, ExportReader::Refusal* refusal,
                 const QString& folder = "001F0101.D")
{
    ExportData d;
    d.sourceText = source;
    ExportReader::splitLines(d);
    *refusal = ExportReader::readData(d, folder, QStringLiteral("Operator A"));
    return d;
}

// "None <rows> <first value> <last value>" for an accepted table, "<problem> <line> [value]" for a
// refused one.
QString outcome(const QString& source)
{
    static const char* const names[] = {"None", "TooFewRows", "ShortRow", "NoTableEnd",
                                        "ValueOutOfRange"};
    ExportReader::Refusal r;
    const ExportData d = parse(source, &r);
    if (r.problem == ExportReader::Problem::None)
        return QStringLiteral("None %1 %2 %3")
            .arg(d.rawValues.size())
            .arg(d.rawValues.first(), d.rawValues.last());
    return QStringLiteral("%1 %2 %3")
               .arg(QLatin1String(names[int(r.problem)]))
               .arg(r.line)
               .arg(r.value)
               .trimmed() +
           (d.rawValues.isEmpty() ? "" : " values kept");
}

QByteArray cp1251(const QString& s)
{
    return QTextCodec::codecForName("cp1251")->fromUnicode(s);
}
} // namespace

class TestExportReader : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

    QString writeBytes(const QByteArray& bytes)
    {
        QFile f(tmp.filePath(QStringLiteral("epatemp.txt")));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return f.fileName();
    }

  private slots:
    // Date (words 4..6 of line 5, or 01.01.2010 when it has fewer than 7 words), patient
    // (words after the colon of line 7) and probe code (folder name without ".D").
    void headerFields_data()
    {
        QTest::addColumn<QString>("dateLine");
        QTest::addColumn<QString>("patientLine");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected"); // date|patient|probe code
        const QString acq = QStringLiteral("Acq On : 07 MAR 2019 10:11");
        const QString smp = QStringLiteral("Sample Name : X");
        QTest::newRow("7 words") << acq << smp << "001f0101.D"
                                 << "07.03.2019|X|001F0101";
        QTest::newRow("6 words") << "Acq On : 07 MAR 2019" << smp << "abc.d"
                                 << "01.01.2010|X|ABC.D";
        QTest::newRow("lower dec") << "  Acq  On :  1 dec 2020 x y" << smp << " x1.D.D "
                                   << "1.12.2020|X|X1";
        QTest::newRow("May") << "a b c 30 May 2021 t" << smp << "a.Db"
                             << "30.05.2021|X|AB";
        QTest::newRow("unknown month keeps case") << "a b c 07 Sept 2019 t" << smp << "a.D"
                                                  << "07.Sept.2019|X|A";
        QTest::newRow("patient words joined")
            << acq << "Sample Name :   Ivanov    Ivan \t Ivanovich  "
            << "a.D"
            << "07.03.2019|Ivanov Ivan Ivanovich|A";
        QTest::newRow("patient label only") << acq << "Sample Name :"
                                            << "a.D"
                                            << "07.03.2019|patient|A";
        QTest::newRow("no date, no patient") << ""
                                             << ""
                                             << "a.D"
                                             << "01.01.2010|patient|A";
    }
    void headerFields()
    {
        QFETCH(QString, dateLine);
        QFETCH(QString, patientLine);
        QFETCH(QString, folder);
        ExportReader::Refusal r;
        const ExportData d = parse(
            text(header(dateLine, patientLine) + rows(70) + QStringList{"-------"}), &r, folder);
        QTEST(QString(d.day % '.' % d.month % '.' % d.year % '|' % d.patient % '|' % d.probeCode),
              "expected");
        QCOMPARE(d.trimmedLines.at(6), patientLine.simplified() + "\r\n");
    }

    // Where the table ends, the value each row gives (the word ending at column 54), and the
    // tables that cannot be sent.
    void table_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        auto first = [](const QString& line) { return ended(QStringList{line} + rows(70).mid(1)); };
        QStringList shortRow = rows(70);
        shortRow[10] = QStringLiteral("  11) Truncated   5");
        QTest::newRow("exactly 70") << ended(rows(70)) << "None 70 100 169";
        QTest::newRow("blank at 54")
            << first(QStringLiteral("  1) Name 77").leftJustified(60)) << "None 70 0 169";
        QTest::newRow("overrun") << first(QString(51, ' ') + "123456") << "None 70 1234 169";
        QTest::newRow("tab is part") << first(QString(50, ' ') + "7\t123") << "None 70 7\t123 169";
        QTest::newRow("no blank") << first(QString(60, 'x'))
                                  << QString("None 70 " + QString(55, 'x') + " 169");
        QTest::newRow("hyphens on line 21")
            << first(row("42").replace(0, 7, "-------")) << "None 70 42 169";
        QTest::newRow("seven hyphens, tab-indented")
            << ended(rows(70), "  \t  -------   ") << "None 70 100 169";
        QTest::newRow("six hyphens are a row")
            << ended(rows(70) << row("5").replace(0, 6, "------")) << "None 71 100 5";
        QTest::newRow("word before hyphens")
            << ended(rows(70) << row("5").replace(0, 9, "x -------")) << "None 71 100 5";
        QTest::newRow("69 rows") << ended(rows(69)) << "TooFewRows 90";
        QTest::newRow("short row") << ended(shortRow) << "ShortRow 31";
        QTest::newRow("no closing line")
            << QString(text(header()) + rows(80).join(QLatin1Char('\n'))) << "NoTableEnd 100";
        QTest::newRow("no closing line, final LF") << text(header() + rows(70)) << "NoTableEnd 91";
        QTest::newRow("header only") << header().join(QLatin1Char('\n')) << "NoTableEnd 20";
        QTest::newRow("empty") << QString() << "NoTableEnd 1";
        // The device takes 0 to 4294967295; text that is no number goes as 0.
        QTest::newRow("negative") << ended(rows(70, {{12, "-5"}})) << "ValueOutOfRange 33 -5";
        QTest::newRow("2^32") << ended(rows(70, {{69, "4294967296"}}))
                              << "ValueOutOfRange 90 4294967296";
        QTest::newRow("past 64 bits") << ended(rows(70, {{0, "99999999999999999999"}}))
                                      << "ValueOutOfRange 21 99999999999999999999";
        QTest::newRow("2^32 - 1") << ended(rows(70, {{69, "4294967295"}}))
                                  << "None 70 100 4294967295";
        QTest::newRow("not a number") << ended(rows(70, {{69, "12x"}})) << "None 70 100 12x";
        QTest::newRow("row 71 is not sent") << ended(rows(71, {{70, "-1"}})) << "None 71 100 -1";
    }
    void table()
    {
        QFETCH(QString, source);
        QTEST(outcome(source), "expected");
    }

    // Decoding (code page 1251 unless a byte order mark says otherwise, CR LF read as LF) and
    // the marker, which must be the exact first word of the first line.
    void decodingAndMarker_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("decoded"); // null: not compared
        QTest::addColumn<bool>("marker");
        const QString ru = QStringLiteral("Количественный отчет\nline two\n");
        QTest::newRow("cp1251, CR LF") << cp1251(QString(ru).replace("\n", "\r\n")) << ru << true;
        QTest::newRow("utf8 bom") << QByteArray("\xef\xbb\xbf" + ru.toUtf8()) << ru << true;
        QTest::newRow("utf8 no bom read as cp1251") << ru.toUtf8() << QString() << false;
        QTest::newRow("missing file") << QByteArray() << QString("") << false;
        // Only the first 16 MiB are read, so a huge file cannot exhaust memory.
        const int cap = int(ExportReader::MaxSourceBytes);
        QTest::newRow("huge file") << QByteArray(cap + 4096, 'A') << QString(cap, 'A') << false;
        const char* const texts[] = {"Quantitation Report\nx",
                                     "  \tQuantitation", // accepted
                                     "quantitation Report",
                                     "QuantitationReport",
                                     "количественный отчет",
                                     "\nQuantitation",
                                     ""};
        for (int n = 0; n < 7; ++n)
            QTest::addRow("marker %d", n)
                << cp1251(QString::fromUtf8(texts[n])) << QString::fromUtf8(texts[n]) << (n < 2);
    }
    void decodingAndMarker()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, decoded);
        const QString read =
            ExportReader::readSource(bytes.isNull() ? tmp.filePath("none") : writeBytes(bytes));
        QTEST(ExportReader::hasLanguageMarker(read), "marker");
        if (!decoded.isNull())
            QCOMPARE(read, decoded);
    }
};

QTEST_GUILESS_MAIN(TestExportReader)
#include "tst_exportreader.moc"
