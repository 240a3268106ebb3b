// The link: connecting, the command each step sends, phase timers, retries and closing.
// The replies are handled in devicelink_replies.cpp.
#include "devicelink.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
const int LastDataLine = DeviceLink::RawValueCount - 1; // 69
const quint16 LocalPort = 9761;
} // namespace

DeviceLink::DeviceLink(QObject* parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
    , m_readTimer(new QTimer(this))
    , m_refreshTimer(new QTimer(this))
    , m_results(ResultCount, 0.0)
    , m_norms(ResultCount, 0.0)
{
    qRegisterMetaType<DeviceLink::Status>("DeviceLink::Status");
    m_readTimer->setInterval(ReadTimeoutMs);
    m_readTimer->setSingleShot(true);
    m_refreshTimer->setInterval(RefreshIntervalMs);
    connect(m_readTimer, &QTimer::timeout, this, &DeviceLink::nw_proc_TimeOut_Read);
    connect(m_socket, &QTcpSocket::connected, this, &DeviceLink::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &DeviceLink::nw_proc_readFortune);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &DeviceLink::nw_proc_displayError);
    connect(m_socket, &QAbstractSocket::disconnected, this, &DeviceLink::onDisconnected);
}

DeviceLink::~DeviceLink()
{
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
}

void DeviceLink::setEndpointProvider(std::function<Endpoint()> provider)
{
    m_endpoint = std::move(provider);
}

DeviceLink::Endpoint DeviceLink::endpointFor(const QString& ip, const QString& port,
                                             bool localVersion)
{
    Endpoint e;
    e.host = ip;
    if (localVersion) {
        e.port = LocalPort;
    } else {
        bool ok = false;
        const qint64 p = port.toLongLong(&ok, 10);
        e.port = ok ? static_cast<quint16>(((p % 65536) + 65536) % 65536) : 0;
    }
    return e;
}

const char* DeviceLink::unlockWord()
{
    return "vitro";
}

QString DeviceLink::statusText(Status s, const QString& connectedText,
                               const QString& connectingText)
{
    switch (s) {
    case Status::Connecting:
        return connectingText;
    case Status::Connected:
        return connectedText;
    case Status::WrongIdentity:
        return QStringLiteral("Error #0");
    case Status::BadSerial:
        return QStringLiteral("Error #8");
    case Status::BadVersion:
        return QStringLiteral("Error #3");
    case Status::SocketError:
        break;
    }
    return QStringLiteral("Error");
}

void DeviceLink::setPhaseTimeouts(int readBackMs, int calculateMs, int outputMs)
{
    m_readBackMs = readBackMs;
    m_calculateMs = calculateMs;
    m_outputMs = outputMs;
}

void DeviceLink::startCheck()
{
    m_refreshTimer->setInterval(RefreshIntervalMs);
    m_refreshTimer->start();
    const quint64 g = m_generation;
    emit statusChanged(Status::Connecting);
    if (g != m_generation)
        return;
    nw_proc_Connect(Exchange::Check, Identify);
}

void DeviceLink::startCalculation(const QStringList& rawValues, unsigned char typeCode)
{
    m_raw.fill(0, RawValueCount);
    for (int i = 0; i < RawValueCount && i < rawValues.size(); ++i) {
        bool ok = false;
        const qint64 v = rawValues.at(i).toLongLong(&ok, 10);
        m_raw[i] = ok ? v : 0;
    }
    m_typeCode = typeCode;
    m_results.fill(0.0, ResultCount);
    m_norms.fill(0.0, ResultCount);
    m_mismatch = false;
    m_retries = 0;
    m_lineCounter = 0;
    nw_proc_Connect(Exchange::Calculation, StartWrite);
}

bool DeviceLink::startService(const QString& text)
{
    if (text.startsWith(QLatin1String(unlockWord()))) {
        emit serviceUnlocked();
        return true;
    }
    if (!text.startsWith(QLatin1Char('$')))
        return false;
    m_serviceText =
        QString(text % QLatin1Char(',') % Framing::checksumDigits(Framing::frameChecksum(text, 0)) %
                QLatin1Char('*'));
    nw_proc_Connect(Exchange::Service, ServiceCommand);
    return true;
}

