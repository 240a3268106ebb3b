// The replies of the device: lines assembled from the socket, each handled by the step it
// arrives in, and the payloads they carry.
#include "devicelink.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
const int LastDataLine = DeviceLink::RawValueCount - 1; // 69
const int LastOutputLine = DeviceLink::ResultCount - 1; // 56

bool begins(const QString& line, const char* prefix)
{
    return line.startsWith(QLatin1String(prefix));
}
} // namespace

void DeviceLink::nw_proc_readFortune()
{
    receiveBytes(m_socket->readAll());
}

void DeviceLink::receiveBytes(const QByteArray& bytes)
{
    const quint64 g = m_generation;
    const QStringList lines = m_collector.feed(bytes);
    for (const QString& line : lines) {
        // Every line received shows in the debug log, also those that arrive after the
        // exchange has ended; only lines of the running exchange are acted on.
        emit lineLogged(line, false);
        if (g != m_generation || m_step == Closed)
            continue;
        m_line = line;
        nw_proc_ParsingMessage();
        m_line.clear();
    }
}

bool DeviceLink::nw_proc_CheckCRCMessage() const
{
    return Framing::checkReply(m_line);
}

void DeviceLink::nw_proc_ReadCount(uchar count)
{
    if (m_line.isEmpty())
        return; // called outside the handling of a line: nothing to read
    switch (count) {
    case 2:
        m_version = Framing::parseVersion(m_line);
        break;
    case 3: {
        const Framing::ReadBackLine r = Framing::parseReadBack(m_line);
        if (r.index < 0 || r.index > LastDataLine) {
            m_mismatch = true;
            return;
        }
        m_lineCounter = r.index;
        m_seen.setBit(r.index);
        if (static_cast<qint64>(r.value) != m_raw.at(r.index))
            m_mismatch = true;
        break;
    }
    case 4:
        if (begins(m_line, "@TR-")) {
            m_echoSeen = true;
            if (Framing::parseTypeEcho(m_line) != m_typeCode)
                m_mismatch = true;
        } else {
            storeOutput();
        }
        break;
    case 5:
        m_serial = Framing::parseSerial(m_line);
        break;
    default:
        break;
    }
}

void DeviceLink::nw_proc_ParsingMessage()
{
    const QString& line = m_line;
    switch (m_step) {
    case Identify:
    case ReadSerial:
    case ReadVersion:
        handleCheckReply();
        break;
    case StartWrite:
        if (begins(line, "@READY*")) {
            m_lineCounter = 0;
            m_step = m_next;
            nw_proc_TCP_SendCommand();
        } else {
            giveUp(0);
        }
        break;
    case WriteLines:
        handleWriteReply();
        break;
    case ReadBack:
        handleReadBackLine();
        break;
    case Calculate:
        if (begins(line, "@DONE*")) {
            m_readTimer->stop();
            m_step = StartOutput;
            m_retries = 0;
            nw_proc_TCP_SendCommand();
        } else {
            giveUp(2);
        }
        break;
    case ReadOutput:
        handleOutputLine();
        break;
    case ServiceCommand:
        m_step = Closed;
        nw_proc_TCP_SendCommand();
        break;
    case Closed:
    case StartReadBack:
    case StartOutput:
        break;
    }
}

void DeviceLink::handleCheckReply()
{
    const QString& line = m_line;
    Status failure = Status::WrongIdentity;
    if (m_step == Identify) {
        if (begins(line, "@Quendalivertyx")) {
            m_available = true;
            m_errorShown = false;
            const quint64 g = m_generation;
            emit statusChanged(Status::Connected);
            if (g != m_generation)
                return;
            m_step = m_next;
            nw_proc_TCP_SendCommand();
            return;
        }
        m_available = false;
    } else if (m_step == ReadSerial) {
        if (begins(line, "@SN,") && nw_proc_CheckCRCMessage()) {
            nw_proc_ReadCount(5);
            if (m_identityAfterCalculation) {
                // The calculation's own identification: the label follows it as it follows a check.
                m_identityAfterCalculation = false;
                m_errorShown = false;
                const quint64 g = m_generation;
                emit statusChanged(Status::Connected);
                if (g != m_generation)
                    return;
            }
            m_step = m_next;
            nw_proc_TCP_SendCommand();
            return;
        }
        failure = Status::BadSerial;
    } else {
        if (begins(line, "@CV,") && nw_proc_CheckCRCMessage()) {
            nw_proc_ReadCount(2);
            m_step = m_next;
            nw_proc_TCP_SendCommand();
            return;
        }
        failure = Status::BadVersion;
    }
    finish();
    emit statusChanged(failure);
}

// Only sending a data line re-arms the timer, so replies that send nothing (extra
// acknowledgements) cannot keep the phase open.
void DeviceLink::handleWriteReply()
{
    const QString& line = m_line;
    if (begins(line, "@OK*")) {
        ++m_lineCounter;
        nw_proc_TCP_SendCommand();
    } else if (begins(line, "@DONE*") && m_lineCounter == RawValueCount) {
        m_readTimer->stop();
        m_retries = 0;
        m_step = StartReadBack;
        nw_proc_TCP_SendCommand();
    } else {
        failAttempt(false);
    }
}

void DeviceLink::handleReadBackLine()
{
    if (begins(m_line, "@DONE*")) {
        if (!m_mismatch && m_lineCounter == LastDataLine && m_seen.count(true) == RawValueCount) {
            m_readTimer->stop();
            m_step = Calculate;
            nw_proc_TCP_SendCommand();
        } else {
            m_mismatch = true; // a missing line fails the attempt like a wrong one
            failAttempt(false);
        }
        return;
    }
    if (nw_proc_CheckCRCMessage())
        nw_proc_ReadCount(3);
    else
        m_mismatch = true;
}

// The output phase has one deadline, armed with "$MO*": lines that keep coming,
// good or bad, do not extend it.
void DeviceLink::handleOutputLine()
{
    if (begins(m_line, "@DONE*")) {
        if (m_lineCounter != LastOutputLine)
            return; // early: the remaining lines may still come
        if (m_mismatch || !m_echoSeen || m_seen.count(true) != ResultCount) {
            failAttempt(false);
            return;
        }
        m_readTimer->stop();
        // The rest is the identity read of a device check; the calculation is over.
        m_exchange = Exchange::Check;
        m_identityAfterCalculation = true;
        m_refreshTimer->start();
        const quint64 g = m_generation;
        emit resultsReady();
        if (g != m_generation)
            return;
        m_step = ReadSerial;
        nw_proc_TCP_SendCommand();
        return;
    }
    if (nw_proc_CheckCRCMessage())
        nw_proc_ReadCount(4);
}

void DeviceLink::storeOutput()
{
    const Framing::OutputLine o = Framing::parseOutput(m_line);
    if (!o.wellFormed)
        return; // no defined layout: ignored like a line with a bad checksum
    if (o.index < 0 || o.index > LastOutputLine) {
        m_mismatch = true;
        return;
    }
    m_lineCounter = o.index;
    m_seen.setBit(o.index);
    m_norms[o.index] = o.norm;
    m_results[o.index] = o.result == -1.0 ? 1000000.0 : o.result;
}
