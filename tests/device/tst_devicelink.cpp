#include <QtTest>

#include <QTcpServer>

#include <memory>

#include "device/devicelink.h"
#include "device_test_util.h"
#include "devicesim/devicesimulator.h"

using Faults = DeviceSimulator::Faults;
using Phase = DeviceSimulator::Phase;
using Status = DeviceLink::Status;

Q_DECLARE_METATYPE(DeviceSimulator::Faults)

namespace {
const int ReadBackMs = 400;
const int CalculateMs = 400;
const int OutputMs = 250;
const int Settle = 15000;   // upper bound for one whole exchange

// Raw values 2*r give result r; two special values and a non-number.
QStringList sampleRaw()
{
    QStringList raw;
    for (int i = 0; i < 70; ++i)
        raw << QString::number(i * 54 + 2);
    raw[3] = QStringLiteral("10000000");
    raw[4] = QStringLiteral("99999999");
    raw[5] = QStringLiteral("123x");
    return raw;
}

QVector<quint32> numeric(const QStringList& raw)
{
    QVector<quint32> values;
    for (const QString& s : raw)
        values << s.toUInt();   // a non-number goes out as 0
    return values;
}

// The link reports the device's -1 as 1000000.
void compareResults(const DeviceLink& link, unsigned char type)
{
    const QVector<DeviceSimulator::Result> want = DeviceSimulator::compute(numeric(sampleRaw()), type);
    for (int k = 0; k < 57; ++k) {
        QCOMPARE(link.resultValues().at(k), want.at(k).result == -1.0 ? 1000000.0 : want.at(k).result);
        QCOMPARE(link.normValues().at(k), double(want.at(k).reference));
    }
}

// Everything the link sends in a clean calculation of type 3.
QStringList cleanFrames()
{
    const QVector<quint32> values = numeric(sampleRaw());
    QStringList frames{QStringLiteral("$MIW*")};
    for (int i = 0; i < 70; ++i)
        frames << RefCrc::checked(QString::asprintf("$%02d,%08X", i, values.at(i)));
    return frames << QStringLiteral("$MIR*") << QStringLiteral("$MC,03,33*") << QStringLiteral("$MO*")
                  << QStringLiteral("$RSN*") << QStringLiteral("$RCV*");
}

Faults with(const std::function<void(Faults&)>& set)
{
    Faults f;
    set(f);
    return f;
}
}  // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void faults_data();
    void faults();
    void rawValueTooLargeIsNotSentSilently();
    void check_data();
    void check();
    void socketErrorBoxOnceWhilePollingContinues();
    void service();
    void closingCalculationFailsIt_data();
    void closingCalculationFailsIt();
    void calculationAbortsCheck();
    void endpointFor_data();
    void endpointFor();

private:
    std::unique_ptr<DeviceSimulator> m_sim;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<QSignalSpy> m_failed;
    std::unique_ptr<QSignalSpy> m_ready;
};

void TestDeviceLink::init()
{
    m_link.reset();   // closes before its device goes
    m_sim = std::make_unique<DeviceSimulator>();
    QVERIFY(m_sim->listen(QHostAddress::LocalHost, 0));
    m_link = std::make_unique<DeviceLink>();
    pointAt(*m_link, m_sim->port());
    m_link->setPhaseTimeouts(ReadBackMs, CalculateMs, OutputMs);
    connect(m_link->refreshTimer(), &QTimer::timeout, m_link.get(), &DeviceLink::startCheck);
    m_failed = std::make_unique<QSignalSpy>(m_link.get(), &DeviceLink::calculationFailed);
    m_ready = std::make_unique<QSignalSpy>(m_link.get(), &DeviceLink::resultsReady);
}

