#include <QtTest>

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include "device/devicelink.h"
#include "device/framing.h"
#include "device_test_util.h"

namespace {
const int ReadBackMs = 300;
const int OutputMs = 200;

// A hand-written device on a real loopback socket whose replies each test can rewrite.
// Result of marker k: raw[k] / 2; reference: 100 + k.
class ScriptedDevice : public QObject
{
public:
    using Hook = std::function<void(QStringList& replies, int attempt)>;
    Hook readBack;
    Hook output;
    std::function<void(QStringList& replies, int index, int attempt)> writeLine;
    bool splitWrites = false;   // every reply batch arrives in two deliveries
    QStringList received;

    ScriptedDevice()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                m_socket = s;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadyRead(s); });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    int count(const QString& prefix) const
    {
        int n = 0;
        for (const QString& l : received)
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    void onReadyRead(QTcpSocket* s)
    {
        for (const QString& line : m_collector.feed(s->readAll())) {
            received << line;
            const QStringList replies = answer(line);
            if (replies.isEmpty())
                continue;
            const QByteArray bytes = QString(replies.join(QLatin1String("\r\n")) % QLatin1String("\r\n")).toLatin1();
            if (!splitWrites) {
                s->write(bytes);
                continue;
            }
            const int half = bytes.size() / 2 + 1;
            s->write(bytes.left(half));
            s->flush();
            QPointer<QTcpSocket> guard(s);
            QTimer::singleShot(3, this, [guard, rest = bytes.mid(half)] {
                if (guard)
                    guard->write(rest);
            });
        }
    }

    QStringList answer(const QString& line)
    {
        if (line == QLatin1String("$MIW*")) {
            ++m_writeAttempt;
            m_acks = 0;
            return {QStringLiteral("@READY*")};
        }
        if (line == QLatin1String("$MIR*"))
            return readBackLines();
        if (line == QLatin1String("$MO*"))
            return outputLines();
        if (line == QLatin1String("$RSN*"))
            return {RefCrc::checked(QStringLiteral("@SN,00000042"))};
        if (line == QLatin1String("$RCV*"))
            return {RefCrc::checked(QStringLiteral("@CV,07"))};
        if (line.startsWith(QLatin1String("$MC,"))) {
            m_type = line.midRef(4, 2).toInt(nullptr, 16);
            return {QStringLiteral("@DONE*")};
        }
        const int index = line.midRef(1, 2).toInt();
        m_raw[index] = line.midRef(4, 8).toUInt(nullptr, 16);
        QStringList replies{QStringLiteral("@OK*")};
        if (++m_acks >= 70)
            replies << QStringLiteral("@DONE*");
        if (writeLine)
            writeLine(replies, index, m_writeAttempt);
        return replies;
    }

    QStringList readBackLines()
    {
        QStringList lines;
        for (int i = 0; i < 70; ++i)
            lines << RefCrc::checked(QString::asprintf("#%02d,%08X", i, m_raw[i]));
        lines << QStringLiteral("@DONE*");
        if (readBack)
            readBack(lines, ++m_readAttempt);
        return lines;
    }

    QStringList outputLines()
    {
        QStringList lines{RefCrc::checked(QString::asprintf("@TR-%02x", m_type))};
        for (int k = 0; k < 57; ++k)
            lines << RefCrc::checked(QString::asprintf("#%02d,%g,%X", k, m_raw[k] / 2.0, 100 + k));
        lines << QStringLiteral("@DONE*");
        if (output)
            output(lines, ++m_outputAttempt);
        return lines;
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    Framing::LineCollector m_collector;
    quint32 m_raw[70] = {};
    int m_type = 0;
    int m_acks = 0;
    int m_writeAttempt = 0;
    int m_readAttempt = 0;
    int m_outputAttempt = 0;
};

QStringList raw()
{
    QStringList r;
    for (int i = 0; i < 70; ++i)
        r << QString::number(1000 + 3 * i);
    return r;
}
}  // namespace

class TestDeviceLinkEdges : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readBackBadLine_data();
    void readBackBadLine();
    void outputBadLine_data();
    void outputBadLine();
    void outputRecoversAfterMalformedLine();
    void earlyDoneInOutput();
    void lowerCaseTypeEcho();
    void writeDoneOneShort_data();
    void writeDoneOneShort();
    void readBackWithoutDone_data();
    void readBackWithoutDone();
    void repliesSplitOverDeliveries();

