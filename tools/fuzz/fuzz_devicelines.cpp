// Device replies as bytes: collected into lines in arbitrary splits, each line through the
// reply check and every payload reader, each held to an independent reading of the line.
#include "device/framing.h"
#include "fuzz_common.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstdlib>

using Fuzz::hexValue;
using Fuzz::require;

namespace {

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// The field when every one of its characters satisfies `pred`, else empty.
QString strictField(const QString& line, int pos, int len, bool (*pred)(QChar))
{
    if (line.size() < pos + len)
        return QString();
    const QString field = line.mid(pos, len);
    for (QChar c : field)
        if (!pred(c))
            return QString();
    return field;
}

bool isHex(QChar c)
{
    return hexValue(c) >= 0;
}

quint64 hexNumber(const QString& digits)
{
    quint64 v = 0;
    for (QChar c : digits)
        v = v * 16 + quint64(hexValue(c));
    return v;
}

qint64 decimalNumber(const QString& digits)
{
    qint64 v = 0;
    for (QChar c : digits)
        v = v * 10 + (c.unicode() - '0');
    return v;
}

void checkCollected(const QString& line)
{
    if (line == Framing::LineCollector::overlongLine())
        return;
    require(line.size() <= Framing::LineCollector::MaxLineLength, "collected line too long", line);
    require(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')),
            "line end inside a line", line);
    if (line.isEmpty())
        return;
    require(!line.front().isSpace() && !line.back().isSpace(), "white space at a line's ends",
            line);
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        require(c.unicode() < 256, "character beyond one byte", line);
        if (c.isSpace())
            require(c == QLatin1Char(' ') && line.at(i + 1) != QLatin1Char(' '),
                    "white space not collapsed", line);
    }
}

void checkPayloads(const QString& line)
{
    require(Framing::checkReply(line) == Fuzz::carriesChecksum(line), "reply check disagrees",
            line);

    const Framing::ReadBackLine back = Framing::parseReadBack(line);
    const Framing::OutputLine out = Framing::parseOutput(line);
    require(back.index >= -9 && back.index <= 99, "index outside two characters", line);
    const QString index = strictField(line, 1, 2, isDigit);
    if (!index.isEmpty())
        require(back.index == decimalNumber(index), "line index misread", line);
    const QString value = strictField(line, 4, 8, isHex);
    if (!value.isEmpty())
        require(back.value == hexNumber(value), "read-back value misread", line);

    require(std::isfinite(out.result) && std::isfinite(out.norm) && out.norm >= 0,
            "output not finite", line);
    const int commaA = line.indexOf(QLatin1Char(','), 4);
    const int commaB = commaA < 0 ? -1 : line.indexOf(QLatin1Char(','), commaA + 1);
    require(out.wellFormed == (commaB > 0), "output layout misjudged", line);
    if (out.wellFormed) {
        const QString a = line.mid(4, commaA - 4);
        const QString b = line.mid(commaA + 1, commaB - commaA - 1);
        // Plain decimals and hexadecimal integers read exactly as the C library reads them.
        static const QRegularExpression plainDecimal(
            QStringLiteral("^-?[0-9]{1,15}(\\.[0-9]{1,6})?$"));
        if (plainDecimal.match(a).hasMatch())
            require(out.result == std::strtod(a.toLatin1().constData(), nullptr), "result misread",
                    line);
        if (!b.isEmpty() && b.size() <= 16 && strictField(b, 0, b.size(), isHex) == b)
            require(out.norm == double(hexNumber(b)), "reference misread", line);
    } else {
        require(out.result == 0 && out.norm == 0, "malformed output line gave values", line);
    }

    const QString twoHex = strictField(line, 4, 2, isHex);
    const int echo = Framing::parseTypeEcho(line);
    require(echo >= 0 && echo <= 255, "type code beyond one byte", line);
    if (!twoHex.isEmpty())
        require(echo == int(hexNumber(twoHex)) && Framing::parseVersion(line) == hexNumber(twoHex),
                "type code or version misread", line);
    const QString serial = strictField(line, 4, 8, isDigit);
    if (!serial.isEmpty())
        require(Framing::parseSerial(line) == decimalNumber(serial), "serial number misread", line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApp();
    // Chunks from the front of the input, their lengths from its back.
    FuzzedDataProvider provider(data, size);
    Framing::LineCollector split;
    QStringList lines;
    QByteArray whole;
    while (provider.remaining_bytes() > 0) {
        const size_t n = provider.ConsumeIntegralInRange<size_t>(0, 300);
        const std::vector<char> chunk = provider.ConsumeBytes<char>(n);
        const QByteArray bytes(chunk.data(), int(chunk.size()));
        whole += bytes;
        lines += split.feed(bytes);
    }
    Framing::LineCollector once;
    const QStringList unsplit = once.feed(whole);
    require(lines == unsplit && split.pending() == once.pending(),
            "lines depend on how the bytes were split");
    require(split.pending().size() <= Framing::LineCollector::MaxLineLength,
            "pending line unbounded");

    for (const QString& line : qAsConst(lines)) {
        checkCollected(line);
        checkPayloads(line);
    }
    return 0;
}
