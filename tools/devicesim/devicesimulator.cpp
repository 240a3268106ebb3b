#include "devicesimulator.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr int RawCount = 70;
constexpr int MarkerCount = 57;
constexpr quint32 ExactRaw = 10000000;
constexpr quint32 MissingRaw = 99999999;

const QString Ok = QStringLiteral("@OK*");
const QString Done = QStringLiteral("@DONE*");
const QString Err = QStringLiteral("@ERR*");

// Reply line "body,CC*" with the checksum over the body minus its lead character.
QString checked(const QString& body)
{
    return body + QLatin1Char(',') + Framing::checksumDigits(Framing::frameChecksum(body, 0)) +
           QLatin1Char('*');
}

// Same shape, but the digits cannot match.
QString badlyChecked(const QString& body)
{
    const unsigned char wrong = static_cast<unsigned char>(Framing::frameChecksum(body, 0) ^ 0x5A);
    return body + QLatin1Char(',') + Framing::checksumDigits(wrong) + QLatin1Char('*');
}

QString twoDigits(int index)
{
    return QStringLiteral("%1").arg(index, 2, 10, QLatin1Char('0'));
}

// "123", "123.5", "-1": no trailing zeros, "." as separator.
QString decimalText(double value)
{
    QString text = QString::number(value, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}
} // namespace

DeviceSimulator::DeviceSimulator(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_delayTimer(new QTimer(this))
    , m_noiseTimer(new QTimer(this))
    , m_raw(RawCount, 0)
{
    m_delayTimer->setSingleShot(true);
    connect(m_noiseTimer, &QTimer::timeout, this, &DeviceSimulator::sendNoise);
    connect(m_server, &QTcpServer::newConnection, this, &DeviceSimulator::onNewConnection);
    connect(m_delayTimer, &QTimer::timeout, this, &DeviceSimulator::sendDelayed);
}

DeviceSimulator::~DeviceSimulator()
{
    if (m_socket)
        m_socket->abort();
}

bool DeviceSimulator::listen(const QHostAddress& address, quint16 port)
{
    if (m_server->isListening())
        m_server->close();
    return m_server->listen(address, port);
}

quint16 DeviceSimulator::port() const
{
    return m_server->serverPort();
}

void DeviceSimulator::setFaults(const Faults& faults)
{
    m_faults = faults;
    m_silent = false;
    m_rewritten = 0;
    m_noiseTimer->stop();
    std::fill(std::begin(m_attempts), std::end(m_attempts), 0);
}

DeviceSimulator::Faults DeviceSimulator::faults() const
{
    return m_faults;
}

QStringList DeviceSimulator::receivedLines() const
{
    return m_received;
}

void DeviceSimulator::clearReceived()
{
    m_received.clear();
}

int DeviceSimulator::connectionCount() const
{
    return m_connections;
}

QVector<DeviceSimulator::Result> DeviceSimulator::compute(const QVector<quint32>& raw,
                                                          unsigned char typeCode)
{
    QVector<Result> results;
    results.reserve(MarkerCount);
    for (int k = 0; k < MarkerCount; ++k) {
        const quint32 value = k < raw.size() ? raw.at(k) : 0;
        Result r;
        r.reference = 100 + quint32((k * 37 + typeCode * 53) % 1901);
        if (value == ExactRaw)
            r.result = ExactRaw;
        else if (value == MissingRaw)
            r.result = -1;
        else
            r.result = (value % 4001) / 2.0;
        results.append(r);
    }
    return results;
}

void DeviceSimulator::onNewConnection()
{
    while (QTcpSocket* incoming = m_server->nextPendingConnection()) {
        ++m_connections;
        // The newest client wins; the previous one is dropped without further replies.
        if (m_socket) {
            m_socket->disconnect(this);
            m_socket->abort();
            m_socket->deleteLater();
        }
        m_socket = incoming;
        m_collector.clear();
        m_queue.clear();
        m_delayed.clear();
        m_delayTimer->stop();
        m_noiseTimer->stop();
        m_silent = false;
        m_writing = false;
        connect(incoming, &QTcpSocket::readyRead, this, &DeviceSimulator::onReadyRead);
        connect(incoming, &QTcpSocket::disconnected, incoming, &QObject::deleteLater);
    }
}

void DeviceSimulator::onReadyRead()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket || socket != m_socket)
        return;
    const QStringList lines = m_collector.feed(socket->readAll());
    for (const QString& line : lines) {
        m_received.append(line);
        emit lineReceived(line);
        m_queue.push_back(line);
    }
    processQueue();
}