void TestDeviceLink::faults_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("code");          // 100: results
    QTest::addColumn<QString>("retried");   // command sent once per attempt
    QTest::addColumn<int>("attempts");
    auto row = [](const char* name, const std::function<void(Faults&)>& set, int code, const char* cmd, int n) {
        QTest::newRow(name) << with(set) << code << QString::fromLatin1(cmd) << n;
    };
    row("clean", [](Faults&) {}, 100, "$MIW*", 1);
    row("not ready", [](Faults& f) { f.notReady = true; }, 0, "$MIW*", 1);
    row("extra acknowledgement every time", [](Faults& f) { f.extraOk = true; }, 0, "$MIW*", 5);
    row("silent at write start", [](Faults& f) { f.silentIn = Phase::StartWrite; }, 0, "$MIW*", 1);
    row("silent while writing", [](Faults& f) { f.silentIn = Phase::WriteLines; }, 0, "$MIW*", 2);
    row("wrong read-back value", [](Faults& f) { f.wrongReadBackLine = 7; }, 1, "$MIR*", 5);
    row("last read-back index not 69", [](Faults& f) { f.wrongReadBackIndex = true; }, 1, "$MIR*", 5);
    row("silent in read back", [](Faults& f) { f.silentIn = Phase::ReadBack; }, 1, "$MIR*", 5);
    row("calculation fails", [](Faults& f) { f.calcFails = true; }, 2, "$MC,", 1);
    row("silent in calculation", [](Faults& f) { f.silentIn = Phase::Calculate; }, 2, "$MC,", 1);
    row("silent in output", [](Faults& f) { f.silentIn = Phase::Output; }, 3, "$MO*", 5);
    row("wrong type echo", [](Faults& f) { f.wrongTypeEcho = true; }, 3, "$MO*", 5);
    row("bad output checksum, last line", [](Faults& f) { f.badOutputChecksumLine = 56; }, 3, "$MO*", 5);
    row("drop while writing", [](Faults& f) { f.dropIn = Phase::WriteLines; }, 4, "$MIW*", 1);
    row("drop in output", [](Faults& f) { f.dropIn = Phase::Output; }, 4, "$MO*", 1);
    row("extra acknowledgement once", [](Faults& f) { f.failingAttempts = 1; f.extraOk = true; }, 100, "$MIW*", 2);
    row("bad read-back checksum four times",
        [](Faults& f) { f.failingAttempts = 4; f.badReadBackChecksumLine = 69; }, 100, "$MIR*", 5);
    row("wrong type echo once", [](Faults& f) { f.failingAttempts = 1; f.wrongTypeEcho = true; }, 100, "$MO*", 2);
    row("slow device", [](Faults& f) { f.replyDelayMs = 5; }, 100, "$MIW*", 1);
}

void TestDeviceLink::faults()
{
    QFETCH(Faults, faults);
    QFETCH(int, code);
    QFETCH(QString, retried);
    QFETCH(int, attempts);
    QSignalSpy errors(m_link.get(), &DeviceLink::socketError);
    QStringList events;
    connect(m_link.get(), &DeviceLink::stageAdvanced, this, [&] { events << QStringLiteral("stage"); });
    QStringList outgoing;
    connect(m_link.get(), &DeviceLink::lineLogged, this, [&](const QString& line, bool out) {
        if (out)
            outgoing << line;
    });
    connect(m_link.get(), &DeviceLink::resultsReady, this, [&] {
        events << QStringLiteral("results");
        // The identity is read again only after the results are handed over.
        QCOMPARE(outgoing.last(), QStringLiteral("$MO*"));
    });
    m_sim->setFaults(faults);
    QCOMPARE(runCalculation(*m_link, sampleRaw(), 3, 30000), code);
    const QStringList lines = m_sim->receivedLines();
    QCOMPARE(outgoing, lines);
    QCOMPARE(lines.filter(retried).size(), attempts);
    QVERIFY(!m_link->readTimeoutTimer()->isActive());
    QVERIFY(m_link->refreshTimer()->isActive());
    QCOMPARE(m_sim->connectionCount(), 1);
    QTest::qWait(CalculateMs + 100);   // no phase timer fires afterwards
    QCOMPARE(m_failed->count() + m_ready->count(), 1);
    if (code == 100) {
        QCOMPARE(events, (QStringList{"stage", "stage", "stage", "stage", "results"}));
        // A write attempt waits for "@READY*" and sends all lines again; later phases repeat their command.
        QStringList tail = lines.mid(lines.lastIndexOf(QStringLiteral("$MIW*")));
        tail.removeDuplicates();
        QCOMPARE(tail, cleanFrames());
        compareResults(*m_link, 3);
        QCOMPARE(m_link->resultValues().at(3), 10000000.0);
        QCOMPARE(m_link->resultValues().at(4), 1000000.0);   // the device's -1
        QCOMPARE(m_link->serialNumber(), DeviceSimulator::SerialNumber);
        QCOMPARE(m_link->version(), DeviceSimulator::Version);
        return;
    }
    QVERIFY(!lines.contains(QStringLiteral("$RSN*")));
    // A lost connection is reported through the failure code, not a second box.
    for (const QList<QVariant>& e : qAsConst(errors))
        QVERIFY(!e.at(1).toBool());
    QCOMPARE(errors.isEmpty(), code != 4);
    // The next exchange works.
    m_sim->setFaults(Faults());
    QCOMPARE(runCalculation(*m_link, sampleRaw(), 3, Settle), 100);
}

