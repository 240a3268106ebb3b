#include <QtTest>

#include <QTcpServer>
#include <QTcpSocket>

#include "device/devicelink.h"
#include "device/framing.h"
#include "device_test_util.h"

// Rewrites the replies to one command; `attempt` counts how often it was received.
using Edit = std::function<void(const QString& command, int attempt, QStringList& replies)>;
Q_DECLARE_METATYPE(Edit)

namespace {
const int ReadBackMs = 300;

// A hand-written device on a real loopback socket whose replies each test can rewrite.
// Result of marker k: raw[k] / 2; reference: 100 + k.
class ScriptedDevice : public QObject
{
public:
    Edit edit;
    bool splitWrites = false;   // every reply batch arrives in two deliveries
    QStringList received;

    ScriptedDevice()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadyRead(s); });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    void onReadyRead(QTcpSocket* s)
    {
        for (const QString& line : m_collector.feed(s->readAll())) {
            received << line;
            // Data lines count per index, other commands per text.
            const bool data = line.size() > 2 && line.at(1).isDigit();
            const int attempt = ++m_attempts[data ? line.left(3) : line];
            QStringList replies = answer(line);
            if (edit)
                edit(line, attempt, replies);
            const QByteArray bytes = QString(replies.join(QLatin1String("\r\n")) % QLatin1String("\r\n")).toLatin1();
            const int half = splitWrites ? bytes.size() / 2 + 1 : bytes.size();
            s->write(bytes.left(half));
            s->flush();
            if (half < bytes.size())
                QTimer::singleShot(3, s, [s, rest = bytes.mid(half)] { s->write(rest); });
        }
    }

    QStringList answer(const QString& line)
    {
        QStringList replies;
        if (line == QLatin1String("$MIW*")) {
            m_acks = 0;
            replies << QStringLiteral("@READY*");
        } else if (line == QLatin1String("$MIR*")) {
            for (int i = 0; i < 70; ++i)
                replies << RefCrc::checked(QString::asprintf("#%02d,%08X", i, m_raw[i]));
            replies << QStringLiteral("@DONE*");
        } else if (line == QLatin1String("$MO*")) {
            replies << RefCrc::checked(QString::asprintf("@TR-%02x", m_type));
            for (int k = 0; k < 57; ++k)
                replies << RefCrc::checked(QString::asprintf("#%02d,%g,%X", k, m_raw[k] / 2.0, 100 + k));
            replies << QStringLiteral("@DONE*");
        } else if (line == QLatin1String("$RSN*")) {
            replies << RefCrc::checked(QStringLiteral("@SN,00000042"));
        } else if (line == QLatin1String("$RCV*")) {
            replies << RefCrc::checked(QStringLiteral("@CV,07"));
        } else if (line.startsWith(QLatin1String("$MC,"))) {
            m_type = line.midRef(4, 2).toInt(nullptr, 16);
            replies << QStringLiteral("@DONE*");
        } else {
            m_raw[line.midRef(1, 2).toInt()] = line.midRef(4, 8).toUInt(nullptr, 16);
            replies << QStringLiteral("@OK*");
            if (++m_acks >= 70)
                replies << QStringLiteral("@DONE*");
        }
        return replies;
    }

    QTcpServer m_server;
    Framing::LineCollector m_collector;
    QHash<QString, int> m_attempts;
    quint32 m_raw[70] = {};
    int m_type = 0;
    int m_acks = 0;
};

QStringList raw()
{
    QStringList r;
    for (int i = 0; i < 70; ++i)
        r << QString::number(1000 + 3 * i);
    return r;
}

// Edits the replies to commands starting with `prefix` while attempt <= upTo.
Edit on(const char* prefix, int upTo, std::function<void(QStringList&)> change)
{
    return [prefix, upTo, change](const QString& command, int attempt, QStringList& replies) {
        if (command.startsWith(QLatin1String(prefix)) && attempt <= upTo)
            change(replies);
    };
}