void DeviceSimulator::processQueue()
{
    // Commands are answered strictly in order; a delay holds back everything behind it.
    while (!m_queue.empty() && !m_delayTimer->isActive() && m_socket) {
        const QString line = m_queue.front();
        m_queue.pop_front();
        const QStringList replies = answer(line);
        if (!m_socket || replies.isEmpty())
            continue;
        m_delayed = replies;
        if (m_faults.replyDelayMs > 0) {
            m_delayTimer->start(m_faults.replyDelayMs);
            return;
        }
        writeReplies();
    }
}

void DeviceSimulator::sendDelayed()
{
    writeReplies();
    processQueue();
}

void DeviceSimulator::writeReplies()
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
        QByteArray bytes;
        for (const QString& reply : qAsConst(m_delayed))
            bytes += reply.toLatin1() + "\r\n";
        m_socket->write(bytes);
    }
    m_delayed.clear();
}

void DeviceSimulator::sendNoise()
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(badlyChecked(QStringLiteral("#00,1,1")).toLatin1() + "\r\n");
    else
        m_noiseTimer->stop();
}

void DeviceSimulator::dropConnection()
{
    m_queue.clear();
    m_delayTimer->stop();
    m_noiseTimer->stop();
    if (m_socket) {
        QTcpSocket* socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->abort();
        socket->deleteLater();
    }
}

DeviceSimulator::Phase DeviceSimulator::phaseOf(const QString& line)
{
    if (line == QLatin1String("$?*"))
        return Phase::Identify;
    if (line == QLatin1String("$RSN*"))
        return Phase::Serial;
    if (line == QLatin1String("$RCV*"))
        return Phase::Version;
    if (line == QLatin1String("$MIW*"))
        return Phase::StartWrite;
    if (line == QLatin1String("$MIR*"))
        return Phase::ReadBack;
    if (line == QLatin1String("$MO*"))
        return Phase::Output;
    if (line.startsWith(QLatin1String("$MC,")))
        return Phase::Calculate;
    if (line.size() > 2 && line.at(0) == QLatin1Char('$') && line.at(1).isDigit() &&
        line.at(2).isDigit())
        return Phase::WriteLines;
    if (line.startsWith(QLatin1Char('$')))
        return Phase::Service;
    return Phase::None;
}

bool DeviceSimulator::faultActive(Phase phase) const
{
    return m_faults.failingAttempts < 0 || m_attempts[int(phase)] <= m_faults.failingAttempts;
}

QStringList DeviceSimulator::answer(const QString& line)
{
    const Phase phase = phaseOf(line);
    if (phase == Phase::None)
        return {};
    if (phase == Phase::StartWrite || phase == Phase::ReadBack || phase == Phase::Calculate ||
        phase == Phase::Output)
        ++m_attempts[int(phase)];
    if (phase == m_faults.dropIn) {
        dropConnection();
        return {};
    }
    if (phase == m_faults.noiseIn && !m_noiseTimer->isActive())
        m_noiseTimer->start(m_faults.noiseMs);
    if (phase == m_faults.silentIn)
        m_silent = true;
    if (m_silent)
        return {};
    if (phase != Phase::WriteLines)
        m_writing = false; // any other command ends a write
    QStringList replies = answerPhase(phase, line);
    if (m_faults.rewrite && line.startsWith(m_faults.rewritePrefix) &&
        (m_faults.rewriteTimes < 0 || m_rewritten++ < m_faults.rewriteTimes))
        m_faults.rewrite(replies);
    return replies;
}