void TestDeviceLink::rawValueTooLargeIsNotSentSilently()
{
    QStringList raw = sampleRaw();
    raw[10] = QStringLiteral("4294967298");   // does not fit the 8 hex digits of a data line
    QCOMPARE(runCalculation(*m_link, raw, 1, Settle), 1);
}

void TestDeviceLink::check_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QStringList>("statuses");   // as shown, "OK!" standing for connected
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("sent");
    const QStringList all{"$?*", "$RSN*", "$RCV*"};
    auto row = [](const char* name, const std::function<void(Faults&)>& set, QStringList shown, bool available,
                  QStringList sent) {
        QTest::newRow(name) << with(set) << shown << available << sent;
    };
    row("good", [](Faults&) {}, {"conn...", "OK!"}, true, all);
    row("wrong identity", [](Faults& f) { f.wrongIdentity = true; }, {"conn...", "Error #0"}, false, {"$?*"});
    row("bad serial", [](Faults& f) { f.badSerialChecksum = true; }, {"conn...", "OK!", "Error #8"}, true,
        {"$?*", "$RSN*"});
    row("bad version", [](Faults& f) { f.badVersionChecksum = true; }, {"conn...", "OK!", "Error #3"}, true, all);
    row("dropped", [](Faults& f) { f.dropIn = Phase::Serial; }, {"conn...", "OK!", "Error"}, true, {"$?*", "$RSN*"});
}

void TestDeviceLink::check()
{
    QFETCH(Faults, faults);
    QFETCH(QStringList, statuses);
    QFETCH(bool, available);
    QFETCH(QStringList, sent);
    QStringList shown;
    connect(m_link.get(), &DeviceLink::statusChanged, this, [&](Status s) {
        shown << DeviceLink::statusText(s, QStringLiteral("OK!"), QStringLiteral("conn..."));
    });
    m_sim->setFaults(faults);
    m_link->setDeviceAvailable(!available);
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return shown.size() == statuses.size() && m_link->step() == DeviceLink::Closed; },
                      Settle));
    QTest::qWait(50);
    QCOMPARE(shown, statuses);
    QCOMPARE(m_link->deviceAvailable(), available);
    QCOMPARE(m_sim->receivedLines(), sent);
    QCOMPARE(m_failed->count(), 0);
    QVERIFY(m_link->refreshTimer()->isActive());
    if (sent.contains(QStringLiteral("$RCV*")))
        QCOMPARE(m_link->serialNumber(), DeviceSimulator::SerialNumber);
}

void TestDeviceLink::socketErrorBoxOnceWhilePollingContinues()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 deadPort = probe.serverPort();
    probe.close();
    const quint16 livePort = m_sim->port();
    quint16 port = deadPort;
    m_link->setEndpointProvider([&port] { return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port}; });
    QSignalSpy errors(m_link.get(), &DeviceLink::socketError);
    QSignalSpy status(m_link.get(), &DeviceLink::statusChanged);

    m_link->startCheck();
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.at(0).at(1).toBool(), true);
    QVERIFY(!errors.at(0).at(0).toString().isEmpty());
    QCOMPARE(status.last().at(0).value<Status>(), Status::SocketError);
    QCOMPARE(m_link->step(), DeviceLink::Closed);
    QVERIFY(m_link->refreshTimer()->isActive());

    // The refresh timer starts the next check, which fails quietly.
    m_link->refreshTimer()->start(20);
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(1).at(1).toBool(), false);
    QVERIFY(m_link->refreshTimer()->isActive());

    // A good check re-arms the box for the next error.
    port = livePort;
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return m_sim->receivedLines().size() == 3 && m_link->step() == DeviceLink::Closed; },
                      5000));
    port = deadPort;
    m_link->startCheck();
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.count(), 3);
    QCOMPARE(errors.at(2).at(1).toBool(), true);
    QCOMPARE(m_failed->count(), 0);
}

