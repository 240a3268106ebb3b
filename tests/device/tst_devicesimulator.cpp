#include <QtTest>

#include <QTcpSocket>

#include "device/framing.h"
#include "devicesim/devicesimulator.h"

using Faults = DeviceSimulator::Faults;
using Phase = DeviceSimulator::Phase;

namespace {
// A hand-driven client: sends raw bytes, collects reply lines while the event loop runs.
class Client
{
public:
    explicit Client(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        QDeadlineTimer deadline(3000);
        while (m_socket.state() != QAbstractSocket::ConnectedState && !deadline.hasExpired())
            QTest::qWait(5);
    }
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    void command(const QString& text, bool plain = true) { send(Framing::buildFrame(text, plain).toLatin1()); }
    // Waits until `count` lines are there (or time runs out) and takes them.
    QStringList take(int count, int timeoutMs = 3000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (m_lines.size() < count && !deadline.hasExpired()) {
            QTest::qWait(5);
            m_lines += m_collector.feed(m_socket.readAll());
        }
        const QStringList taken = m_lines.mid(0, count);
        m_lines = m_lines.mid(taken.size());
        return taken;
    }
    QStringList leftover(int waitMs = 150)
    {
        QTest::qWait(waitMs);
        m_lines += m_collector.feed(m_socket.readAll());
        const QStringList rest = m_lines;
        m_lines.clear();
        return rest;
    }
    bool waitDisconnected(int timeoutMs = 3000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (m_socket.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
            QTest::qWait(5);
        return m_socket.state() == QAbstractSocket::UnconnectedState;
    }

private:
    QTcpSocket m_socket;
    Framing::LineCollector m_collector;
    QStringList m_lines;
};

QVector<quint32> sampleRaw()
{
    QVector<quint32> raw;
    for (int i = 0; i < 70; ++i)
        raw.append(quint32(i) * 7919u + 1000u);
    return raw;
}

// "$MIW*", 70 data lines; returns every reply line up to and including "@DONE*".
QStringList writeAll(Client& c, const QVector<quint32>& raw, int expectedLines = 72)
{
    c.command(QStringLiteral("$MIW*"));
    QByteArray bytes;
    for (int i = 0; i < raw.size(); ++i)
        bytes += Framing::buildFrame(Framing::dataLineText(i, raw.at(i)), false).toLatin1();
    c.send(bytes);
    return c.take(expectedLines);
}
}  // namespace

class TestDeviceSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_sim.reset(new DeviceSimulator);
        QVERIFY(m_sim->listen());
    }

    void compute_data();
    void compute();
    void computeDemoSpread();
    void identification_data();
    void identification();
    void fullExchange();
    void splitAndJoinedSegments();
    void writeFaults_data();
    void writeFaults();
    void readBackFaults_data();
    void readBackFaults();
    void outputFaults();
    void calcFails();
    void failingAttemptsRecover();
    void silentAndDrop();
    void replyDelay();
    void serviceCommand_data();
    void serviceCommand();
    void newConnectionReplacesOld();

private:
    QScopedPointer<DeviceSimulator> m_sim;
};

void TestDeviceSimulator::compute_data()
{
    QTest::addColumn<int>("marker");
    QTest::addColumn<quint32>("raw");
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("result");
    QTest::addColumn<quint32>("reference");
    // reference = 100 + (37k + 53t) mod 1901, result = (raw mod 4001) / 2
    QTest::newRow("first marker type 0") << 0 << 834u << 0 << 417.0 << 100u;
    QTest::newRow("half result") << 3 << 835u << 10 << 417.5 << 741u;
    QTest::newRow("wraps at 4001") << 56 << 4001u * 3 + 9 << 20 << 4.5 << 1331u;
    QTest::newRow("reference wraps") << 50 << 0u << 7 << 0.0 << 100u + (1850 + 371) % 1901;
    QTest::newRow("exact large value") << 12 << 10000000u << 3 << 10000000.0 << 703u;
    QTest::newRow("missing marker") << 20 << 99999999u << 1 << -1.0 << 893u;
}

void TestDeviceSimulator::compute()
{
    QFETCH(int, marker);
    QFETCH(quint32, raw);
    QFETCH(int, type);
    QFETCH(double, result);
    QFETCH(quint32, reference);
    QVector<quint32> values(70, 2);
    values[marker] = raw;
    const auto results = DeviceSimulator::compute(values, static_cast<unsigned char>(type));
    QCOMPARE(results.size(), 57);
    QCOMPARE(results.at(marker).result, result);
    QCOMPARE(results.at(marker).reference, reference);
    if (marker > 0)
        QCOMPARE(results.at(marker - 1).result, 1.0);
}

