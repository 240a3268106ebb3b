#include "report/mllpclient.h"

#include <QTcpSocket>
#include <QTimer>

MllpClient::MllpClient(QObject* parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { fail(Problem::NoAnswer); });
    connect(m_socket, &QTcpSocket::connected, this, &MllpClient::writeMessage);
    connect(m_socket, &QTcpSocket::readyRead, this, &MllpClient::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_busy)
            fail(Problem::Unreachable, m_socket->errorString());
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_busy)
            fail(Problem::Closed);
    });
}

MllpClient::~MllpClient()
{
    m_busy = false;
    m_socket->abort();
}

void MllpClient::send(const QString& host, quint16 port, const QByteArray& message, int timeoutMs)
{
    const bool reuse =
        host == m_host && port == m_port && m_socket->state() == QAbstractSocket::ConnectedState;
    if (!reuse) {
        m_socket->abort(); // before the message is taken on, so the closing is not its failure
        m_host = host;
        m_port = port;
    }
    m_busy = true;
    m_message = message;
    m_controlId = Hl7::controlIdOf(message);
    m_buffer.clear();
    m_timer->start(timeoutMs);
    if (reuse)
        writeMessage();
    else
        m_socket->connectToHost(host, port);
}

void MllpClient::abort()
{
    m_busy = false;
    m_timer->stop();
    m_socket->abort();
}

void MllpClient::writeMessage()
{
    if (!m_busy)
        return;
    const QByteArray framed = Hl7::frame(m_message);
    if (m_socket->write(framed) != framed.size())
        fail(Problem::Unreachable, m_socket->errorString());
}

void MllpClient::onReadyRead()
{
    m_buffer += m_socket->readAll();
    if (!m_busy) {
        m_buffer.clear();
        return;
    }
    QByteArray answer;
    while (Hl7::takeFrame(m_buffer, &answer)) {
        const Hl7::Ack ack = Hl7::parseAck(answer);
        // A late answer to an earlier try of another message is not this one's.
        if (!ack.controlId.isEmpty() && ack.controlId != m_controlId)
            continue;
        const QString text =
            ack.text.isEmpty() ? ack.code : ack.code % QLatin1String(": ") % ack.text;
        if (ack.delivered())
            end(Outcome::Delivered, Problem::None, text);
        else if (ack.refused())
            end(Outcome::Refused, Problem::None, text);
        else
            fail(Problem::NotAnAnswer, QString::fromUtf8(answer.left(200)));
        return;
    }
}

void MllpClient::fail(Problem problem, const QString& text)
{
    if (!m_busy)
        return;
    m_busy = false;
    m_timer->stop();
    // Whatever the listener still sends for this try must not count for the next one.
    m_socket->abort();
    emit finished(Outcome::Retry, problem, text);
}

void MllpClient::end(Outcome outcome, Problem problem, const QString& text)
{
    if (!m_busy)
        return;
    m_busy = false;
    m_timer->stop();
    emit finished(outcome, problem, text);
}
