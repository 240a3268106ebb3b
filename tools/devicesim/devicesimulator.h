#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <deque>
#include <functional>

#include "device/framing.h"

class QTcpServer;
class QTcpSocket;
class QTimer;

// A calculation device on a TCP port: answers the line protocol with
// deterministic results and can be told to misbehave (see Faults).
// One client at a time; a new connection replaces the previous one.
//
// The device keeps its 70 raw values and its last calculation across
// connections, like the real instrument keeps its memory.
class DeviceSimulator : public QObject
{
    Q_OBJECT
  public:
    // Phase a received command belongs to:
    //   "$?*" Identify, "$RSN*" Serial, "$RCV*" Version, "$MIW*" StartWrite,
    //   "$II,XXXXXXXX,CC*" WriteLines, "$MIR*" ReadBack, "$MC,tt,CC*" Calculate,
    //   "$MO*" Output, any other "$...,CC*" Service.
    enum class Phase {
        None,
        Identify,
        Serial,
        Version,
        StartWrite,
        WriteLines,
        ReadBack,
        Calculate,
        Output,
        Service
    };

    struct Faults
    {
        bool wrongIdentity = false;     // "$?*" answered "@Wrongdevice"
        bool badSerialChecksum = false; // "@SN," reply with a wrong checksum
        bool badVersionChecksum = false;
        int badReadBackChecksumLine = -1; // this read-back index sent with a wrong checksum
        int wrongReadBackLine = -1;       // this read-back index echoes a different value
        bool wrongReadBackIndex =
            false; // last read-back line carries index 68 twice (last index not 69)
        bool wrongTypeEcho = false;     // type echo carries another code
        int badOutputChecksumLine = -1; // this output index sent with a wrong checksum
        bool notReady = false;          // "$MIW*" answered "@BUSY*"
        bool calcFails = false;         // "$MC" answered "@FAIL*"
        bool extraOk = false;           // one extra "@OK*" after the 70th acknowledgement
        // Read-back, output, write (notReady, extraOk) and calculate faults apply to this many
        // attempts of their phase counted from setFaults(), -1 = every attempt.
        int failingAttempts = -1;
        Phase silentIn = Phase::None; // never answer once this phase is reached (until a new
                                      // connection or setFaults())
        Phase dropIn = Phase::None;   // close the connection when this phase is reached
        int replyDelayMs = 0;         // delay before every reply (commands are answered in order)
        Phase noiseIn = Phase::None; // from this phase on, a line with a bad checksum every noiseMs
        int noiseMs = 50;
        // Last word on the replies to the first rewriteTimes commands (all when negative) that
        // begin with rewritePrefix, after the faults above (not when silent).
        QString rewritePrefix;
        int rewriteTimes = -1;
        std::function<void(QStringList& replies)> rewrite;
    };

    explicit DeviceSimulator(QObject* parent = nullptr);
    ~DeviceSimulator() override;

    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const;

    void setFaults(const Faults& faults);
    Faults faults() const;

    QStringList
    receivedLines() const; // every line received since start/clear, without CR LF, in order
    void clearReceived();
    int connectionCount() const; // connections accepted so far

    static constexpr qint32 SerialNumber = 20231117;
    static constexpr unsigned char Version = 0x35;

    // The deterministic calculation: 57 (result, reference) pairs from the 70 raw values
    // and the type code. For marker k (0..56):
    //   reference = 100 + (k * 37 + typeCode * 53) % 1901           (whole, 100..2000)
    //   result    = (raw[k] % 4001) / 2.0                           (0..2000 in steps of 0.5)
    //   except raw[k] == 10000000 gives result 10000000 exactly,
    //   and    raw[k] == 99999999 gives result -1 (sent as "-1").
    // So raw value 2*r (r <= 2000) yields result r. Raw values 57..69 do not enter the
    // calculation. Missing raw values count as 0.
    struct Result
    {
        double result;
        quint32 reference;
    };
    static QVector<Result> compute(const QVector<quint32>& raw, unsigned char typeCode);

  signals:
    void lineReceived(const QString& line);

  private:
    void onNewConnection();
    void onReadyRead();
    void processQueue();
    void sendDelayed();
    void writeReplies();
    QStringList answer(const QString& line);
    QStringList answerPhase(Phase phase, const QString& line);
    void sendNoise();
    QStringList answerData(const QString& line);
    QStringList readBack();
    QStringList output();
    static Phase phaseOf(const QString& line);
    bool faultActive(Phase phase) const;
    void dropConnection();

    QTcpServer* m_server = nullptr;
    QPointer<QTcpSocket> m_socket;
    QTimer* m_delayTimer = nullptr;
    QTimer* m_noiseTimer = nullptr;
    Faults m_faults;
    QStringList m_received;
    Framing::LineCollector m_collector;
    std::deque<QString> m_queue;
    QStringList m_delayed;
    int m_connections = 0;
    bool m_silent = false;
    bool m_writing = false;
    int m_acknowledged = 0;
    QVector<quint32> m_raw;
    unsigned char m_typeCode = 0;
    int m_attempts[10] = {};
    int m_rewritten = 0;
};