void TestDeviceLink::service()
{
    QSignalSpy unlocked(m_link.get(), &DeviceLink::serviceUnlocked);
    QSignalSpy logged(m_link.get(), &DeviceLink::lineLogged);
    QVERIFY(m_link->startService(QStringLiteral("vitro")));
    QVERIFY(m_link->startService(QStringLiteral("vitroXY")));
    QVERIFY(!m_link->startService(QStringLiteral("Vitro")));
    QVERIFY(!m_link->startService(QStringLiteral("hello")));
    QCOMPARE(unlocked.count(), 2);
    QTest::qWait(50);
    QCOMPARE(m_sim->connectionCount(), 0);

    QVERIFY(m_link->startService(QStringLiteral("$ABC")));
    QVERIFY(waitUntil([&] { return logged.count() == 2 && m_link->step() == DeviceLink::Closed; }, 5000));
    const QString frame = RefCrc::checked(QStringLiteral("$ABC"));
    QCOMPARE(m_sim->receivedLines(), QStringList{frame});
    QCOMPARE(logged.at(0), (QList<QVariant>{frame, true}));
    QCOMPARE(logged.at(1), (QList<QVariant>{QStringLiteral("@OK*"), false}));
}

void TestDeviceLink::calculationAbortsCheck()
{
    m_sim->setFaults(with([](Faults& f) { f.silentIn = Phase::Identify; }));
    QSignalSpy status(m_link.get(), &DeviceLink::statusChanged);
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return m_sim->receivedLines().contains(QStringLiteral("$?*")); }, 5000));
    QCOMPARE(runCalculation(*m_link, sampleRaw(), 3, Settle), 100);
    QCOMPARE(m_sim->connectionCount(), 2);
    QCOMPARE(status.count(), 1);   // only "connecting": the aborted check reports nothing
}

void TestDeviceLink::closingCalculationFailsIt_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("check") << "check";
    QTest::newRow("network changed") << "network";
}

void TestDeviceLink::closingCalculationFailsIt()
{
    QFETCH(QString, action);
    m_sim->setFaults(with([](Faults& f) { f.silentIn = Phase::Calculate; }));
    m_link->setPhaseTimeouts(ReadBackMs, 5000, OutputMs);
    QSignalSpy stages(m_link.get(), &DeviceLink::stageAdvanced);
    QSignalSpy status(m_link.get(), &DeviceLink::statusChanged);
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(waitUntil([&] { return stages.count() == 3; }, Settle));
    QCOMPARE(m_link->step(), DeviceLink::Calculate);
    if (action == QLatin1String("check")) {
        m_link->startCheck();
    } else {
        m_link->updateNetwork();
        QVERIFY(!m_link->deviceAvailable());
    }
    // The pipeline is told at once, and only once.
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_failed->at(0).at(0).toInt(), 4);
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).value<Status>(), Status::Connecting);
    QVERIFY(waitUntil([&] { return m_sim->receivedLines().endsWith(QStringLiteral("$RCV*")); }, 5000));
    QVERIFY(waitUntil([&] { return m_link->deviceAvailable() && m_link->step() == DeviceLink::Closed; }, 5000));
    // Closing an idle link reports nothing.
    m_link->nw_proc_Disconnect();
    QTest::qWait(50);
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_ready->count(), 0);
}

void TestDeviceLink::endpointFor_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("local");
    QTest::addColumn<int>("expected");
    QTest::newRow("configured port") << "5000" << false << 5000;
    QTest::newRow("local version ignores the port") << "abc" << true << 9761;
    QTest::newRow("wraps at 65536") << "70000" << false << 4464;
    QTest::newRow("not a number") << "abc" << false << 0;
    QTest::newRow("negative") << "-1" << false << 65535;
}

void TestDeviceLink::endpointFor()
{
    QFETCH(QString, port);
    QFETCH(bool, local);
    QFETCH(int, expected);
    const DeviceLink::Endpoint e = DeviceLink::endpointFor(QStringLiteral("10.1.2.3"), port, local);
    QCOMPARE(e.host, QStringLiteral("10.1.2.3"));
    QCOMPARE(int(e.port), expected);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
