#include "lissim/lislistener.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>

#include "report/hl7message.h"

LisListener::LisListener(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &LisListener::onNewConnection);
}

LisListener::~LisListener() = default;

bool LisListener::listen(const QHostAddress& address, quint16 port)
{
    return m_server->listen(address, port);
}

quint16 LisListener::port() const
{
    return m_server->serverPort();
}

void LisListener::close()
{
    m_server->close();
    for (QTcpSocket* socket : m_server->findChildren<QTcpSocket*>())
        socket->abort();
}

void LisListener::setReply(Reply reply, const QString& text)
{
    m_standing = {reply, text};
}

void LisListener::replyOnce(Reply reply, const QString& text)
{
    m_once.push_back({reply, text});
}

QStringList LisListener::receivedControlIds() const
{
    QStringList ids;
    for (const QByteArray& message : m_received)
        ids << Hl7::controlIdOf(message);
    return ids;
}

QByteArray LisListener::acknowledgement(const QByteArray& message, Reply reply, const QString& text)
{
    static const char* const codes[] = {"AA", "AE", "AR"};
    const QString msh = QString::fromUtf8(message.left(message.indexOf('\r')));
    const QString ack =
        QStringLiteral("MSH|^~\\&|LISSIM|%1|%2|%3|%4||ACK^R01^ACK|A%5|P|2.5.1\rMSA|%6|%7|%8\r")
            .arg(msh.section(QLatin1Char('|'), 5, 5), msh.section(QLatin1Char('|'), 2, 2),
                 msh.section(QLatin1Char('|'), 3, 3), Hl7::timestamp(QDateTime::currentDateTime()),
                 msh.section(QLatin1Char('|'), 9, 9), QLatin1String(codes[int(reply)]),
                 msh.section(QLatin1Char('|'), 9, 9), Hl7::escape(text));
    return ack.toUtf8();
}

void LisListener::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(m_server);
        socket->setProperty("buffer", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LisListener::onReadyRead(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    QByteArray message;
    while (Hl7::takeFrame(buffer, &message)) {
        m_received.append(message);
        Answer answer = m_standing;
        if (!m_once.empty()) {
            answer = m_once.front();
            m_once.pop_front();
        }
        if (answer.reply != Reply::Silent)
            socket->write(Hl7::frame(acknowledgement(message, answer.reply, answer.text)));
        emit messageReceived(message);
    }
    socket->setProperty("buffer", buffer);
}
