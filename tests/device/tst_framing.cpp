#include <QtTest>

#include "device/framing.h"
#include "device_test_util.h"

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    void crcMatchesBitwiseReference();
    void frameChecksum_data();
    void frameChecksum();
    void outgoingText_data();
    void outgoingText();
    void checkReply_data();
    void checkReply();
    void lineCollector_data();
    void lineCollector();
    void parseField_data();
    void parseField();
    void parseOutput_data();
    void parseOutput();
};

void TestFraming::crcMatchesBitwiseReference()
{
    QCOMPARE(int(Framing::crc8("123456789")), 0xA1);   // the published check value
    QCOMPARE(int(Framing::crc8(QByteArray())), 0);
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        QCOMPARE(int(Framing::crc8(one)), int(RefCrc::crc8(one)));
    }
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text.append(static_cast<char>((i * 73 + 11) & 0xFF));
    QCOMPARE(int(Framing::crc8(text)), int(RefCrc::crc8(text)));
}

void TestFraming::frameChecksum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("crc");
    QTest::newRow("one character") << "$" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("lead character excluded") << "$05,000004D2" << 0 << 0x86;
    QTest::newRow("reply, tail excluded") << "#05,000004D2,86*" << 4 << 0x86;
    QTest::newRow("offset leaves one character") << "#,86*" << 4 << 0;
    QTest::newRow("offset longer than text") << "@OK" << 4 << 0;
}

void TestFraming::frameChecksum()
{
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(int, crc);
    QCOMPARE(int(Framing::frameChecksum(text, offset)), crc);
}

// Texts and frames the program sends.
void TestFraming::outgoingText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("data line") << Framing::buildFrame(Framing::dataLineText(5, 1234), false)
                               << "$05,000004D2,86*\r\n";
    QTest::newRow("data line 69") << Framing::dataLineText(69, 123456) << "$69,0001E240";
    QTest::newRow("value letters upper case") << Framing::buildFrame(Framing::dataLineText(10, 0xabcdef), false)
                                              << "$10,00ABCDEF,5D*\r\n";
    QTest::newRow("checksum letters upper case") << Framing::buildFrame(QStringLiteral("$00,00000000"), false)
                                                 << "$00,00000000,F4*\r\n";
    QTest::newRow("checksum zero-padded") << Framing::buildFrame(QStringLiteral("$"), false) << "$,00*\r\n";
    QTest::newRow("plain") << Framing::buildFrame(QStringLiteral("$MIR*"), true) << "$MIR*\r\n";
    QTest::newRow("calculate") << Framing::buildFrame(Framing::calculateText(3), false) << "$MC,03,33*\r\n";
    QTest::newRow("calculate type lower case") << Framing::calculateText(10) << "$MC,0a";
    QTest::newRow("calculate 255") << Framing::calculateText(255) << "$MC,ff";
}

void TestFraming::outgoingText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestFraming::checkReply_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("passes");
    QTest::newRow("worked example") << "#05,000004D2,86*" << true;
    QTest::newRow("other lead character") << "@05,000004D2,86*" << true;
    QTest::newRow("wrong digits") << "#05,000004D2,87*" << false;
    QTest::newRow("changed body") << "#05,000004D3,86*" << false;
    QTest::newRow("no star") << "#05,000004D2,86" << false;
    QTest::newRow("star inside body") << "#05,0000*4D2,86*" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("star only") << "*" << false;
    QTest::newRow("text after star") << "#05,000004D2,86* " << false;
    QTest::newRow("upper-case digits") << "#12,00000001,FA*" << true;
    QTest::newRow("lower-case digits") << "#12,00000001,fa*" << true;
    QTest::newRow("mixed-case digits") << "#12,00000001,fA*" << true;
}

void TestFraming::checkReply()
{
    QFETCH(QString, line);
    QFETCH(bool, passes);
    QCOMPARE(Framing::checkReply(line), passes);
}