void DeviceLink::nw_proc_Disconnect()
{
    const bool calculating = m_exchange == Exchange::Calculation && m_step != Closed;
    finish();
    if (calculating) {
        m_break = Break::Lost;
        emit calculationFailed(4);
    } // the pipeline must not wait for results that never come
}

bool DeviceLink::stopCalculation()
{
    if (!calculating())
        return false;
    finish();
    m_break = Break::Stopped;
    emit calculationFailed(4);
    return true;
}

void DeviceLink::finish()
{
    m_refreshTimer->start();
    close();
}

void DeviceLink::close()
{
    m_readTimer->stop();
    ++m_generation;
    m_step = Closed;
    m_next = Closed;
    m_exchange = Exchange::None;
    m_identityAfterCalculation = false;
    m_socket->abort();
    m_collector.clear();
}

void DeviceLink::updateNetwork()
{
    m_available = false;
    m_errorShown = false; // a new address deserves its own error box
    nw_proc_Disconnect();
    startCheck();
}

void DeviceLink::startPolling()
{
    m_refreshTimer->start();
}

void DeviceLink::nw_proc_Connect(Exchange kind, Step first)
{
    const bool calculationAborted =
        m_exchange == Exchange::Calculation && m_step != Closed && kind != Exchange::Calculation;
    // A calculation holds the link; the other exchanges let the refresh timer run so
    // that one that never ends is replaced by the next check.
    if (kind == Exchange::Calculation)
        m_refreshTimer->stop();
    close();
    if (calculationAborted) {
        const quint64 g = m_generation;
        m_break = Break::Lost;
        emit calculationFailed(4);
        if (g != m_generation)
            return;
    }
    m_exchange = kind;
    m_step = first;
    m_next = Closed;
    m_connected = false;
    if (kind == Exchange::Calculation)
        m_break = Break::None;
    const Endpoint e = m_endpoint ? m_endpoint() : Endpoint{QStringLiteral("127.0.0.1"), LocalPort};
    const quint64 g = m_generation;
    m_socket->connectToHost(e.host, e.port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    if (g == m_generation && kind == Exchange::Calculation)
        arm(m_readBackMs); // bounds the connection attempt
}

void DeviceLink::arm(int ms)
{
    m_readTimer->start(ms);
}

void DeviceLink::nw_proc_Send(const QString& text, bool special)
{
    const QString frame = Framing::buildFrame(text, special);
    emit lineLogged(Framing::simplified(frame), true);
    nw_proc_SendTCPdata(frame);
}

void DeviceLink::nw_proc_SendTCPdata(const QString& s)
{
    m_socket->write(s.toUtf8());
}

void DeviceLink::onConnected()
{
    if (m_step == Closed)
        return;
    m_connected = true;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    nw_proc_TCP_SendCommand();
}

void DeviceLink::nw_proc_TCP_SendCommand()
{
    const quint64 g = m_generation;
    auto advance = [this, g] {
        emit stageAdvanced();
        return g == m_generation;
    };
    switch (m_step) {
    case Closed:
        finish();
        break;
    case Identify:
        m_next = ReadSerial;
        nw_proc_Send(QStringLiteral("$?*"), true);
        break;
    case ReadSerial:
        m_next = ReadVersion;
        nw_proc_Send(QStringLiteral("$RSN*"), true);
        break;
    case ReadVersion:
        m_next = Closed;
        nw_proc_Send(QStringLiteral("$RCV*"), true);
        break;
    case StartWrite:
        if (m_retries == 0 && !advance())
            return;
        m_next = WriteLines;
        m_lineCounter = 0;
        m_resentLast = false;
        nw_proc_Send(QStringLiteral("$MIW*"), true);
        arm(m_readBackMs);
        break;
    case WriteLines:
        if (m_lineCounter > LastDataLine)
            break;
        nw_proc_Send(
            Framing::dataLineText(m_lineCounter, static_cast<quint32>(m_raw.at(m_lineCounter))),
            false);
        arm(m_readBackMs);
        break;
    case StartReadBack:
        if (m_retries == 0 && !advance())
            return;
        m_step = ReadBack;
        m_mismatch = false;
        m_lineCounter = -1;
        m_graceUsed = false;
        m_seen.fill(false, RawValueCount);
        nw_proc_Send(QStringLiteral("$MIR*"), true);
        arm(m_readBackMs);
        break;
    case Calculate:
        if (!advance())
            return;
        nw_proc_Send(Framing::calculateText(m_typeCode), false);
        arm(m_calculateMs);
        break;
    case StartOutput:
        if (m_retries == 0 && !advance())
            return;
        m_step = ReadOutput;
        m_mismatch = false;
        m_lineCounter = -1;
        m_echoSeen = false;
        m_seen.fill(false, ResultCount);
        nw_proc_Send(QStringLiteral("$MO*"), true);
        arm(m_outputMs);
        break;
    case ReadBack:
    case ReadOutput:
        break;
    case ServiceCommand:
        nw_proc_Send(m_serviceText, true);
        break;
    }
}

// A failed attempt of the write, read-back or output phase: on time-out or bad ending.
void DeviceLink::failAttempt(bool expired)
{
    m_readTimer->stop();
    if (!m_mismatch && m_lineCounter == LastDataLine) {
        // "@DONE*" one acknowledgement short: send the last data line once more.
        if (m_step == WriteLines && !expired && !m_resentLast) {
            m_resentLast = true;
            nw_proc_TCP_SendCommand();
            return;
        }
        // Every line read back and matched: give a late "@DONE*" one more period.
        if (m_step == ReadBack && expired && !m_graceUsed) {
            m_graceUsed = true;
            arm(m_readBackMs);
            return;
        }
    }
    if (m_retries < MaxRetries) {
        ++m_retries;
        m_mismatch = false;
        if (m_step == WriteLines)
            m_step = StartWrite;
        else if (m_step == ReadBack)
            m_step = StartReadBack;
        else if (m_step == ReadOutput)
            m_step = StartOutput;
        nw_proc_TCP_SendCommand();
        return;
    }
    giveUp(m_step == WriteLines ? 0 : m_step == ReadBack ? 1 : 3);
}

void DeviceLink::giveUp(int code)
{
    finish();
    emit calculationFailed(code);
}

void DeviceLink::nw_proc_TimeOut_Read()
{
    if (m_step == Closed)
        return;
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        connectionLost(tr("Connection timed out"));
        return;
    }
    switch (m_step) {
    case StartWrite:
        giveUp(0);
        break;
    case WriteLines:
    case ReadBack:
    case ReadOutput:
        failAttempt(true);
        break;
    case Calculate:
        giveUp(2);
        break;
    default:
        break;
    }
}

void DeviceLink::nw_proc_displayError(QAbstractSocket::SocketError)
{
    if (m_step != Closed)
        connectionLost(m_socket->errorString());
}

void DeviceLink::onDisconnected()
{
    if (m_step != Closed)
        connectionLost(tr("The remote host closed the connection"));
}

void DeviceLink::connectionLost(const QString& description)
{
    const Exchange kind = m_exchange;
    const bool wasConnected = m_connected;
    finish();
    emit statusChanged(Status::SocketError);
    if (kind == Exchange::Calculation) {
        // The failure message of the calculation stands for the connection box.
        emit socketError(description, false);
        m_break = wasConnected ? Break::Lost : Break::Unreachable;
        emit calculationFailed(4);
    } else if (kind == Exchange::Service) {
        emit socketError(description, true);
    } else {
        const bool first = !m_errorShown;
        m_errorShown = true;
        emit socketError(description, first);
    }
}