void TestDeviceSimulator::computeDemoSpread()
{
    // Typical instrument areas: large, unrelated numbers.
    QVector<quint32> raw;
    quint32 x = 12345;
    for (int i = 0; i < 70; ++i) {
        x = x * 1103515245u + 12345u;
        raw.append(x % 5000000u);
    }
    for (unsigned char type : {0, 7, 20}) {
        int high = 0;
        for (const auto& r : DeviceSimulator::compute(raw, type)) {
            QVERIFY(r.reference >= 100 && r.reference <= 2000);
            if (r.result >= 2.0 * r.reference)
                ++high;
        }
        QVERIFY2(high > 0 && high < 28, qPrintable(QString::number(high)));
    }
}

void TestDeviceSimulator::identification_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("fault");  // 0 none, 1 identity, 2 serial checksum, 3 version checksum
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("checksumGood");
    QTest::newRow("identify") << "$?*" << 0 << "@Quendalivertyx" << false;
    QTest::newRow("wrong identity") << "$?*" << 1 << "@Wrongdevice" << false;
    QTest::newRow("serial") << "$RSN*" << 0 << "@SN,20231117," << true;
    QTest::newRow("bad serial") << "$RSN*" << 2 << "@SN,20231117," << false;
    QTest::newRow("version") << "$RCV*" << 0 << "@CV,35," << true;
    QTest::newRow("bad version") << "$RCV*" << 3 << "@CV,35," << false;
}

void TestDeviceSimulator::identification()
{
    QFETCH(QString, command);
    QFETCH(int, fault);
    QFETCH(QString, prefix);
    QFETCH(bool, checksumGood);
    Faults f;
    f.wrongIdentity = fault == 1;
    f.badSerialChecksum = fault == 2;
    f.badVersionChecksum = fault == 3;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    QVERIFY(c.connected());
    c.command(command);
    const QStringList reply = c.take(1);
    QCOMPARE(reply.size(), 1);
    QVERIFY2(reply.first().startsWith(prefix), qPrintable(reply.first()));
    if (command != QLatin1String("$?*"))
        QCOMPARE(Framing::checkReply(reply.first()), checksumGood);
    if (command == QLatin1String("$RSN*"))
        QCOMPARE(Framing::parseSerial(reply.first()), 20231117);
    if (command == QLatin1String("$RCV*"))
        QCOMPARE(int(Framing::parseVersion(reply.first())), 0x35);
    QVERIFY(c.leftover().isEmpty());
    QCOMPARE(m_sim->receivedLines(), QStringList{command});
}

void TestDeviceSimulator::fullExchange()
{
    Client c(m_sim->port());
    QVector<quint32> raw = sampleRaw();
    raw[0] = 10000000;
    raw[1] = 99999999;
    raw[2] = 835;
    const QStringList written = writeAll(c, raw);
    QCOMPARE(written.size(), 72);
    QCOMPARE(written.first(), QStringLiteral("@READY*"));
    QCOMPARE(written.mid(1, 70), QStringList(QVector<QString>(70, QStringLiteral("@OK*")).toList()));
    QCOMPARE(written.last(), QStringLiteral("@DONE*"));

    c.command(QStringLiteral("$MIR*"));
    const QStringList back = c.take(71);
    QCOMPARE(back.size(), 71);
    for (int i = 0; i < 70; ++i) {
        QVERIFY2(Framing::checkReply(back.at(i)), qPrintable(back.at(i)));
        const auto line = Framing::parseReadBack(back.at(i));
        QCOMPARE(line.index, i);
        QCOMPARE(line.value, raw.at(i));
    }
    QCOMPARE(back.last(), QStringLiteral("@DONE*"));

    c.command(Framing::calculateText(10), false);
    QCOMPARE(c.take(1), QStringList{QStringLiteral("@DONE*")});
    c.command(QStringLiteral("$MO*"));
    const QStringList out = c.take(59);
    QCOMPARE(out.size(), 59);
    QVERIFY(out.first().startsWith(QLatin1String("@TR-0")));
    QVERIFY(Framing::checkReply(out.first()));
    QCOMPARE(Framing::parseTypeEcho(out.first()), 10);
    // Exact wire text of the special values.
    QVERIFY2(out.at(1).startsWith(QLatin1String("#00,10000000,276,")), qPrintable(out.at(1)));
    QVERIFY2(out.at(2).startsWith(QLatin1String("#01,-1,")), qPrintable(out.at(2)));
    QVERIFY2(out.at(3).startsWith(QLatin1String("#02,417.5,")), qPrintable(out.at(3)));
    const auto expected = DeviceSimulator::compute(raw, 10);
    for (int k = 0; k < 57; ++k) {
        QVERIFY2(Framing::checkReply(out.at(k + 1)), qPrintable(out.at(k + 1)));
        const auto line = Framing::parseOutput(out.at(k + 1));
        QVERIFY(line.wellFormed);
        QCOMPARE(line.index, k);
        QCOMPARE(line.result, expected.at(k).result);
        QCOMPARE(line.norm, double(expected.at(k).reference));
    }
    QCOMPARE(out.last(), QStringLiteral("@DONE*"));
    QVERIFY(c.leftover().isEmpty());
    QCOMPARE(m_sim->receivedLines().size(), 1 + 70 + 3);
    QCOMPARE(m_sim->receivedLines().at(5), QString(Framing::buildFrame(Framing::dataLineText(4, raw.at(4)), false).trimmed()));
}