private:
    // -1 while running; the failure code; or 100 for results.
    int run(unsigned char type = 10);
    void checkResults();

    ScriptedDevice* m_dev = nullptr;
    DeviceLink* m_link = nullptr;
};

void TestDeviceLinkEdges::init()
{
    m_dev = new ScriptedDevice;
    m_link = new DeviceLink;
    const quint16 port = m_dev->port();
    m_link->setEndpointProvider([port] { return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port}; });
    m_link->setPhaseTimeouts(ReadBackMs, 500, OutputMs);
}

void TestDeviceLinkEdges::cleanup()
{
    delete m_link;
    delete m_dev;
}

int TestDeviceLinkEdges::run(unsigned char type)
{
    int outcome = -1;
    int signals_ = 0;
    QMetaObject::Connection a = connect(m_link, &DeviceLink::calculationFailed, this, [&](int code) {
        outcome = code;
        ++signals_;
    });
    QMetaObject::Connection b = connect(m_link, &DeviceLink::resultsReady, this, [&] {
        outcome = 100;
        ++signals_;
    });
    m_link->startCalculation(raw(), type);
    const bool ended = waitUntil([&] { return outcome >= 0 && m_link->step() == DeviceLink::Closed; }, 20000);
    disconnect(a);
    disconnect(b);
    return ended && signals_ == 1 ? outcome : -1;
}

void TestDeviceLinkEdges::checkResults()
{
    for (int k = 0; k < 57; ++k) {
        QCOMPARE(m_link->resultValues().at(k), (1000 + 3 * k) / 2.0);
        QCOMPARE(m_link->normValues().at(k), double(100 + k));
    }
}

void TestDeviceLinkEdges::readBackBadLine_data()
{
    QTest::addColumn<QString>("extra");
    QTest::newRow("index 70") << RefCrc::checked(QStringLiteral("#70,00000000"));
    QTest::newRow("index 99") << RefCrc::checked(QStringLiteral("#99,00000000"));
    QTest::newRow("index -1") << RefCrc::checked(QStringLiteral("#-1,00000000"));
}

void TestDeviceLinkEdges::readBackBadLine()
{
    QFETCH(QString, extra);
    m_dev->readBack = [extra](QStringList& lines, int) { lines.insert(lines.size() - 1, extra); };
    QCOMPARE(run(), 1);
    QCOMPARE(m_dev->count(QStringLiteral("$MIR*")), 5);
    QCOMPARE(m_dev->count(QStringLiteral("$MC")), 0);
}

void TestDeviceLinkEdges::outputBadLine_data()
{
    QTest::addColumn<int>("line");   // line of the reply batch to replace; -1 inserts before "@DONE*"
    QTest::addColumn<QString>("text");
    QTest::newRow("index 57") << -1 << RefCrc::checked(QStringLiteral("#57,1,1"));
    QTest::newRow("index 99") << -1 << RefCrc::checked(QStringLiteral("#99,5,A"));
    QTest::newRow("B not followed by comma") << 11 << RefCrc::checked(QStringLiteral("#10,5"));
    QTest::newRow("A not followed by comma") << 11 << RefCrc::checked(QStringLiteral("#10"));
    const unsigned char wrong = RefCrc::crc8("10,500,6E") ^ 0x5A;
    QTest::newRow("bad checksum") << 11 << QString::asprintf("#10,500,6E,%02X*", wrong);
    QTest::newRow("type echo missing") << 0 << QString();
    QTest::newRow("type echo differs") << 0 << RefCrc::checked(QStringLiteral("@TR-0B"));
}

void TestDeviceLinkEdges::outputBadLine()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    m_dev->output = [line, text](QStringList& lines, int) {
        if (line < 0)
            lines.insert(lines.size() - 1, text);
        else if (text.isEmpty())
            lines.removeAt(line);
        else
            lines[line] = text;
    };
    QCOMPARE(run(10), 3);
    QCOMPARE(m_dev->count(QStringLiteral("$MO*")), 5);
    QVERIFY(!m_dev->received.contains(QStringLiteral("$RSN*")));
}

