#include <QtTest>

#include <QTcpSocket>

#include "device/framing.h"
#include "device_test_util.h"
#include "devicesim/devicesimulator.h"

// The link tests drive the simulator through whole exchanges and every fault; what is
// left here is its arithmetic, what the link never sends (refusals) and a second client.
namespace {
QTcpSocket* connectTo(QObject* owner, quint16 port)
{
    auto* socket = new QTcpSocket(owner);
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->waitForConnected(3000);
    return socket;
}

// Sends the bytes and gives the first `count` reply lines (fewer when time runs out).
QStringList exchange(QTcpSocket* socket, const QByteArray& bytes, int count)
{
    socket->write(bytes);
    Framing::LineCollector collector;
    QStringList lines;
    waitUntil([&] {
        lines += collector.feed(socket->readAll());
        return lines.size() >= count;
    }, 3000);
    return lines.mid(0, count);
}

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
    // Half results, large values and missing markers show in the output text below.
    QTest::newRow("first marker type 0") << 0 << 834u << 0 << 417.0 << 100u;
    QTest::newRow("result wraps at 4001") << 56 << 4001u * 3 + 9 << 20 << 4.5 << 1331u;
    QTest::newRow("reference wraps at 1901") << 50 << 0u << 7 << 0.0 << 420u;
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
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("replies");   // the first replies, in order
    QTest::newRow("refusals")
        << QByteArray(frame(Framing::dataLineText(0, 5)) + "$MIW*\r\n" + frame(Framing::dataLineText(0, 5))
                      + "$01,00000005,00*\r\n$MC,03,00*\r\n$SRV,1,00*\r\n" + frame(QStringLiteral("$SRV,1")))
        << QStringList{"@ERR*", "@READY*", "@OK*", "@ERR*", "@ERR*", "@ERR*", "@OK*"};
    // Wire text of the special results, decimal point and upper-case reference.
    QTest::newRow("output text")
        << QByteArray("$MIW*\r\n" + frame(Framing::dataLineText(0, 10000000))
                      + frame(Framing::dataLineText(1, 99999999)) + frame(Framing::dataLineText(2, 835))
                      + frame(Framing::calculateText(10)) + "$MO*\r\n")
        << QStringList{"@READY*", "@OK*", "@OK*", "@OK*", "@DONE*", RefCrc::checked("@TR-0A"),
                       RefCrc::checked("#00,10000000,276"), RefCrc::checked("#01,-1,29B"),
                       RefCrc::checked("#02,417.5,2C0"), RefCrc::checked("#03,0,2E5")};
}

void TestDeviceSimulator::replies()
{
    QFETCH(QByteArray, sent);
    QFETCH(QStringList, replies);
    DeviceSimulator sim;
    QVERIFY(sim.listen());
    QCOMPARE(exchange(connectTo(&sim, sim.port()), sent, replies.size()), replies);
}

void TestDeviceSimulator::newConnectionReplacesOld()
{
    DeviceSimulator sim;
    QVERIFY(sim.listen());
    QTcpSocket* first = connectTo(&sim, sim.port());
    first->write("$?");   // half a line left behind must not leak into the next client
    QTest::qWait(50);
    QTcpSocket* second = connectTo(&sim, sim.port());
    QVERIFY(waitUntil([&] { return first->state() == QAbstractSocket::UnconnectedState; }, 3000));
    QCOMPARE(exchange(second, "*\r\n$RSN*\r\n", 1), QStringList{RefCrc::checked("@SN,20231117")});
    QCOMPARE(sim.receivedLines(), (QStringList{"*", "$RSN*"}));
    QCOMPARE(sim.connectionCount(), 2);
}

QTEST_GUILESS_MAIN(TestDeviceSimulator)
#include "tst_devicesimulator.moc"