void TestDeviceSimulator::splitAndJoinedSegments()
{
    Client c(m_sim->port());
    QSignalSpy received(m_sim.data(), &DeviceSimulator::lineReceived);
    c.send("$?");
    QTest::qWait(50);
    c.send("*\r");
    QTest::qWait(50);
    c.send("\n$RSN*\r\n$RC");
    QTest::qWait(50);
    c.send("V*\r\n");
    const QStringList replies = c.take(3);
    QCOMPARE(replies.size(), 3);
    QVERIFY(replies.at(0).startsWith(QLatin1String("@Quendalivertyx")));
    QVERIFY(replies.at(1).startsWith(QLatin1String("@SN,")));
    QVERIFY(replies.at(2).startsWith(QLatin1String("@CV,")));
    QCOMPARE(received.count(), 3);
    QCOMPARE(m_sim->receivedLines(), (QStringList{"$?*", "$RSN*", "$RCV*"}));
    m_sim->clearReceived();
    QVERIFY(m_sim->receivedLines().isEmpty());
}

void TestDeviceSimulator::writeFaults_data()
{
    QTest::addColumn<bool>("notReady");
    QTest::addColumn<bool>("extraOk");
    QTest::addColumn<QStringList>("replies");  // to "$MIW*", a good data line, a corrupted one
    QTest::newRow("not ready") << true << false << QStringList{"@BUSY*", "@ERR*", "@ERR*"};
    QTest::newRow("bad data checksum") << false << false << QStringList{"@READY*", "@OK*", "@ERR*"};
    QTest::newRow("extra ok") << false << true << QStringList{"@READY*", "@OK*", "@ERR*"};
}

void TestDeviceSimulator::writeFaults()
{
    QFETCH(bool, notReady);
    QFETCH(bool, extraOk);
    QFETCH(QStringList, replies);
    Faults f;
    f.notReady = notReady;
    f.extraOk = extraOk;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    c.command(QStringLiteral("$MIW*"));
    c.command(Framing::dataLineText(0, 5), false);
    c.send("$01,00000005,00*\r\n");
    QCOMPARE(c.take(3), replies);
    if (notReady)
        return;
    // A complete write: the 70th acknowledgement is followed by "@DONE*" (and one stray "@OK*").
    QStringList all = writeAll(c, sampleRaw(), 72);
    all += c.leftover();
    QCOMPARE(all.count(QStringLiteral("@OK*")), extraOk ? 71 : 70);
    QCOMPARE(all.size(), 1 + (extraOk ? 71 : 70) + 1);
    QCOMPARE(all.last(), QStringLiteral("@DONE*"));
}

void TestDeviceSimulator::readBackFaults_data()
{
    QTest::addColumn<int>("badChecksumLine");
    QTest::addColumn<int>("wrongValueLine");
    QTest::addColumn<bool>("wrongIndex");
    QTest::newRow("bad checksum at 5") << 5 << -1 << false;
    QTest::newRow("wrong value at 69") << -1 << 69 << false;
    QTest::newRow("index 68 twice") << -1 << -1 << true;
}

void TestDeviceSimulator::readBackFaults()
{
    QFETCH(int, badChecksumLine);
    QFETCH(int, wrongValueLine);
    QFETCH(bool, wrongIndex);
    Faults f;
    f.badReadBackChecksumLine = badChecksumLine;
    f.wrongReadBackLine = wrongValueLine;
    f.wrongReadBackIndex = wrongIndex;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    const QVector<quint32> raw = sampleRaw();
    QCOMPARE(writeAll(c, raw).size(), 72);
    c.command(QStringLiteral("$MIR*"));
    const QStringList back = c.take(71);
    QCOMPARE(back.size(), 71);
    for (int i = 0; i < 70; ++i) {
        const auto line = Framing::parseReadBack(back.at(i));
        QCOMPARE(Framing::checkReply(back.at(i)), i != badChecksumLine);
        QCOMPARE(line.value == raw.at(i), i != wrongValueLine);
        QCOMPARE(line.index, wrongIndex && i == 69 ? 68 : i);
    }
}

