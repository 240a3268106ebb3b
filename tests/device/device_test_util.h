#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "device/devicelink.h"

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

// "body,CC*", the checksum over the body minus its lead character.
inline QString checked(const QString& body)
{
    return body + QString::asprintf(",%02X*", crc8(body.mid(1).toLatin1()));
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

inline void pointAt(DeviceLink& link, quint16 port)
{
    link.setEndpointProvider([port] { return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port}; });
}

// Runs one calculation to its end. Gives the failure code or 100 for results; -1 when it
// did not end with exactly one outcome and a closed link.
inline int runCalculation(DeviceLink& link, const QStringList& raw, unsigned char type, int timeoutMs = 20000)
{
    int outcome = -1;
    int outcomes = 0;
    QObject guard;
    QObject::connect(&link, &DeviceLink::calculationFailed, &guard, [&](int code) {
        outcome = code;
        ++outcomes;
    });
    QObject::connect(&link, &DeviceLink::resultsReady, &guard, [&] {
        outcome = 100;
        ++outcomes;
    });
    link.startCalculation(raw, type);
    const bool ended = waitUntil([&] { return outcome >= 0 && link.step() == DeviceLink::Closed; }, timeoutMs);
    return ended && outcomes == 1 ? outcome : -1;
}
