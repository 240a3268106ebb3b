#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "report/hl7message.h"

class QTcpSocket;
class QTimer;

// One message at a time to an MLLP listener, answered by its acknowledgement. The connection
// stays open between messages and is opened again when the listener has closed it. Everything
// is asynchronous: send() returns at once and finished() follows.
class MllpClient : public QObject
{
    Q_OBJECT
  public:
    enum class Outcome {
        Delivered, // MSA-1 AA or CA
        Refused,   // AE, AR, CE or CR: the listener took the message and will not have it
        Retry      // no connection, no answer in time, or an answer that is not one
    };

    enum class Problem { None, Unreachable, NoAnswer, Closed, NotAnAnswer };

    explicit MllpClient(QObject* parent = nullptr);
    ~MllpClient() override;

    // The answer must come within timeoutMs of this call, connecting included.
    void send(const QString& host, quint16 port, const QByteArray& message, int timeoutMs);
    bool busy() const { return m_busy; }
    void abort();

  signals:
    // Delivered or Refused: text is the listener's answer, its code and text ("AE: ...").
    // Retry: problem says what went wrong, text the system's words for it where it has some.
    void finished(MllpClient::Outcome outcome, MllpClient::Problem problem, const QString& text);

  private:
    void writeMessage();
    void onReadyRead();
    void fail(Problem problem, const QString& text = QString());
    void end(Outcome outcome, Problem problem, const QString& text);

    QTcpSocket* m_socket = nullptr;
    QTimer* m_timer = nullptr;
    QString m_host;
    quint16 m_port = 0;
    QByteArray m_message;
    QString m_controlId;
    QByteArray m_buffer;
    bool m_busy = false;
};
