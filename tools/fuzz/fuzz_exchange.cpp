// The whole calculation exchange driven by fuzzed device replies. The link connects to a
// loopback server that never answers; the replies are handed to it as the socket would.
//
// Input: lines. "~" lets the read timer expire (when it runs), "!" is the user's stop, a
// line ending in "#" gets its checksum tail in place of the "#", any other line is delivered
// as it stands with a line feed. When the input ends, the timer expires until the exchange
// is over, so every input ends in results or a failure code.
//
// Held throughout: no stored value is infinite or undefined; a calculation waits only with
// its timer running; it ends exactly once; results come only when the current output
// attempt brought a good line for each of the 57 markers and a matching type echo.
#include "demodata/demodata.h"
#include "device/devicelink.h"
#include "fuzz_common.h"

#include <QBitArray>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include <cmath>
#include <memory>

using Fuzz::require;

namespace {

const unsigned char TypeCode = 10; // "0a" on the wire, so the echo's letter case matters
const int Never = 600000;          // the target decides when the timer expires
const int MaxExpiries = 100;

QTcpServer& server()
{
    static QTcpServer* s = [] {
        auto* listener = new QTcpServer;
        if (!listener->listen(QHostAddress::LocalHost))
            Fuzz::fail("cannot listen on the loopback interface");
        return listener;
    }();
    return *s;
}

// The demo export's values, as the pipeline hands them over.
const QStringList& rawValues()
{
    static const QStringList raw = [] {
        QStringList list;
        for (qint64 v : DemoData::ExportContent().values)
            list << QString::number(v);
        return list;
    }();
    return raw;
}

int digitsValue(const QString& field)
{
    int v = 0;
    for (QChar c : field)
        if (c.isDigit())
            v = v * 10 + c.digitValue();
    return v;
}

// What the device said during the current output attempt, read independently of the link.
// Loose where the link's number readers are lenient, so that it only ever says too much.
struct OutputAttempt
{
    QBitArray covered{DeviceLink::ResultCount};
    bool echoSeen = false;
    bool echoWrong = false;
    bool indexTooHigh = false;

    void add(const QString& line)
    {
        if (!Fuzz::carriesChecksum(line))
            return;
        if (line.startsWith(QLatin1String("@TR-"))) {
            echoSeen = true;
            const int high = Fuzz::hexValue(line.at(4)), low = Fuzz::hexValue(line.at(5));
            if (high >= 0 && low >= 0 && high * 16 + low != TypeCode)
                echoWrong = true;
            return;
        }
        const int commaA = line.indexOf(QLatin1Char(','), 4);
        if (commaA < 0 || line.indexOf(QLatin1Char(','), commaA + 1) < 0)
            return;
        const QString index = line.mid(1, 2);
        const int v = digitsValue(index);
        if (index.size() == 2 && index.at(0).isDigit() && index.at(1).isDigit() &&
            v >= DeviceLink::ResultCount)
            indexTooHigh = true;
        covered.setBit(0); // an index that does not parse counts as 0
        if (v < DeviceLink::ResultCount)
            covered.setBit(v);
    }
};

class Run
{
  public:
    explicit Run(DeviceLink& link)
        : m_link(link)
    {
        QObject::connect(&link, &DeviceLink::lineLogged, &m_guard,
                         [this](const QString& line, bool outgoing) {
                             if (outgoing && line == QLatin1String("$MO*"))
                                 m_attempt = OutputAttempt();
                             else if (!outgoing)
                                 m_attempt.add(line);
                             if (outgoing && line == QLatin1String("$MIW*"))
                                 m_started = true;
                         });
        QObject::connect(&link, &DeviceLink::stageAdvanced, &m_guard, [this] { ++m_stages; });
        QObject::connect(&link, &DeviceLink::calculationFailed, &m_guard, [this](int code) {
            require(code >= 0 && code <= 4, "unknown failure code", QString::number(code));
            end(code);
        });
        QObject::connect(&link, &DeviceLink::resultsReady, &m_guard, [this] {
            require(m_stages == 4, "results after other than four stages",
                    QString::number(m_stages));
            require(m_attempt.covered.count(true) == DeviceLink::ResultCount,
                    "results from a partial table");
            require(m_attempt.echoSeen && !m_attempt.echoWrong,
                    "results without a matching type echo");
            require(!m_attempt.indexTooHigh, "results despite a line index past 56");
            end(100);
        });
    }

    bool started() const { return m_started; }
    bool ended() const { return m_outcome >= 0; }

    void checkValues() const
    {
        for (int i = 0; i < DeviceLink::ResultCount; ++i)
            require(std::isfinite(m_link.resultValues().at(i)) &&
                        std::isfinite(m_link.normValues().at(i)),
                    "a stored value is not finite", QString::number(i));
        require(m_stages <= 4, "more than four stages");
    }

  private:
    void end(int outcome)
    {
        require(m_outcome < 0, "a second outcome", QString::number(outcome));
        m_outcome = outcome;
    }

    DeviceLink& m_link;
    QObject m_guard;
    OutputAttempt m_attempt;
    bool m_started = false;
    int m_stages = 0;
    int m_outcome = -1;
};

// Closed with a reset, so that neither end lingers in TIME_WAIT: thousands of connections a
// second would otherwise use up the loopback ports that other programs need.
struct AbruptClose
{
    void operator()(QTcpSocket* socket) const
    {
        const linger reset{1, 0};
        setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        socket->abort();
        delete socket;
    }
};

void expire(DeviceLink& link)
{
    if (link.readTimeoutTimer()->isActive())
        QMetaObject::invokeMethod(link.readTimeoutTimer(), "timeout", Qt::DirectConnection);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApp();
    const quint16 port = server().serverPort();
    DeviceLink link;
    link.setEndpointProvider([port] {
        return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port};
    });
    link.setPhaseTimeouts(Never, Never, Never);
    Run run(link);

    link.startCalculation(rawValues(), TypeCode);
    QDeadlineTimer deadline(5000);
    QTimer wake;
    wake.start(5);
    while (!run.started() && !run.ended() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    require(run.started(), "the link did not start on the loopback connection");
    const std::unique_ptr<QTcpSocket, AbruptClose> device(server().nextPendingConnection());
    require(device != nullptr, "no connection reached the loopback server");

    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    for (const QByteArray& line : input.split('\n')) {
        if (line == "~")
            expire(link);
        else if (line == "!") {
            const bool running = link.calculating();
            require(link.stopCalculation() == running, "stop answered wrongly");
        } else if (line.endsWith('#'))
            link.receiveBytes(Fuzz::checked(line.chopped(1)) + '\n');
        else
            link.receiveBytes(line + '\n');
        run.checkValues();
    }
    for (int i = 0; i < MaxExpiries && !run.ended(); ++i) {
        require(link.calculating(), "the calculation ended without an outcome");
        require(link.readTimeoutTimer()->isActive(), "the calculation waits without a deadline",
                QString::number(link.step()));
        expire(link);
        run.checkValues();
    }
    require(run.ended(), "the calculation did not end");
    return 0;
}
