#include <QtTest>

#include "device/framing.h"
#include "device_test_util.h"

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    void crc8_data();
    void crc8();
    void crcMatchesBitwiseReference();
    void frameChecksum_data();
    void frameChecksum();
    void buildFrame_data();
    void buildFrame();
    void outgoingDigitsUpperCase();
    void checkReply_data();
    void checkReply();
    void hexDigitValue_data();
    void hexDigitValue();
    void lineCollector_data();
    void lineCollector();
    void lineSplitOverDeliveries();
    void parseSerialVersionEcho_data();
    void parseSerialVersionEcho();
    void parseReadBack_data();
    void parseReadBack();
    void parseOutput_data();
    void parseOutput();
    void outputNumbersIgnoreLocale();
    void dataLineText_data();
    void dataLineText();
    void calculateText_data();
    void calculateText();
};

void TestFraming::crc8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0xA1;
    QTest::newRow("table entry 1") << QByteArray("\x01", 1) << 0x5E;
    QTest::newRow("table entry 128") << QByteArray("\x80", 1) << 0x8C;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("data line 5") << QByteArray("05,000004D2") << 0x86;
    QTest::newRow("calculate 3") << QByteArray("MC,03") << 0x33;
}

void TestFraming::crc8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(Framing::crc8(bytes)), crc);
}

void TestFraming::crcMatchesBitwiseReference()
{
    // Every single byte and a spread of longer texts.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        QCOMPARE(int(Framing::crc8(one)), int(RefCrc::crc8(one)));
    }
    QByteArray text;
    for (int i = 0; i < 300; ++i) {
        text.append(static_cast<char>((i * 73 + 11) & 0xFF));
        QCOMPARE(int(Framing::crc8(text)), int(RefCrc::crc8(text)));
    }
}

void TestFraming::frameChecksum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("crc");
    QTest::newRow("one character") << "$" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("two characters cover the second") << "$A" << 0 << int(RefCrc::crc8("A"));
    QTest::newRow("data line 5") << "$05,000004D2" << 0 << 0x86;
    QTest::newRow("calculate 3") << "$MC,03" << 0 << 0x33;
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

void TestFraming::buildFrame_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QString>("wire");
    QTest::newRow("data line 5") << "$05,000004D2" << false << "$05,000004D2,86*\r\n";
    QTest::newRow("calculate 3") << "$MC,03" << false << "$MC,03,33*\r\n";
    QTest::newRow("bare read back") << "$MIR*" << true << "$MIR*\r\n";
    QTest::newRow("bare identify") << "$?*" << true << "$?*\r\n";
    QTest::newRow("checksum below 16 zero-padded") << "$" << false << "$,00*\r\n";
}

void TestFraming::buildFrame()
{
    QFETCH(QString, text);
    QFETCH(bool, plain);
    QFETCH(QString, wire);
    QCOMPARE(Framing::buildFrame(text, plain), wire);
}

void TestFraming::outgoingDigitsUpperCase()
{
    int withLetters = 0;
    for (int i = 0; i < 70; ++i) {
        const QString body = QString::asprintf("$%02d,%08X", i, unsigned(i * 2654435761u));
        const QString frame = Framing::buildFrame(body, false);
        const QString expected = RefCrc::checked(body) + QStringLiteral("\r\n");
        QCOMPARE(frame, expected);
        if (expected.contains(QRegularExpression(QStringLiteral(",[0-9]?[A-F][0-9A-F]?\\*"))))
            ++withLetters;
    }
    QVERIFY(withLetters > 0);
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

    // A reply whose checksum has letters passes in both cases.
    for (int v = 0;; ++v) {
        const QString body = QString::asprintf("#12,%08X", unsigned(v));
        const QString d = RefCrc::digits(body);
        if (d.at(0).isLetter() && d.at(1).isLetter()) {
            QTest::newRow("upper-case digits") << QString(body % QLatin1Char(',') % d % QLatin1Char('*')) << true;
            QTest::newRow("lower-case digits")
                << QString(body % QLatin1Char(',') % d.toLower() % QLatin1Char('*')) << true;
            QTest::newRow("mixed-case digits")
                << QString(body % QLatin1Char(',') % d.at(0).toLower() % d.at(1) % QLatin1Char('*')) << true;
            break;
        }
    }
}