QStringList DeviceSimulator::answerPhase(Phase phase, const QString& line)
{
    switch (phase) {
    case Phase::Identify:
        return {m_faults.wrongIdentity ? QStringLiteral("@Wrongdevice")
                                       : QStringLiteral("@Quendalivertyx v2")};
    case Phase::Serial: {
        const QString body = QStringLiteral("@SN,%1").arg(SerialNumber, 8, 10, QLatin1Char('0'));
        return {m_faults.badSerialChecksum ? badlyChecked(body) : checked(body)};
    }
    case Phase::Version: {
        const QString body =
            QStringLiteral("@CV,%1").arg(Version, 2, 16, QLatin1Char('0')).toUpper();
        return {m_faults.badVersionChecksum ? badlyChecked(body) : checked(body)};
    }
    case Phase::StartWrite:
        if (m_faults.notReady && faultActive(Phase::StartWrite)) {
            m_writing = false;
            return {QStringLiteral("@BUSY*")};
        }
        m_writing = true;
        m_acknowledged = 0;
        return {QStringLiteral("@READY*")};
    case Phase::WriteLines:
        return answerData(line);
    case Phase::ReadBack:
        return readBack();
    case Phase::Calculate: {
        if (!Framing::checkReply(line))
            return {Err};
        if (m_faults.calcFails && faultActive(Phase::Calculate))
            return {QStringLiteral("@FAIL*")};
        m_typeCode = static_cast<unsigned char>(line.midRef(4, 2).toUInt(nullptr, 16));
        return {Done};
    }
    case Phase::Output:
        return output();
    case Phase::Service:
        return {Framing::checkReply(line) ? Ok : Err};
    case Phase::None:
        break;
    }
    return {};
}

QStringList DeviceSimulator::answerData(const QString& line)
{
    if (!m_writing || !Framing::checkReply(line) || line.size() < 13 ||
        line.at(3) != QLatin1Char(','))
        return {Err};
    bool indexOk = false;
    bool valueOk = false;
    const int index = line.midRef(1, 2).toInt(&indexOk, 10);
    const quint32 value = line.midRef(4, 8).toUInt(&valueOk, 16);
    if (!indexOk || !valueOk || index < 0 || index >= RawCount)
        return {Err};
    m_raw[index] = value;
    // A line sent again after the 70th is acknowledged and the write reported done again.
    if (++m_acknowledged < RawCount)
        return {Ok};
    if (m_acknowledged == RawCount && m_faults.extraOk && faultActive(Phase::StartWrite))
        return {Ok, Ok, Done};
    return {Ok, Done};
}

QStringList DeviceSimulator::readBack()
{
    const bool faulty = faultActive(Phase::ReadBack);
    QStringList lines;
    for (int i = 0; i < RawCount; ++i) {
        int index = i;
        quint32 value = m_raw.at(i);
        if (faulty && m_faults.wrongReadBackIndex && i == RawCount - 1)
            index = RawCount - 2;
        if (faulty && i == m_faults.wrongReadBackLine)
            value ^= 0x10;
        const QString body = QStringLiteral("#%1,%2")
                                 .arg(twoDigits(index))
                                 .arg(value, 8, 16, QLatin1Char('0'))
                                 .toUpper();
        lines.append(faulty && i == m_faults.badReadBackChecksumLine ? badlyChecked(body)
                                                                     : checked(body));
    }
    lines.append(Done);
    return lines;
}

QStringList DeviceSimulator::output()
{
    const bool faulty = faultActive(Phase::Output);
    const unsigned char echoed = faulty && m_faults.wrongTypeEcho
                                     ? static_cast<unsigned char>(m_typeCode ^ 0x01)
                                     : m_typeCode;
    QStringList lines;
    lines.append(checked(QStringLiteral("@TR-%1").arg(echoed, 2, 16, QLatin1Char('0')).toUpper()));
    const QVector<Result> results = compute(m_raw, m_typeCode);
    for (int k = 0; k < results.size(); ++k) {
        const QString body = QStringLiteral("#%1,%2,%3")
                                 .arg(twoDigits(k), decimalText(results.at(k).result),
                                      QString::number(results.at(k).reference, 16).toUpper());
        lines.append(faulty && k == m_faults.badOutputChecksumLine ? badlyChecked(body)
                                                                   : checked(body));
    }
    lines.append(Done);
    return lines;
}
