#include <QtTest>

#include <QTcpSocket>

#include "device/framing.h"
#include "device_test_util.h"
#include "devicesim/devicesimulator.h"

// The link tests drive the simulator through whole exchanges and every fault; what is
// left here is what the link never sends: odd framing, refusals, a second client.
namespace {
class Client
{
public:
    explicit Client(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(3000);
    }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // Waits until `count` reply lines are there (or time runs out) and takes them.
    QStringList take(int count)
    {
        waitUntil([&] {
            m_lines += m_collector.feed(m_socket.readAll());
            return m_lines.size() >= count;
        }, 3000);
        const QStringList taken = m_lines.mid(0, count);
        m_lines = m_lines.mid(taken.size());
        return taken;
    }
    bool waitDisconnected()
    {
        return waitUntil([&] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, 3000);
    }

private:
    QTcpSocket m_socket;
    Framing::LineCollector m_collector;
    QStringList m_lines;
};

QByteArray frame(const QString& text)
{
    return Framing::buildFrame(text, false).toLatin1();
}
}  // namespace

class TestDeviceSimulator : public QObject
{
    Q_OBJECT
private slots:
    void compute_data();
    void compute();
    void replies_data();
    void replies();
    void newConnectionReplacesOld();
};

void TestDeviceSimulator::compute_data()
{
    QTest::addColumn<int>("marker");
    QTest::addColumn<quint32>("raw");
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("result");
    QTest::addColumn<quint32>("reference");
    QTest::newRow("first marker type 0") << 0 << 834u << 0 << 417.0 << 100u;
    QTest::newRow("half result") << 3 << 835u << 10 << 417.5 << 741u;
    QTest::newRow("result wraps at 4001") << 56 << 4001u * 3 + 9 << 20 << 4.5 << 1331u;
    QTest::newRow("reference wraps at 1901") << 50 << 0u << 7 << 0.0 << 420u;
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
}

void TestDeviceSimulator::replies_data()
{
    QTest::addColumn<QList<QByteArray>>("deliveries");   // sent a moment apart
    QTest::addColumn<QStringList>("replies");            // the first replies, in order
    QTest::newRow("split and joined lines") << QList<QByteArray>{"$?", "*\r", "\n$RSN*\r\n$RC", "V*\r\n"}
                                            << QStringList{"@Quendalivertyx v2", RefCrc::checked("@SN,20231117"),
                                                           RefCrc::checked("@CV,35")};
    QTest::newRow("data line outside a write refused") << QList<QByteArray>{frame(Framing::dataLineText(0, 5))}
                                                       << QStringList{"@ERR*"};
    QTest::newRow("bad checksums refused")
        << QList<QByteArray>{QByteArray("$MIW*\r\n" + frame(Framing::dataLineText(0, 5))
                                        + "$01,00000005,00*\r\n$MC,03,00*\r\n$SRV,1,00*\r\n"
                                        + frame(QStringLiteral("$SRV,1")))}
        << QStringList{"@READY*", "@OK*", "@ERR*", "@ERR*", "@ERR*", "@OK*"};
    // Wire text of the special results, decimal point and upper-case reference.
    QTest::newRow("output text")
        << QList<QByteArray>{QByteArray("$MIW*\r\n" + frame(Framing::dataLineText(0, 10000000))
                                        + frame(Framing::dataLineText(1, 99999999))
                                        + frame(Framing::dataLineText(2, 835)) + frame(Framing::calculateText(10))
                                        + "$MO*\r\n")}
        << QStringList{"@READY*", "@OK*", "@OK*", "@OK*", "@DONE*", RefCrc::checked("@TR-0A"),
                       RefCrc::checked("#00,10000000,276"), RefCrc::checked("#01,-1,29B"),
                       RefCrc::checked("#02,417.5,2C0"), RefCrc::checked("#03,0,2E5")};
}

void TestDeviceSimulator::replies()
{
    QFETCH(QList<QByteArray>, deliveries);
    QFETCH(QStringList, replies);
    DeviceSimulator sim;
    QVERIFY(sim.listen());
    Client c(sim.port());
    for (const QByteArray& d : deliveries) {
        c.send(d);
        QTest::qWait(30);
    }
    QCOMPARE(c.take(replies.size()), replies);
}

void TestDeviceSimulator::newConnectionReplacesOld()
{
    DeviceSimulator sim;
    QVERIFY(sim.listen());
    Client first(sim.port());
    first.send("$?");   // half a line left behind must not leak into the next client
    QTest::qWait(50);
    Client second(sim.port());
    QVERIFY(first.waitDisconnected());
    second.send("*\r\n$RSN*\r\n");
    QCOMPARE(second.take(1), QStringList{RefCrc::checked("@SN,20231117")});
    QCOMPARE(sim.receivedLines(), (QStringList{"*", "$RSN*"}));
    QCOMPARE(sim.connectionCount(), 2);
}

QTEST_GUILESS_MAIN(TestDeviceSimulator)
#include "tst_devicesimulator.moc"
