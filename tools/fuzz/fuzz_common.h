#pragma once
// What every fuzz target shares: one application object, quiet Qt warnings, a failed
// invariant that libFuzzer records as a crash, and reference readings of the wire form
// written bit by bit, apart from the table-driven code they check.
#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace Fuzz {

inline void ensureApp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        // Writes to an unconnected socket and the like are expected here; keep the log readable.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
            if (type == QtFatalMsg) {
                std::fprintf(stderr, "%s\n", qPrintable(msg));
                std::abort();
            }
        });
        auto* created = new QCoreApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C"); // the reference readings use the C library
        return created;
    }();
    (void)app;
}

// Control characters and non-ASCII shown as \u escapes, so that the detail stays one line.
inline QByteArray printable(const QString& s)
{
    QByteArray out;
    for (QChar c : s.left(2000)) {
        const ushort u = c.unicode();
        if (u >= 0x20 && u < 0x7F && u != '\\')
            out.append(char(u));
        else
            out.append(QByteArray("\\u") + QByteArray::number(u, 16).rightJustified(4, '0'));
    }
    return out;
}

[[noreturn]] inline void fail(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, printable(detail).constData());
    std::abort();
}

inline void require(bool condition, const char* what, const QString& detail = QString())
{
    if (!condition)
        fail(what, detail);
}

// CRC-8/MAXIM computed bit by bit.
inline unsigned char crc8(const QByteArray& bytes)
{
    unsigned char crc = 0;
    for (char ch : bytes)
        for (unsigned b = static_cast<unsigned char>(ch), i = 0; i < 8; ++i, b >>= 1)
            crc = ((crc ^ b) & 1) ? (crc >> 1) ^ 0x8C : crc >> 1;
    return crc;
}

inline int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The low byte of each character, as the link reads its ASCII protocol.
inline QByteArray lowBytes(const QString& s)
{
    QByteArray b;
    for (QChar c : s)
        b.append(static_cast<char>(c.unicode() & 0xFF));
    return b;
}

// "body,CC*" with the checksum over the body minus its lead character.
inline QByteArray checked(const QByteArray& body)
{
    char tail[8];
    std::snprintf(tail, sizeof tail, ",%02X*", crc8(body.mid(1)));
    return body + tail;
}

// A reply that ends in its checksum tail: a comma, two hexadecimal digits and the only "*"
// after the lead character, the digits matching the body without its lead character.
inline bool carriesChecksum(const QString& line)
{
    const int n = line.size();
    if (n < 5 || line.at(n - 1) != QLatin1Char('*') || line.at(n - 4) != QLatin1Char(','))
        return false;
    if (line.indexOf(QLatin1Char('*'), 1) != n - 1)
        return false;
    const int high = hexValue(line.at(n - 3));
    const int low = hexValue(line.at(n - 2));
    if (high < 0 || low < 0)
        return false;
    return crc8(lowBytes(line.mid(1, n - 5))) == high * 16 + low;
}

} // namespace Fuzz