void TestFraming::checkReply()
{
    QFETCH(QString, line);
    QFETCH(bool, passes);
    QCOMPARE(Framing::checkReply(line), passes);
}

void TestFraming::hexDigitValue_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << QChar('0') << 0;
    QTest::newRow("9") << QChar('9') << 9;
    QTest::newRow("A") << QChar('A') << 10;
    QTest::newRow("F") << QChar('F') << 15;
    QTest::newRow("a") << QChar('a') << 10;
    QTest::newRow("f") << QChar('f') << 15;
    QTest::newRow("G") << QChar('G') << 0;
    QTest::newRow("g") << QChar('g') << 0;
    QTest::newRow("blank") << QChar(' ') << 0;
    QTest::newRow("star") << QChar('*') << 0;
}

void TestFraming::hexDigitValue()
{
    QFETCH(QChar, c);
    QFETCH(int, value);
    QCOMPARE(int(Framing::hexDigitValue(c)), value);
}

void TestFraming::lineCollector_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pending");
    QTest::newRow("CR LF") << QByteArray("@OK*\r\n") << QStringList{"@OK*"} << "";
    QTest::newRow("LF") << QByteArray("@OK*\n") << QStringList{"@OK*"} << "";
    QTest::newRow("LF CR") << QByteArray("@OK*\n\r") << QStringList{"@OK*"} << "";
    QTest::newRow("lone CR") << QByteArray("@OK*\r") << QStringList{} << "@OK*";
    QTest::newRow("CR inside") << QByteArray("@O\rK*\n") << QStringList{"@OK*"} << "";
    QTest::newRow("empty line") << QByteArray("\n") << QStringList{""} << "";
    QTest::newRow("CR LF alone") << QByteArray("\r\n") << QStringList{""} << "";
    QTest::newRow("surrounding spaces") << QByteArray("  @OK*  \r\n") << QStringList{"@OK*"} << "";
    QTest::newRow("inner runs") << QByteArray("a  b\t\tc\n") << QStringList{"a b c"} << "";
    QTest::newRow("several lines")
        << QByteArray("@OK*\r\n@OK*\n@DONE*\r\n@RE") << QStringList{"@OK*", "@OK*", "@DONE*"} << "@RE";
    QTest::newRow("two LF") << QByteArray("x\n\ny\n") << QStringList{"x", "", "y"} << "";
    QTest::newRow("nothing") << QByteArray() << QStringList{} << "";
}

void TestFraming::lineCollector()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(QString, pending);
    Framing::LineCollector collector;
    QCOMPARE(collector.feed(bytes), lines);
    QCOMPARE(collector.pending(), pending);
}

void TestFraming::lineSplitOverDeliveries()
{
    Framing::LineCollector collector;
    QVERIFY(collector.feed("#05,0000").isEmpty());
    QVERIFY(collector.feed("04D2,86*\r").isEmpty());
    QCOMPARE(collector.feed("\n@DO"), QStringList{"#05,000004D2,86*"});
    QCOMPARE(collector.feed("NE*\n"), QStringList{"@DONE*"});
    collector.feed("leftover");
    collector.clear();
    QCOMPARE(collector.feed("@OK*\n"), QStringList{"@OK*"});
}

void TestFraming::parseSerialVersionEcho_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<qint64>("value");
    QTest::newRow("serial") << "serial" << RefCrc::checked("@SN,20231117") << qint64(20231117);
    QTest::newRow("serial leading zeros") << "serial" << RefCrc::checked("@SN,00001234") << qint64(1234);
    QTest::newRow("serial not decimal") << "serial" << RefCrc::checked("@SN,12AB5678") << qint64(0);
    QTest::newRow("serial short") << "serial" << "@SN,42" << qint64(42);
    QTest::newRow("serial missing") << "serial" << "@SN," << qint64(0);
    QTest::newRow("version FF") << "version" << RefCrc::checked("@CV,FF") << qint64(255);
    QTest::newRow("version lower case") << "version" << RefCrc::checked("@CV,3a") << qint64(0x3A);
    QTest::newRow("version not hex") << "version" << RefCrc::checked("@CV,ZZ") << qint64(0);
    QTest::newRow("version one digit") << "version" << "@CV,7" << qint64(7);
    QTest::newRow("echo 0A") << "echo" << RefCrc::checked("@TR-0A") << qint64(10);
    QTest::newRow("echo 0a") << "echo" << RefCrc::checked("@TR-0a") << qint64(10);
    QTest::newRow("echo 14") << "echo" << RefCrc::checked("@TR-14") << qint64(20);
}

