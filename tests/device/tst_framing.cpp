#include <QtTest>

#include "device/framing.h"
#include "device_test_util.h"

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    void crcMatchesBitwiseReference();
    void outgoingText_data();
    void outgoingText();
    void lineCollector_data();
    void lineCollector();
    void parseField_data();
    void parseField();
};

void TestFraming::crcMatchesBitwiseReference()
{
    QCOMPARE(int(Framing::crc8("123456789")), 0xA1);   // the published check value
    QCOMPARE(int(Framing::crc8(QByteArray())), 0);
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        QCOMPARE(int(Framing::crc8(one)), int(RefCrc::crc8(one)));
    }
}

// Texts and frames the program sends, and the checksum over a reply.
void TestFraming::outgoingText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    auto frame = [](const QString& text) { return Framing::buildFrame(text, false); };
    QTest::newRow("data line") << frame(Framing::dataLineText(5, 1234)) << "$05,000004D2,86*\r\n";
    QTest::newRow("letters upper case") << frame(Framing::dataLineText(10, 0xabcdef)) << "$10,00ABCDEF,5D*\r\n";
    QTest::newRow("checksum zero-padded") << frame(QStringLiteral("$")) << "$,00*\r\n";
    QTest::newRow("plain") << Framing::buildFrame(QStringLiteral("$MIR*"), true) << "$MIR*\r\n";
    QTest::newRow("calculate") << frame(Framing::calculateText(3)) << "$MC,03,33*\r\n";
    QTest::newRow("calculate type lower case") << Framing::calculateText(10) << "$MC,0a";
    auto crc = [](const char* text, int offset) {
        return QString::number(Framing::frameChecksum(QLatin1String(text), offset), 16);
    };
    QTest::newRow("reply checksum, tail excluded") << crc("#05,000004D2,86*", 4) << "86";
    QTest::newRow("offset leaves one character") << crc("#,86*", 4) << "0";
    QTest::newRow("offset longer than text") << crc("@OK", 4) << "0";
}

void TestFraming::outgoingText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestFraming::lineCollector_data()
{
    QTest::addColumn<QList<QByteArray>>("deliveries");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pending");
    auto row = [](const char* name, QList<QByteArray> d, QStringList lines, const char* pending) {
        QTest::newRow(name) << d << lines << QString::fromLatin1(pending);
    };
    row("lone CR", {"@OK*\r"}, {}, "@OK*");
    row("CR inside", {"@O\rK*\n\r"}, {"@OK*"}, "");
    row("spaces simplified", {"  a  b\t\tc \r\n"}, {"a b c"}, "");
    row("several lines", {"@OK*\r\n@OK*\n\n@DONE*\r\n@RE"}, {"@OK*", "@OK*", "", "@DONE*"}, "@RE");
    row("split over deliveries", {"#05,0000", "04D2,86*\r", "\n@DO", "NE*\n"}, {"#05,000004D2,86*", "@DONE*"}, "");
}

void TestFraming::lineCollector()
{
    QFETCH(QList<QByteArray>, deliveries);
    QFETCH(QStringList, lines);
    QFETCH(QString, pending);
    Framing::LineCollector collector;
    QStringList got;
    for (const QByteArray& d : deliveries)
        got += collector.feed(d);
    QCOMPARE(got, lines);
    QCOMPARE(collector.pending(), pending);
    collector.clear();
    QCOMPARE(collector.feed("@OK*\n"), QStringList{"@OK*"});
}

// The reply check and each parser's result as text ("index value" for numbered lines).
void TestFraming::parseField_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* kind, const QString& line, const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(kind) << line << QString::fromLatin1(expected);
    };
    row("worked example", "check", "#05,000004D2,86*", "pass");
    row("other lead character", "check", "@05,000004D2,86*", "pass");
    row("wrong digits", "check", "#05,000004D2,87*", "fail");
    row("no star", "check", "#05,000004D2,86", "fail");
    row("star inside body", "check", "#05,0000*4D2,86*", "fail");
    row("text after star", "check", "#05,000004D2,86* ", "fail");
    row("empty", "check", "", "fail");
    row("star too early for digits", "check", "@*", "fail");
    row("upper-case digits", "check", "#12,00000001,FA*", "pass");
    row("lower-case digits", "check", "#12,00000001,fa*", "pass");
    row("serial", "serial", RefCrc::checked("@SN,20231117"), "20231117");
    row("serial not decimal", "serial", RefCrc::checked("@SN,12AB5678"), "0");
    row("serial short", "serial", "@SN,42", "42");
    row("version lower case", "version", RefCrc::checked("@CV,fa"), "250");
    row("version not hex", "version", RefCrc::checked("@CV,ZZ"), "0");
    row("echo upper case", "echo", RefCrc::checked("@TR-0A"), "10");
    row("read back", "readback", "#05,000004D2,86*", "5 1234");
    row("read back largest", "readback", RefCrc::checked("#69,FFFFFFFF"), "69 4294967295");
    row("read back index not decimal", "readback", RefCrc::checked("#x5,00000010"), "0 16");
    row("read back value not hex", "readback", RefCrc::checked("#07,0000XYZ1"), "7 0");
    row("read back short", "readback", "#3", "3 0");
    row("output decimal point", "output", RefCrc::checked("#12,1234.25,7D0"), "12 1234.25 2000");
    row("output large", "output", RefCrc::checked("#03,10000000,FFFFFFFF"), "3 10000000 4294967295");
    row("output A not a number", "output", RefCrc::checked("#04,abc,10"), "4 0 16");
    row("output B missing", "output", RefCrc::checked("#10,5"), "10 malformed");
    row("output without commas", "output", "#10", "10 malformed");
}

void TestFraming::parseField()
{
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QFETCH(QString, expected);
    // A locale with a decimal comma must not change how the device's numbers read.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QString got;
    if (kind == QLatin1String("check")) {
        got = QLatin1String(Framing::checkReply(line) ? "pass" : "fail");
    } else if (kind == QLatin1String("serial")) {
        got = QString::number(Framing::parseSerial(line));
    } else if (kind == QLatin1String("version")) {
        got = QString::number(Framing::parseVersion(line));
    } else if (kind == QLatin1String("echo")) {
        got = QString::number(Framing::parseTypeEcho(line));
    } else if (kind == QLatin1String("readback")) {
        const Framing::ReadBackLine r = Framing::parseReadBack(line);
        got = QString::asprintf("%d %u", r.index, r.value);
    } else {
        const Framing::OutputLine o = Framing::parseOutput(line);
        got = o.wellFormed ? QString::asprintf("%d %.10g %.10g", o.index, o.result, o.norm)
                           : QString::asprintf("%d malformed", o.index);
    }
    QLocale::setDefault(before);
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
