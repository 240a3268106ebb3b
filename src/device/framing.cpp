#include "framing.h"

#include <array>
#include <cmath>

namespace Framing {

namespace {
bool isHexDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

std::array<unsigned char, 256> makeTable()
{
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) {
        unsigned char crc = static_cast<unsigned char>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<unsigned char>((crc >> 1) ^ 0x8C)
                            : static_cast<unsigned char>(crc >> 1);
        table[i] = crc;
    }
    return table;
}

const std::array<unsigned char, 256>& table()
{
    static const std::array<unsigned char, 256> t = makeTable();
    return t;
}

// The protocol is ASCII; other characters are taken by their low byte.
QByteArray eightBit(const QString& text)
{
    QByteArray bytes;
    bytes.resize(text.size());
    for (int i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(text.at(i).unicode() & 0xFF);
    return bytes;
}
} // namespace

unsigned char crc8(const QByteArray& bytes)
{
    unsigned char crc = 0;
    for (char b : bytes)
        crc = table()[crc ^ static_cast<unsigned char>(b)];
    return crc;
}

unsigned char frameChecksum(const QString& text, int offset)
{
    const int n = text.size() - offset;
    if (n <= 1)
        return 0;
    return crc8(eightBit(text.mid(1, n - 1)));
}

QString checksumDigits(unsigned char crc)
{
    return QStringLiteral("%1").arg(crc, 2, 16, QLatin1Char('0')).toUpper();
}

QString buildFrame(const QString& text, bool plain)
{
    if (plain)
        return text + QStringLiteral("\r\n");
    return text + QLatin1Char(',') + checksumDigits(frameChecksum(text, 0)) +
           QStringLiteral("*\r\n");
}

unsigned char hexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return static_cast<unsigned char>(u - '0');
    if (u >= 'A' && u <= 'F')
        return static_cast<unsigned char>(u - 'A' + 10);
    if (u >= 'a' && u <= 'f')
        return static_cast<unsigned char>(u - 'a' + 10);
    return 0;
}

bool checkReply(const QString& line)
{
    // Only a line that ends in its checksum tail (a comma, two hexadecimal digits and the
    // only "*" after the lead character) carries a checksum: "@OK*" would otherwise pass
    // with digits read as 0 over an empty body.
    const int n = line.size();
    if (n < 5 || line.indexOf(QLatin1Char('*'), 1) != n - 1 || line.at(n - 4) != QLatin1Char(',') ||
        !isHexDigit(line.at(n - 3)) || !isHexDigit(line.at(n - 2)))
        return false;
    const unsigned char received = static_cast<unsigned char>(hexDigitValue(line.at(n - 3)) * 16 +
                                                              hexDigitValue(line.at(n - 2)));
    return received == frameChecksum(line, 4);
}

QString simplified(const QString& line)
{
    return line.simplified();
}

QString LineCollector::overlongLine()
{
    return QStringLiteral("<line over %1 characters>").arg(MaxLineLength);
}

QStringList LineCollector::feed(const QByteArray& bytes)
{
    QStringList lines;
    for (char b : bytes) {
        if (b == '\r')
            continue;
        if (b == '\n') {
            if (!m_dropping)
                lines.append(m_buffer.simplified());
            m_buffer.clear();
            m_dropping = false;
            continue;
        }
        if (m_dropping)
            continue;
        if (m_buffer.size() == MaxLineLength) {
            lines.append(overlongLine());
            m_buffer.clear();
            m_dropping = true;
            continue;
        }
        // Non-ASCII bytes have no meaning on the link; keep them visible as Latin-1.
        m_buffer.append(QChar(static_cast<unsigned char>(b)));
    }
    return lines;
}

namespace {
qint64 decimalField(const QString& line, int pos, int len)
{
    bool ok = false;
    const qint64 v = line.mid(pos, len).toLongLong(&ok, 10);
    return ok ? v : 0;
}
quint64 hexField(const QString& line, int pos, int len)
{
    bool ok = false;
    const quint64 v = line.mid(pos, len).toULongLong(&ok, 16);
    return ok ? v : 0;
}
} // namespace

unsigned char parseVersion(const QString& line)
{
    return static_cast<unsigned char>(hexField(line, 4, 2));
}

qint32 parseSerial(const QString& line)
{
    return static_cast<qint32>(decimalField(line, 4, 8));
}

ReadBackLine parseReadBack(const QString& line)
{
    ReadBackLine r;
    r.index = static_cast<int>(decimalField(line, 1, 2));
    r.value = static_cast<quint32>(hexField(line, 4, 8));
    return r;
}

int parseTypeEcho(const QString& line)
{
    return static_cast<int>(hexField(line, 4, 2));
}

OutputLine parseOutput(const QString& line)
{
    OutputLine r;
    r.index = static_cast<int>(decimalField(line, 1, 2));
    const int commaA = line.indexOf(QLatin1Char(','), 4);
    if (commaA < 0)
        return r;
    const int commaB = line.indexOf(QLatin1Char(','), commaA + 1);
    if (commaB < 0)
        return r;
    bool ok = false;
    const double a = line.mid(4, commaA - 4).toDouble(&ok); // QString::toDouble is C-locale
    // "nan" and "inf" parse, but no marker result is infinite or undefined.
    r.result = ok && std::isfinite(a) ? a : 0;
    const quint64 b = line.mid(commaA + 1, commaB - commaA - 1).toULongLong(&ok, 16);
    r.norm = ok ? double(b) : 0;
    r.wellFormed = true;
    return r;
}

QString dataLineText(int index, quint32 value)
{
    return QStringLiteral("$%1,%2")
        .arg(index, 2, 10, QLatin1Char('0'))
        .arg(value, 8, 16, QLatin1Char('0'))
        .toUpper();
}

QString calculateText(unsigned char typeCode)
{
    return QStringLiteral("$MC,%1").arg(typeCode, 2, 16, QLatin1Char('0'));
}

} // namespace Framing
