#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <deque>

class QTcpServer;
class QTcpSocket;

// A laboratory information system's MLLP listener on a TCP port, for tests and the demo. It
// records every message it receives and answers each with an acknowledgement as told: accept
// (AA), error (AE) or reject (AR) with a text, or no answer at all. Any number of clients.
class LisListener : public QObject
{
    Q_OBJECT
  public:
    enum class Reply { Accept, Error, Reject, Silent };

    explicit LisListener(QObject* parent = nullptr);
    ~LisListener() override;

    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const;
    void close();

    // The answer to every message from now on.
    void setReply(Reply reply, const QString& text = QString());
    // The answer to the next message only, before the standing one; several queue up.
    void replyOnce(Reply reply, const QString& text = QString());

    // Every message received, in order, without its framing.
    QList<QByteArray> received() const { return m_received; }
    // MSH-10 of each message received.
    QStringList receivedControlIds() const;
    void clearReceived() { m_received.clear(); }

    // The acknowledgement of a message, as sent.
    static QByteArray acknowledgement(const QByteArray& message, Reply reply, const QString& text);

  signals:
    void messageReceived(const QByteArray& message);

  private:
    struct Answer
    {
        Reply reply;
        QString text;
    };
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer* m_server = nullptr;
    Answer m_standing{Reply::Accept, QString()};
    std::deque<Answer> m_once;
    QList<QByteArray> m_received;
};