void insertBeforeDone(QStringList& replies, const QString& line)
{
    replies.insert(replies.size() - 1, line);
}
}  // namespace

class TestDeviceLinkEdges : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
};

void TestDeviceLinkEdges::replies_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<bool>("split");
    QTest::addColumn<int>("outcome");    // failure code, 100 for results
    QTest::addColumn<QString>("counted");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("minMs");      // the run takes at least this long
    const int all = 99;
    auto row = [](const char* name, Edit e, int outcome, const char* counted, int n, int minMs = 0) {
        QTest::newRow(name) << e << false << outcome << QString::fromLatin1(counted) << n << minMs;
    };
    QTest::newRow("replies split over deliveries") << Edit() << true << 100 << "$MIW*" << 1 << 0;
    row("read-back index 70", on("$MIR", all, [](QStringList& r) {
        insertBeforeDone(r, RefCrc::checked(QStringLiteral("#70,00000000")));
    }), 1, "$MIR*", 5);
    row("read-back index -1", on("$MIR", all, [](QStringList& r) {
        insertBeforeDone(r, RefCrc::checked(QStringLiteral("#-1,00000000")));
    }), 1, "$MIR*", 5);
    // All lines matched, so a late "@DONE*" gets one more period before the retry.
    row("read back without done once", on("$MIR", 1, [](QStringList& r) { r.removeLast(); }), 100, "$MIR*", 2,
        2 * ReadBackMs * 9 / 10);   // coarse timers may fire up to 5 % early
    row("read back without done always", on("$MIR", all, [](QStringList& r) { r.removeLast(); }), 1, "$MIR*", 5,
        10 * ReadBackMs * 9 / 10);
    row("output index 57", on("$MO", all, [](QStringList& r) {
        insertBeforeDone(r, RefCrc::checked(QStringLiteral("#57,1,1")));
    }), 3, "$MO*", 5);
    row("output line without B", on("$MO", all, [](QStringList& r) {
        r[11] = RefCrc::checked(QStringLiteral("#10,5"));
    }), 3, "$MO*", 5);
    row("type echo missing", on("$MO", all, [](QStringList& r) { r.removeFirst(); }), 3, "$MO*", 5);
    row("early done in output", on("$MO", all, [](QStringList& r) { r.insert(31, QStringLiteral("@DONE*")); }),
        100, "$MO*", 1);
    // "@DONE*" one acknowledgement short: line 69 is sent again, once per write.
    row("write done one short once", on("$69", 1, [](QStringList& r) { r = QStringList{"@DONE*"}; }), 100,
        "$69,", 2);
    row("write done one short always", on("$69", all, [](QStringList& r) { r = QStringList{"@DONE*"}; }), 0,
        "$69,", 10);
}

void TestDeviceLinkEdges::replies()
{
    QFETCH(Edit, edit);
    QFETCH(bool, split);
    QFETCH(int, outcome);
    QFETCH(QString, counted);
    QFETCH(int, count);
    QFETCH(int, minMs);
    ScriptedDevice device;
    device.edit = edit;
    device.splitWrites = split;
    DeviceLink link;
    pointAt(link, device.port());
    link.setPhaseTimeouts(ReadBackMs, 500, 200);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runCalculation(link, raw(), 10), outcome);
    QVERIFY(clock.elapsed() >= minMs);
    QCOMPARE(device.received.filter(counted).size(), count);
    if (outcome != 100) {
        QVERIFY(!device.received.contains(QStringLiteral("$RSN*")));
        return;
    }
    QVERIFY(device.received.contains(RefCrc::checked(QStringLiteral("$MC,0a"))));
    for (int k = 0; k < 57; ++k) {
        QCOMPARE(link.resultValues().at(k), (1000 + 3 * k) / 2.0);
        QCOMPARE(link.normValues().at(k), double(100 + k));
    }
}

QTEST_GUILESS_MAIN(TestDeviceLinkEdges)
#include "tst_devicelink_edges.moc"
