#include <QtTest>

#include "device/framing.h"
#include "device_test_util.h"

namespace {
QString check(const char* line)
{
    return QLatin1String(Framing::checkReply(QLatin1String(line)) ? "pass" : "fail");
}
QString crc(const char* text, int offset)
{
    return QString::number(Framing::frameChecksum(QLatin1String(text), offset), 16);
}
QString frame(const QString& text)
{
    return Framing::buildFrame(text, false);
}
QString readBack(const QString& line)
{
    const Framing::ReadBackLine r = Framing::parseReadBack(line);
    return QString::asprintf("%d %u", r.index, r.value);
}
QString output(const QString& line)
{
    const Framing::OutputLine o = Framing::parseOutput(line);
    return o.wellFormed ? QString::asprintf("%d %.10g %.10g", o.index, o.result, o.norm)
                        : QString::asprintf("%d malformed", o.index);
}
// The lines the deliveries complete, then what is left pending, all joined by "|"; a null
// delivery stands for clear().
QString collect(const QList<QByteArray>& deliveries)
{
    Framing::LineCollector collector;
    QStringList got;
    for (const QByteArray& d : deliveries)
        d.isNull() ? collector.clear() : void(got += collector.feed(d));
    return (got << collector.pending()).join(QLatin1Char('|'));
}
} // namespace

class TestFraming : public QObject
{
    Q_OBJECT
  private slots:
    // A locale with a decimal comma must not change how the device's numbers read.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void crcMatchesBitwiseReference()
    {
        QCOMPARE(int(Framing::crc8("123456789")), 0xA1); // the published check value
        QCOMPARE(int(Framing::crc8(QByteArray())), 0);
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, static_cast<char>(b));
            QCOMPARE(int(Framing::crc8(one)), int(RefCrc::crc8(one)));
        }
    }

    // What the program sends, the reply check, what each payload reader makes of a line, and
    // how bytes become lines.
    void wire_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& got, const QString& expected) {
            QTest::newRow(name) << got << expected;
        };
        row("data line", frame(Framing::dataLineText(5, 1234)), "$05,000004D2,86*\r\n");
        row("data line letters upper case", frame(Framing::dataLineText(10, 0xabcdef)),
            "$10,00ABCDEF,5D*\r\n");
        row("checksum zero-padded", frame(QStringLiteral("$")), "$,00*\r\n");
        row("plain frame", Framing::buildFrame(QStringLiteral("$MIR*"), true), "$MIR*\r\n");
        row("calculate", frame(Framing::calculateText(3)), "$MC,03,33*\r\n");
        row("calculate type lower case", Framing::calculateText(10), "$MC,0a");
        row("offset leaves one character", crc("#,86*", 4), "0");
        row("offset longer than text", crc("@OK", 4), "0");
        row("worked example", check("#05,000004D2,86*"), "pass");
        row("wrong digits", check("#05,000004D2,87*"), "fail");
        row("no star", check("#05,000004D2,86"), "fail");
        row("star inside body", check("#05,0000*4D2,86*"), "fail");
        row("text after star", check("#05,000004D2,86* "), "fail");
        row("empty", check(""), "fail");
        row("acknowledgement carries no checksum", check("@OK*"), "fail");
        row("tail without comma", check("#05,000004D2;86*"), "fail");
        row("digits not hexadecimal", check("#,ZZ*"), "fail");
        row("upper-case digits", check("#12,00000001,FA*"), "pass");
        row("lower-case digits", check("#12,00000001,fa*"), "pass");
        row("serial", QString::number(Framing::parseSerial(RefCrc::checked("@SN,20231117"))),
            "20231117");
        row("serial not decimal",
            QString::number(Framing::parseSerial(RefCrc::checked("@SN,12AB5678"))), "0");
        row("serial short", QString::number(Framing::parseSerial("@SN,42")), "42");
        row("version lower case", QString::number(Framing::parseVersion(RefCrc::checked("@CV,fa"))),
            "250");
        row("version not hex", QString::number(Framing::parseVersion(RefCrc::checked("@CV,ZZ"))),
            "0");
        row("echo upper case", QString::number(Framing::parseTypeEcho(RefCrc::checked("@TR-0A"))),
            "10");
        row("read back", readBack("#05,000004D2,86*"), "5 1234");
        row("read back largest", readBack(RefCrc::checked("#69,FFFFFFFF")), "69 4294967295");
        row("read back index not decimal", readBack(RefCrc::checked("#x5,00000010")), "0 16");
        row("read back value not hex", readBack(RefCrc::checked("#07,0000XYZ1")), "7 0");
        row("read back short", readBack("#3"), "3 0");
        row("output decimal point", output(RefCrc::checked("#12,1234.25,7D0")), "12 1234.25 2000");
        row("output large", output(RefCrc::checked("#03,10000000,FFFFFFFF")),
            "3 10000000 4294967295");
        row("output A not a number", output(RefCrc::checked("#04,abc,10")), "4 0 16");
        row("output A nan", output(RefCrc::checked("#05,nan,10")), "5 0 16");
        row("output A inf", output(RefCrc::checked("#05,-inf,10")), "5 0 16");
        row("output B missing", output(RefCrc::checked("#10,5")), "10 malformed");
        row("output without commas", output("#10"), "10 malformed");
        // Line collection: LF ends a line, CR is ignored, lines are simplified.
        row("lone CR", collect({"@OK*\r"}), "@OK*");
        row("CR inside", collect({"@O\rK*\n\r"}), "@OK*|");
        row("spaces simplified", collect({"  a  b\t\tc \r\n"}), "a b c|");
        row("several lines", collect({"@OK*\r\n@OK*\n\n@DONE*\r\n@RE"}), "@OK*|@OK*||@DONE*|@RE");
        row("split over deliveries", collect({"#05,0000", "04D2,86*\r", "\n@DO", "NE*\n"}),
            "#05,000004D2,86*|@DONE*|");
        // A line past 4096 characters is handed on once as a bad line; the rest of it is dropped.
        row("over-long line",
            collect({QByteArray(3000, 'x'), QByteArray(3000, 'y') + "\r\n@OK*\n"}),
            "<line over 4096 characters>|@OK*|");
        row("no line end", collect({QByteArray(10000, 'x')}), "<line over 4096 characters>|");
        row("clear drops the pending line",
            collect({"@O", QByteArray(), "K*\n", QByteArray(5000, 'x'), QByteArray(), "@OK*\n"}),
            "K*|<line over 4096 characters>|@OK*|");
    }
    void wire()
    {
        QFETCH(QString, got);
        QTEST(got, "expected");
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
