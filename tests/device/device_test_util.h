#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include "device/devicelink.h"
#include "devicesim/devicesimulator.h"

// Reference values for the device tests, computed bit by bit and independently of
// the table-driven code they check.
namespace RefCrc {

inline unsigned char crc8(const QByteArray& bytes)
{
    unsigned char crc = 0;
    for (char ch : bytes)
        for (unsigned b = static_cast<unsigned char>(ch), i = 0; i < 8; ++i, b >>= 1)
            crc = ((crc ^ b) & 1) ? (crc >> 1) ^ 0x8C : crc >> 1;
    return crc;
}

// "body,CC*", the checksum over the body minus its lead character.
inline QString checked(const QString& body)
{
    return body + QString::asprintf(",%02X*", crc8(body.mid(1).toLatin1()));
}
} // namespace RefCrc

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

// Simulator faults as one expression: fault(&Faults::calcFails, true), or with() for several.
using Faults = DeviceSimulator::Faults;
using Phase = DeviceSimulator::Phase;
Q_DECLARE_METATYPE(DeviceSimulator::Faults)
inline Faults with(const std::function<void(Faults&)>& set)
{
    Faults f;
    set(f);
    return f;
}
template <typename T, typename V> Faults fault(T Faults::*field, V value)
{
    return with([&](Faults& f) { f.*field = value; });
}

// Runs one calculation to its end. Gives the failure code or 100 for results; -1 when it
// did not end with exactly one outcome and a closed link.
inline int runCalculation(DeviceLink& link, const QStringList& raw, unsigned char type,
                          int timeoutMs = 20000)
{
    int outcome = -1, outcomes = 0;
    QObject guard;
    auto end = [&](int code) { outcome = code, ++outcomes; };
    QObject::connect(&link, &DeviceLink::calculationFailed, &guard, end);
    QObject::connect(&link, &DeviceLink::resultsReady, &guard, [&] { end(100); });
    link.startCalculation(raw, type);
    const bool ended =
        waitUntil([&] { return outcome >= 0 && link.step() == DeviceLink::Closed; }, timeoutMs);
    return ended && outcomes == 1 ? outcome : -1;
}