void TestFraming::lineCollector_data()
{
    QTest::addColumn<QList<QByteArray>>("deliveries");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pending");
    auto row = [](const char* name, QList<QByteArray> d, QStringList lines, const char* pending) {
        QTest::newRow(name) << d << lines << QString::fromLatin1(pending);
    };
    row("CR LF", {"@OK*\r\n"}, {"@OK*"}, "");
    row("LF", {"@OK*\n"}, {"@OK*"}, "");
    row("LF CR", {"@OK*\n\r"}, {"@OK*"}, "");
    row("lone CR", {"@OK*\r"}, {}, "@OK*");
    row("CR inside", {"@O\rK*\n"}, {"@OK*"}, "");
    row("empty line", {"\r\n"}, {""}, "");
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

void TestFraming::parseField_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("index");   // read back only
    auto row = [](const char* name, const char* kind, const QString& line, qint64 value, int index = 0) {
        QTest::newRow(name) << QString::fromLatin1(kind) << line << value << index;
    };
    row("serial", "serial", RefCrc::checked("@SN,20231117"), 20231117);
    row("serial leading zeros", "serial", RefCrc::checked("@SN,00001234"), 1234);
    row("serial not decimal", "serial", RefCrc::checked("@SN,12AB5678"), 0);
    row("serial short", "serial", "@SN,42", 42);
    row("version FF", "version", RefCrc::checked("@CV,FF"), 255);
    row("version lower case", "version", RefCrc::checked("@CV,fa"), 0xFA);
    row("version not hex", "version", RefCrc::checked("@CV,ZZ"), 0);
    row("echo upper case", "echo", RefCrc::checked("@TR-0A"), 10);
    row("echo lower case", "echo", RefCrc::checked("@TR-1a"), 26);
    row("read back", "readback", "#05,000004D2,86*", 1234, 5);
    row("read back largest", "readback", RefCrc::checked("#69,FFFFFFFF"), 0xFFFFFFFF, 69);
    row("read back lower case", "readback", RefCrc::checked("#12,0000abcd"), 0xABCD, 12);
    row("read back index not decimal", "readback", RefCrc::checked("#x5,00000010"), 16, 0);
    row("read back value not hex", "readback", RefCrc::checked("#07,0000XYZ1"), 0, 7);
    row("read back short", "readback", "#3", 0, 3);
}

void TestFraming::parseField()
{
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QFETCH(qint64, value);
    QFETCH(int, index);
    if (kind == QLatin1String("serial")) {
        QCOMPARE(qint64(Framing::parseSerial(line)), value);
    } else if (kind == QLatin1String("version")) {
        QCOMPARE(qint64(Framing::parseVersion(line)), value);
    } else if (kind == QLatin1String("echo")) {
        QCOMPARE(qint64(Framing::parseTypeEcho(line)), value);
    } else {
        const Framing::ReadBackLine r = Framing::parseReadBack(line);
        QCOMPARE(r.index, index);
        QCOMPARE(qint64(r.value), value);
    }
}

void TestFraming::parseOutput_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("wellFormed");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("norm");
    QTest::newRow("decimal point") << RefCrc::checked("#12,1234.25,7D0") << true << 12 << 1234.25 << 2000.0;
    QTest::newRow("minus one") << RefCrc::checked("#56,-1,3E8") << true << 56 << -1.0 << 1000.0;
    QTest::newRow("large") << RefCrc::checked("#03,10000000,FFFFFFFF") << true << 3 << 1e7 << 4294967295.0;
    QTest::newRow("A not a number") << RefCrc::checked("#04,abc,10") << true << 4 << 0.0 << 16.0;
    QTest::newRow("B missing") << RefCrc::checked("#10,5") << false << 10 << 0.0 << 0.0;
    QTest::newRow("no commas") << "#10" << false << 10 << 0.0 << 0.0;
}

void TestFraming::parseOutput()
{
    QFETCH(QString, line);
    QFETCH(bool, wellFormed);
    QFETCH(int, index);
    QFETCH(double, result);
    QFETCH(double, norm);
    // A locale with a decimal comma must not change how the device's numbers read.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const Framing::OutputLine o = Framing::parseOutput(line);
    QLocale::setDefault(before);
    QCOMPARE(o.wellFormed, wellFormed);
    QCOMPARE(o.index, index);
    if (wellFormed) {
        QCOMPARE(o.result, result);
        QCOMPARE(o.norm, norm);
    }
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
