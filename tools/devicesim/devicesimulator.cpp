#include "devicesimulator.h"

DeviceSimulator::DeviceSimulator(QObject* parent) : QObject(parent) {}
DeviceSimulator::~DeviceSimulator() = default;
bool DeviceSimulator::listen(const QHostAddress&, quint16) { return false; }
quint16 DeviceSimulator::port() const { return 0; }
void DeviceSimulator::setFaults(const Faults& faults) { m_faults = faults; }
DeviceSimulator::Faults DeviceSimulator::faults() const { return m_faults; }
QStringList DeviceSimulator::receivedLines() const { return m_received; }
void DeviceSimulator::clearReceived() { m_received.clear(); }
int DeviceSimulator::connectionCount() const { return m_connections; }
QVector<DeviceSimulator::Result> DeviceSimulator::compute(const QVector<quint32>&, unsigned char) { return {}; }
