#include <QtTest>

#include <QTcpSocket>

#include "device/framing.h"
#include "device_test_util.h"
#include "devicesim/devicesimulator.h"

// The link tests drive the simulator through whole exchanges and every fault; what is
// left here is its output text, what the link never sends (refusals) and a second client.
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
    void replies_data();
    void replies();
    void newConnectionReplacesOld();
};

void TestDeviceSimulator::replies_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("replies");   // the first replies, in order
    QTest::newRow("refusals")
        << QByteArray(frame(Framing::dataLineText(0, 5)) + "$MIW*\r\n" + frame(Framing::dataLineText(0, 5))
                      + "$01,00000005,00*\r\n$MC,03,00*\r\n$SRV,1,00*\r\n" + frame(QStringLiteral("$SRV,1")))
        << QStringList{"@ERR*", "@READY*", "@OK*", "@ERR*", "@ERR*", "@ERR*", "@OK*"};
    // The special results, a decimal point, results wrapping at 4001, references wrapping
    // at 1901 and written in upper case.
    QTest::newRow("output text")
        << QByteArray("$MIW*\r\n" + frame(Framing::dataLineText(0, 10000000))
                      + frame(Framing::dataLineText(1, 99999999)) + frame(Framing::dataLineText(2, 4001 + 835))
                      + frame(Framing::calculateText(40)) + "$MO*\r\n")
        << QStringList{"@READY*", "@OK*", "@OK*", "@OK*", "@DONE*", RefCrc::checked("@TR-28"),
                       RefCrc::checked("#00,10000000,13F"), RefCrc::checked("#01,-1,164"),
                       RefCrc::checked("#02,417.5,189"), RefCrc::checked("#03,0,1AE")};
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