void TestDeviceSimulator::outputFaults()
{
    Faults f;
    f.wrongTypeEcho = true;
    f.badOutputChecksumLine = 30;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    c.command(Framing::calculateText(3), false);
    QCOMPARE(c.take(1), QStringList{QStringLiteral("@DONE*")});
    c.command(QStringLiteral("$MO*"));
    const QStringList out = c.take(59);
    QCOMPARE(out.size(), 59);
    QVERIFY(Framing::checkReply(out.first()));
    QVERIFY(Framing::parseTypeEcho(out.first()) != 3);
    for (int k = 0; k < 57; ++k)
        QCOMPARE(Framing::checkReply(out.at(k + 1)), k != 30);
}

void TestDeviceSimulator::calcFails()
{
    Faults f;
    f.calcFails = true;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    c.command(Framing::calculateText(3), false);
    QCOMPARE(c.take(1), QStringList{QStringLiteral("@FAIL*")});
    c.send("$MC,03,00*\r\n");  // a corrupted command is refused, never computed
    QCOMPARE(c.take(1), QStringList{QStringLiteral("@ERR*")});
}

void TestDeviceSimulator::failingAttemptsRecover()
{
    Faults f;
    f.wrongReadBackLine = 10;
    f.failingAttempts = 2;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    const QVector<quint32> raw = sampleRaw();
    writeAll(c, raw);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        c.command(QStringLiteral("$MIR*"));
        const QStringList back = c.take(71);
        QCOMPARE(back.size(), 71);
        QCOMPARE(Framing::parseReadBack(back.at(10)).value == raw.at(10), attempt == 3);
    }
}

void TestDeviceSimulator::silentAndDrop()
{
    Faults f;
    f.silentIn = Phase::Serial;
    m_sim->setFaults(f);
    {
        Client c(m_sim->port());
        c.command(QStringLiteral("$?*"));
        QCOMPARE(c.take(1).size(), 1);
        c.command(QStringLiteral("$RSN*"));
        c.command(QStringLiteral("$?*"));
        QVERIFY(c.leftover(300).isEmpty());
    }
    f = Faults();
    f.dropIn = Phase::Calculate;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    c.command(QStringLiteral("$RCV*"));
    QCOMPARE(c.take(1).size(), 1);
    c.command(Framing::calculateText(1), false);
    QVERIFY(c.waitDisconnected());
    QVERIFY(c.leftover(0).isEmpty());
    QCOMPARE(m_sim->connectionCount(), 2);
}

void TestDeviceSimulator::replyDelay()
{
    Faults f;
    f.replyDelayMs = 400;
    m_sim->setFaults(f);
    Client c(m_sim->port());
    c.command(QStringLiteral("$?*"));
    c.command(QStringLiteral("$RCV*"));
    QVERIFY(c.take(1, 100).isEmpty());
    const QStringList replies = c.take(2, 5000);
    QCOMPARE(replies.size(), 2);
    QVERIFY(replies.at(0).startsWith(QLatin1String("@Quendalivertyx")));
    QVERIFY(replies.at(1).startsWith(QLatin1String("@CV,")));
}

void TestDeviceSimulator::serviceCommand_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reply");
    QTest::newRow("good checksum") << Framing::buildFrame(QStringLiteral("$SRV,1"), false).toLatin1() << "@OK*";
    QTest::newRow("bad checksum") << QByteArray("$SRV,1,00*\r\n") << "@ERR*";
}

void TestDeviceSimulator::serviceCommand()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reply);
    Client c(m_sim->port());
    c.send(bytes);
    QCOMPARE(c.take(1), QStringList{reply});
    QVERIFY(c.leftover().isEmpty());
}

void TestDeviceSimulator::newConnectionReplacesOld()
{
    Client first(m_sim->port());
    first.send("$?");  // half a line left behind must not leak into the next client
    QTest::qWait(50);
    Client second(m_sim->port());
    QVERIFY(first.waitDisconnected());
    second.send("*\r\n$RSN*\r\n");
    const QStringList replies = second.take(1);
    QCOMPARE(replies.size(), 1);
    QVERIFY(replies.first().startsWith(QLatin1String("@")));
    QCOMPARE(m_sim->receivedLines(), (QStringList{"*", "$RSN*"}));
    QCOMPARE(m_sim->connectionCount(), 2);
}

QTEST_GUILESS_MAIN(TestDeviceSimulator)
#include "tst_devicesimulator.moc"