void TestFraming::parseSerialVersionEcho()
{
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QFETCH(qint64, value);
    if (kind == QLatin1String("serial"))
        QCOMPARE(qint64(Framing::parseSerial(line)), value);
    else if (kind == QLatin1String("version"))
        QCOMPARE(qint64(Framing::parseVersion(line)), value);
    else
        QCOMPARE(qint64(Framing::parseTypeEcho(line)), value);
}

void TestFraming::parseReadBack_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("index");
    QTest::addColumn<quint32>("value");
    QTest::newRow("worked example") << "#05,000004D2,86*" << 5 << quint32(1234);
    QTest::newRow("largest") << RefCrc::checked("#69,FFFFFFFF") << 69 << quint32(0xFFFFFFFF);
    QTest::newRow("lower-case value") << RefCrc::checked("#12,0000abcd") << 12 << quint32(0xABCD);
    QTest::newRow("index not decimal") << RefCrc::checked("#x5,00000010") << 0 << quint32(16);
    QTest::newRow("value not hex") << RefCrc::checked("#07,0000XYZ1") << 7 << quint32(0);
    QTest::newRow("short line") << "#3" << 3 << quint32(0);
}

void TestFraming::parseReadBack()
{
    QFETCH(QString, line);
    QFETCH(int, index);
    QFETCH(quint32, value);
    const Framing::ReadBackLine r = Framing::parseReadBack(line);
    QCOMPARE(r.index, index);
    QCOMPARE(r.value, value);
}

void TestFraming::parseOutput_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("wellFormed");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("norm");
    QTest::newRow("plain") << RefCrc::checked("#12,123.5,7D0") << true << 12 << 123.5 << 2000.0;
    QTest::newRow("whole result") << RefCrc::checked("#00,42,64") << true << 0 << 42.0 << 100.0;
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
    const Framing::OutputLine o = Framing::parseOutput(line);
    QCOMPARE(o.wellFormed, wellFormed);
    QCOMPARE(o.index, index);
    if (wellFormed) {
        QCOMPARE(o.result, result);
        QCOMPARE(o.norm, norm);
    }
}

void TestFraming::outputNumbersIgnoreLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const Framing::OutputLine o = Framing::parseOutput(RefCrc::checked("#01,1234.25,A"));
    QLocale::setDefault(before);
    QVERIFY(o.wellFormed);
    QCOMPARE(o.result, 1234.25);
    QCOMPARE(o.norm, 10.0);
}

void TestFraming::dataLineText_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("line 0, value 0") << 0 << quint32(0) << "$00,00000000";
    QTest::newRow("line 69, value 123456") << 69 << quint32(123456) << "$69,0001E240";
    QTest::newRow("line 5, value 1234") << 5 << quint32(1234) << "$05,000004D2";
    QTest::newRow("letters upper-cased") << 10 << quint32(0xabcdef) << "$10,00ABCDEF";
    QTest::newRow("largest") << 42 << quint32(0xFFFFFFFF) << "$42,FFFFFFFF";
}

void TestFraming::dataLineText()
{
    QFETCH(int, index);
    QFETCH(quint32, value);
    QFETCH(QString, text);
    QCOMPARE(Framing::dataLineText(index, value), text);
    QCOMPARE(Framing::buildFrame(Framing::dataLineText(index, value), false),
             QString(RefCrc::checked(text) % QLatin1String("\r\n")));
}

void TestFraming::calculateText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("3") << 3 << "$MC,03";
    QTest::newRow("10 lower case") << 10 << "$MC,0a";
    QTest::newRow("20") << 20 << "$MC,14";
    QTest::newRow("0") << 0 << "$MC,00";
    QTest::newRow("255") << 255 << "$MC,ff";
}

void TestFraming::calculateText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(Framing::calculateText(static_cast<unsigned char>(code)), text);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
