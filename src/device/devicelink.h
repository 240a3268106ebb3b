#pragma once

#include <QAbstractSocket>
#include <QBitArray>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "device/framing.h"

class QTcpSocket;
class QTimer;

// The conversation with the calculation device: one TCP connection, one command per
// step, retries of a failed phase, and the outcome reported through signals.
// Three kinds of exchange share the socket: the device check (identity, serial number,
// version), the calculation (write, read back, calculate, output) and a service command.
// Starting an exchange aborts the one that is running.
class DeviceLink : public QObject
{
    Q_OBJECT
  public:
    enum Step : unsigned char {
        Closed,
        Identify,
        ReadSerial,
        ReadVersion,
        StartWrite,
        WriteLines,
        StartReadBack,
        ReadBack,
        Calculate,
        StartOutput,
        ReadOutput,
        ServiceCommand
    };
    Q_ENUM(Step)

    enum class Status { Connecting, Connected, WrongIdentity, BadSerial, BadVersion, SocketError };
    Q_ENUM(Status)

    // How a calculation that failed with code 4 ended: the device could not be reached at all,
    // the connection broke during the exchange, or the operator stopped it.
    enum class Break { None, Unreachable, Lost, Stopped };

    struct Endpoint
    {
        QString host;
        quint16 port = 0;
    };

    static constexpr int RawValueCount = 70;
    static constexpr int ResultCount = 57;
    static constexpr int RefreshIntervalMs = 120000;
    static constexpr int ReadTimeoutMs = 10000;
    static constexpr int CalculateTimeoutMs = 60000;
    static constexpr int OutputTimeoutMs = 10000;
    static constexpr int MaxRetries = 4;

    explicit DeviceLink(QObject* parent = nullptr);
    ~DeviceLink() override;

    // Where to connect; asked at every connect. Without a provider: 127.0.0.1:9761.
    void setEndpointProvider(std::function<Endpoint()> provider);
    // Port 9761 when localVersion, else the decimal port text modulo 65536.
    static Endpoint endpointFor(const QString& ip, const QString& port, bool localVersion);

    void startCheck();
    void startCalculation(const QStringList& rawValues, unsigned char typeCode);
    // The unlock word emits serviceUnlocked(); a text beginning "$" is sent with its
    // checksum and the link closes at the first reply. Returns false for anything else.
    bool startService(const QString& text);
    void nw_proc_Disconnect();
    void updateNetwork();
    void startPolling();
    // The user's way out of a hung calculation: ends it as a lost connection does
    // (calculationFailed(4)) and closes the link. False when no calculation runs.
    bool stopCalculation();
    bool calculating() const { return m_exchange == Exchange::Calculation && m_step != Closed; }
    Break lastBreak() const { return m_break; }

    // The reply line being handled (the receive line buffer): checksum check, and the
    // payload read by reply kind (2 version, 3 read-back line, 4 output or type echo
    // line, 5 serial number). Outside the handling of a line there is none.
    bool nw_proc_CheckCRCMessage() const;
    void nw_proc_ReadCount(uchar count);

    // Bytes as the socket delivers them: collected into lines, each handled in turn. The
    // socket's readyRead passes what it reads; the fuzz target feeds replies without a device.
    void receiveBytes(const QByteArray& bytes);

    bool deviceAvailable() const { return m_available; }
    void setDeviceAvailable(bool available) { m_available = available; }
    Step step() const { return m_step; }
    qint32 serialNumber() const { return m_serial; }
    unsigned char version() const { return m_version; }
    const QVector<double>& resultValues() const { return m_results; }
    const QVector<double>& normValues() const { return m_norms; }
    // Repeating, 120000 ms; its owner binds timeout() to startCheck() at sign-in.
    QTimer* refreshTimer() { return m_refreshTimer; }
    QTimer* readTimeoutTimer() { return m_readTimer; }

    // Silence limits: each write reply and the read back, the calculation, the whole output.
    void setPhaseTimeouts(int readBackMs, int calculateMs, int outputMs);

    static const char* unlockWord();
    static QString statusText(Status s, const QString& connectedText,
                              const QString& connectingText);

  signals:
    void stageAdvanced();
    void statusChanged(DeviceLink::Status status);
    void calculationFailed(int code);
    void resultsReady();
    void lineLogged(const QString& line, bool outgoing);
    void socketError(const QString& description, bool showBox);
    void serviceUnlocked();

  private:
    enum class Exchange { None, Check, Calculation, Service };

    void nw_proc_Connect(Exchange kind, Step first);
    void nw_proc_TCP_SendCommand();
    void nw_proc_Send(const QString& text, bool special);
    void nw_proc_SendTCPdata(const QString& s);
    void onConnected();
    void nw_proc_readFortune();
    void nw_proc_displayError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void nw_proc_TimeOut_Read();
    void connectionLost(const QString& description);
    void nw_proc_ParsingMessage();
    void handleCheckReply();
    void handleWriteReply();
    void handleReadBackLine();
    void handleOutputLine();
    void storeOutput();
    void failAttempt(bool expired);
    void giveUp(int code);
    void arm(int ms);
    void finish(); // closes and lets the refresh timer run again
    void close();

    QTcpSocket* m_socket = nullptr;
    QTimer* m_readTimer = nullptr;
    QTimer* m_refreshTimer = nullptr;
    std::function<Endpoint()> m_endpoint;

    Exchange m_exchange = Exchange::None;
    Step m_step = Closed;
    Step m_next = Closed;
    quint64 m_generation = 0; // changes whenever an exchange starts or the link closes
    Framing::LineCollector m_collector;
    QString m_line;

    int m_lineCounter = 0;
    bool m_mismatch = false;
    int m_retries = 0;
    bool m_graceUsed = false;  // read back: one extra wait for a late "@DONE*"
    bool m_resentLast = false; // write: data line 69 sent again once per attempt
    bool m_echoSeen = false;
    bool m_identityAfterCalculation = false; // the serial number read that ends a calculation
    QBitArray m_seen;

    bool m_connected = false; // the socket connected during the exchange under way
    Break m_break = Break::None;
    qint32 m_serial = 0;
    unsigned char m_version = 0;
    bool m_available = true;
    bool m_errorShown = false;

    QVector<qint64> m_raw;
    unsigned char m_typeCode = 0;
    QVector<double> m_results;
    QVector<double> m_norms;
    QString m_serviceText;

    int m_readBackMs = ReadTimeoutMs;
    int m_calculateMs = CalculateTimeoutMs;
    int m_outputMs = OutputTimeoutMs;
};