void TestDeviceLinkEdges::outputRecoversAfterMalformedLine()
{
    m_dev->output = [](QStringList& lines, int attempt) {
        if (attempt == 1)
            lines[11] = RefCrc::checked(QStringLiteral("#10,999"));
    };
    QCOMPARE(run(), 100);
    QCOMPARE(m_dev->count(QStringLiteral("$MO*")), 2);
    checkResults();
}

void TestDeviceLinkEdges::earlyDoneInOutput()
{
    m_dev->output = [](QStringList& lines, int) { lines.insert(31, QStringLiteral("@DONE*")); };
    QCOMPARE(run(), 100);
    QCOMPARE(m_dev->count(QStringLiteral("$MO*")), 1);
    checkResults();
}

void TestDeviceLinkEdges::lowerCaseTypeEcho()
{
    // "$MC,0a" is echoed as "@TR-0A" by this device; "@TR-0a" must match as well.
    m_dev->output = [](QStringList& lines, int) { lines[0] = RefCrc::checked(QStringLiteral("@TR-0A")); };
    QCOMPARE(run(10), 100);
    m_dev->received.clear();
    m_dev->output = [](QStringList& lines, int) { lines[0] = RefCrc::checked(QStringLiteral("@TR-0a")); };
    QCOMPARE(run(10), 100);
    QCOMPARE(m_dev->count(QStringLiteral("$MO*")), 1);
    QVERIFY(m_dev->received.contains(RefCrc::checked(QStringLiteral("$MC,0a"))));
}

void TestDeviceLinkEdges::writeDoneOneShort_data()
{
    QTest::addColumn<bool>("everyTime");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("starts");
    QTest::newRow("once: line 69 sent again") << false << 100 << 1;
    QTest::newRow("always: counts as a failed write") << true << 0 << 5;
}

void TestDeviceLinkEdges::writeDoneOneShort()
{
    QFETCH(bool, everyTime);
    QFETCH(int, outcome);
    QFETCH(int, starts);
    int shortDone = 0;
    m_dev->writeLine = [&, everyTime](QStringList& replies, int index, int) {
        if (index == 69 && (everyTime || shortDone == 0)) {
            replies = QStringList{QStringLiteral("@DONE*")};
            ++shortDone;
        }
    };
    QCOMPARE(run(), outcome);
    QCOMPARE(m_dev->count(QStringLiteral("$MIW*")), starts);
    if (!everyTime) {
        QCOMPARE(m_dev->count(QStringLiteral("$69,")), 2);
        checkResults();
    } else {
        QCOMPARE(m_dev->count(QStringLiteral("$69,")), 10);
    }
}

void TestDeviceLinkEdges::readBackWithoutDone_data()
{
    QTest::addColumn<int>("silentAttempts");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("attempts");
    QTest::newRow("first attempt") << 1 << 100 << 2;
    QTest::newRow("every attempt") << 99 << 1 << 5;
}

void TestDeviceLinkEdges::readBackWithoutDone()
{
    QFETCH(int, silentAttempts);
    QFETCH(int, outcome);
    QFETCH(int, attempts);
    m_dev->readBack = [silentAttempts](QStringList& lines, int attempt) {
        if (attempt <= silentAttempts)
            lines.removeLast();
    };
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run(), outcome);
    QCOMPARE(m_dev->count(QStringLiteral("$MIR*")), attempts);
    // All lines matched, so a late "@DONE*" gets one more period before the retry.
    // (Coarse timers may fire up to 5 % early.)
    QVERIFY(clock.elapsed() >= 2 * ReadBackMs * qMin(silentAttempts, attempts) * 9 / 10);
}

void TestDeviceLinkEdges::repliesSplitOverDeliveries()
{
    m_dev->splitWrites = true;
    QCOMPARE(run(), 100);
    QCOMPARE(m_dev->count(QStringLiteral("$MIW*")), 1);
    QCOMPARE(m_dev->count(QStringLiteral("$MIR*")), 1);
    QCOMPARE(m_dev->count(QStringLiteral("$MO*")), 1);
    QCOMPARE(m_link->serialNumber(), 42);
    QCOMPARE(int(m_link->version()), 7);
    checkResults();
}

QTEST_GUILESS_MAIN(TestDeviceLinkEdges)
#include "tst_devicelink_edges.moc"
