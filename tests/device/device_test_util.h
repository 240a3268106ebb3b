#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QTimer>

#include <functional>

// Reference values for the device tests, computed bit by bit and independently of
// the table-driven code they check.
namespace RefCrc {

inline unsigned char crc8(const QByteArray& bytes)
{
    unsigned char crc = 0;
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        for (int i = 0; i < 8; ++i) {
            const bool mix = (crc ^ b) & 1;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            b >>= 1;
        }
    }
    return crc;
}

// Checksum of a frame body, lead character excluded, as two upper-case digits.
inline QString digits(const QString& body)
{
    return QString::asprintf("%02X", crc8(body.mid(1).toLatin1()));
}

// "body,CC*"
inline QString checked(const QString& body)
{
    return body + QLatin1Char(',') + digits(body) + QLatin1Char('*');
}

}  // namespace RefCrc

// Runs the event loop until the condition holds; false when time runs out first.
// Unlike a poll with sleeps, every socket notification is handled as soon as it comes.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
