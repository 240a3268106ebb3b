#include <QtTest>

#include <QTcpServer>

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
    raw[6] = QStringLiteral("7");
    return raw;
}

QVector<quint32> numeric(const QStringList& raw)
{
    QVector<quint32> v;
    for (const QString& s : raw)
        v << s.toUInt();
    return v;
}

int countOf(const QStringList& lines, const QString& prefix)
{
    int n = 0;
    for (const QString& l : lines)
        n += l.startsWith(prefix) ? 1 : 0;
    return n;
}
}  // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanCalculation();
    void failures_data();
    void failures();
    void recoveries_data();
    void recoveries();
    void rawValueTooLargeIsNotSentSilently();
    void check_data();
    void check();
    void socketErrorInCheckKeepsPolling();
    void updateNetwork();
    void service();
    void checkAbortsCalculation();
    void calculationAbortsCheck();
    void updateNetworkDuringCalculation();
    void endpointFor_data();
    void endpointFor();
    void statusText_data();
    void statusText();

private:
    bool runToEnd(int timeoutMs = Settle);

    DeviceSimulator* m_sim = nullptr;
    DeviceLink* m_link = nullptr;
    QSignalSpy* m_failed = nullptr;
    QSignalSpy* m_ready = nullptr;
};

void TestDeviceLink::init()
{
    m_sim = new DeviceSimulator;
    QVERIFY(m_sim->listen(QHostAddress::LocalHost, 0));
    m_link = new DeviceLink;
    const quint16 port = m_sim->port();
    m_link->setEndpointProvider([port] { return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port}; });
    m_link->setPhaseTimeouts(ReadBackMs, CalculateMs, OutputMs);
    connect(m_link->refreshTimer(), &QTimer::timeout, m_link, &DeviceLink::startCheck);
    m_failed = new QSignalSpy(m_link, &DeviceLink::calculationFailed);
    m_ready = new QSignalSpy(m_link, &DeviceLink::resultsReady);
}

void TestDeviceLink::cleanup()
{
    delete m_failed;
    delete m_ready;
    delete m_link;
    delete m_sim;
}

// Waits for the calculation outcome and for the link to be closed.
bool TestDeviceLink::runToEnd(int timeoutMs)
{
    return waitUntil(
        [this] { return m_failed->count() + m_ready->count() > 0 && m_link->step() == DeviceLink::Closed; },
        timeoutMs);
}

void TestDeviceLink::cleanCalculation()
{
    QStringList events;
    connect(m_link, &DeviceLink::stageAdvanced, this, [&] { events << QStringLiteral("stage"); });
    QStringList outgoing;
    connect(m_link, &DeviceLink::lineLogged, this, [&](const QString& line, bool out) {
        if (out)
            outgoing << line;
    });
    connect(m_link, &DeviceLink::resultsReady, this, [&] {
        events << QStringLiteral("results");
        // The identity is read again only after the results are handed over.
        QCOMPARE(outgoing.last(), QStringLiteral("$MO*"));
    });

    const QStringList raw = sampleRaw();
    m_link->startCalculation(raw, 3);
    QVERIFY(runToEnd());
    QCOMPARE(m_failed->count(), 0);
    QCOMPARE(events, (QStringList{"stage", "stage", "stage", "stage", "results"}));

    QStringList expected{QStringLiteral("$MIW*")};
    for (int i = 0; i < 70; ++i) {
        const quint32 value = i == 5 ? 0u : raw.at(i).toUInt();
        expected << RefCrc::checked(QString::asprintf("$%02d,%08X", i, value));
    }
    expected << QStringLiteral("$MIR*") << QStringLiteral("$MC,03,33*") << QStringLiteral("$MO*")
             << QStringLiteral("$RSN*") << QStringLiteral("$RCV*");
    QCOMPARE(m_sim->receivedLines(), expected);
    QCOMPARE(outgoing, expected);

    QVector<quint32> values = numeric(raw);
    values[5] = 0;
    const QVector<DeviceSimulator::Result> want = DeviceSimulator::compute(values, 3);
    QCOMPARE(m_link->resultValues().size(), 57);
    QCOMPARE(m_link->normValues().size(), 57);
    for (int k = 0; k < 57; ++k) {
        const double r = want.at(k).result == -1 ? 1000000.0 : want.at(k).result;
        QCOMPARE(m_link->resultValues().at(k), r);
        QCOMPARE(m_link->normValues().at(k), double(want.at(k).reference));
    }
    QCOMPARE(m_link->resultValues().at(3), 10000000.0);
    QCOMPARE(m_link->resultValues().at(4), 1000000.0);
    QCOMPARE(m_link->serialNumber(), DeviceSimulator::SerialNumber);
    QCOMPARE(m_link->version(), DeviceSimulator::Version);
    QVERIFY(m_link->refreshTimer()->isActive());
    QCOMPARE(m_link->refreshTimer()->interval(), 120000);
    QVERIFY(!m_link->readTimeoutTimer()->isActive());
    QCOMPARE(m_sim->connectionCount(), 1);

    // Nothing fires later, and a second run works on a fresh connection.
    QTest::qWait(CalculateMs + 100);
    QCOMPARE(m_failed->count(), 0);
    QCOMPARE(m_ready->count(), 1);
    m_link->startCalculation(raw, 10);
    QVERIFY(waitUntil([this] { return m_ready->count() == 2 && m_link->step() == DeviceLink::Closed; }, Settle));
    QVERIFY(m_sim->receivedLines().contains(QStringLiteral("$MC,0a,%1*").arg(RefCrc::digits("$MC,0a"))));
    QCOMPARE(m_link->normValues().at(0), double(DeviceSimulator::compute(values, 10).at(0).reference));
}

void TestDeviceLink::failures_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("retried");   // command sent once per attempt
    QTest::addColumn<int>("attempts");

    auto row = [](const char* name, Faults f, int code, const char* cmd, int attempts) {
        QTest::newRow(name) << f << code << QString::fromLatin1(cmd) << attempts;
    };
    Faults f;
    f.notReady = true;
    row("not ready", f, 0, "$MIW*", 1);
    f = Faults();
    f.extraOk = true;
    row("extra acknowledgement every time", f, 0, "$MIW*", 5);
    f = Faults();
    f.silentIn = Phase::StartWrite;
    row("silent at write start", f, 0, "$MIW*", 1);
    f = Faults();
    f.silentIn = Phase::WriteLines;
    row("silent while writing", f, 0, "$MIW*", 2);
    f = Faults();
    f.wrongReadBackLine = 7;
    row("wrong read-back value", f, 1, "$MIR*", 5);
    f = Faults();
    f.badReadBackChecksumLine = 30;
    row("bad read-back checksum", f, 1, "$MIR*", 5);
    f = Faults();
    f.wrongReadBackIndex = true;
    row("last read-back index not 69", f, 1, "$MIR*", 5);
    f = Faults();
    f.silentIn = Phase::ReadBack;
    row("silent in read back", f, 1, "$MIR*", 5);
    f = Faults();
    f.calcFails = true;
    row("calculation fails", f, 2, "$MC,", 1);
    f = Faults();
    f.silentIn = Phase::Calculate;
    row("silent in calculation", f, 2, "$MC,", 1);
    f = Faults();
    f.silentIn = Phase::Output;
    row("silent in output", f, 3, "$MO*", 5);
    f = Faults();
    f.wrongTypeEcho = true;
    row("wrong type echo", f, 3, "$MO*", 5);
    f = Faults();
    f.badOutputChecksumLine = 20;
    row("bad output checksum, middle line", f, 3, "$MO*", 5);
    f = Faults();
    f.badOutputChecksumLine = 56;
    row("bad output checksum, last line", f, 3, "$MO*", 5);
    f = Faults();
    f.dropIn = Phase::StartWrite;
    row("drop at write start", f, 4, "$MIW*", 1);
    f = Faults();
    f.dropIn = Phase::WriteLines;
    row("drop while writing", f, 4, "$MIW*", 1);
    f = Faults();
    f.dropIn = Phase::Calculate;
    row("drop in calculation", f, 4, "$MC,", 1);
    f = Faults();
    f.dropIn = Phase::Output;
    row("drop in output", f, 4, "$MO*", 1);
}

void TestDeviceLink::failures()
{
    QFETCH(Faults, faults);
    QFETCH(int, code);
    QFETCH(QString, retried);
    QFETCH(int, attempts);
    QSignalSpy errors(m_link, &DeviceLink::socketError);
    m_sim->setFaults(faults);
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(runToEnd());
    QCOMPARE(m_ready->count(), 0);
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_failed->at(0).at(0).toInt(), code);
    QCOMPARE(countOf(m_sim->receivedLines(), retried), attempts);
    QVERIFY(!m_sim->receivedLines().contains(QStringLiteral("$RSN*")));
    QVERIFY(!m_link->readTimeoutTimer()->isActive());
    QVERIFY(m_link->refreshTimer()->isActive());
    // A lost connection is reported through the failure code, not a second box.
    for (const QList<QVariant>& e : qAsConst(errors))
        QVERIFY(!e.at(1).toBool());
    QCOMPARE(errors.isEmpty(), code != 4);

    // Nothing more happens afterwards, and the next exchange works.
    QTest::qWait(OutputMs + 50);
    QCOMPARE(m_failed->count(), 1);
    m_sim->setFaults(Faults());
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(waitUntil([this] { return m_ready->count() == 1 && m_link->step() == DeviceLink::Closed; }, Settle));
    QCOMPARE(m_failed->count(), 1);
}

void TestDeviceLink::recoveries_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QString>("retried");
    QTest::addColumn<int>("attempts");
    Faults f;
    f.failingAttempts = 1;
    f.extraOk = true;
    QTest::newRow("extra acknowledgement once") << f << "$MIW*" << 2;
    f = Faults();
    f.failingAttempts = 1;
    f.wrongReadBackLine = 0;
    QTest::newRow("wrong read-back value once") << f << "$MIR*" << 2;
    f = Faults();
    f.failingAttempts = 4;
    f.badReadBackChecksumLine = 69;
    QTest::newRow("bad read-back checksum four times") << f << "$MIR*" << 5;
    f = Faults();
    f.failingAttempts = 1;
    f.wrongTypeEcho = true;
    QTest::newRow("wrong type echo once") << f << "$MO*" << 2;
    f = Faults();
    f.failingAttempts = 2;
    f.badOutputChecksumLine = 20;
    QTest::newRow("bad output line twice") << f << "$MO*" << 3;
    f = Faults();
    f.replyDelayMs = 5;
    QTest::newRow("slow device") << f << "$MIW*" << 1;
}

void TestDeviceLink::recoveries()
{
    QFETCH(Faults, faults);
    QFETCH(QString, retried);
    QFETCH(int, attempts);
    QSignalSpy stages(m_link, &DeviceLink::stageAdvanced);
    m_sim->setFaults(faults);
    const QStringList raw = sampleRaw();
    m_link->startCalculation(raw, 7);
    QVERIFY(runToEnd(30000));
    QCOMPARE(m_failed->count(), 0);
    QCOMPARE(m_ready->count(), 1);
    QCOMPARE(stages.count(), 4);
    const QStringList lines = m_sim->receivedLines();
    QCOMPARE(countOf(lines, retried), attempts);

    // Each write attempt waits for "@READY*": after the last "$MIW*" come exactly the 70 data lines.
    const int lastStart = lines.lastIndexOf(QStringLiteral("$MIW*"));
    const int readBack = lines.indexOf(QStringLiteral("$MIR*"));
    QCOMPARE(readBack - lastStart - 1, 70);
    for (int i = 0; i < 70; ++i)
        QVERIFY(lines.at(lastStart + 1 + i).startsWith(QString::asprintf("$%02d,", i)));

    QVector<quint32> values = numeric(raw);
    values[5] = 0;
    const QVector<DeviceSimulator::Result> want = DeviceSimulator::compute(values, 7);
    for (int k = 0; k < 57; ++k) {
        QCOMPARE(m_link->normValues().at(k), double(want.at(k).reference));
        if (want.at(k).result != -1)
            QCOMPARE(m_link->resultValues().at(k), want.at(k).result);
    }
}

void TestDeviceLink::rawValueTooLargeIsNotSentSilently()
{
    QStringList raw = sampleRaw();
    raw[10] = QStringLiteral("4294967298");   // does not fit the 8 hex digits of a data line
    m_link->startCalculation(raw, 1);
    QVERIFY(runToEnd());
    QCOMPARE(m_ready->count(), 0);
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_failed->at(0).at(0).toInt(), 1);
}

void TestDeviceLink::check_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QVariantList>("statuses");
    QTest::addColumn<bool>("available");
    QTest::addColumn<QStringList>("sent");
    const QStringList all{"$?*", "$RSN*", "$RCV*"};
    auto list = [](std::initializer_list<Status> s) {
        QVariantList v;
        for (Status x : s)
            v << QVariant::fromValue(x);
        return v;
    };
    QTest::newRow("good") << Faults() << list({Status::Connecting, Status::Connected}) << true << all;
    Faults f;
    f.wrongIdentity = true;
    QTest::newRow("wrong identity") << f << list({Status::Connecting, Status::WrongIdentity}) << false
                                    << QStringList{"$?*"};
    f = Faults();
    f.badSerialChecksum = true;
    QTest::newRow("bad serial") << f << list({Status::Connecting, Status::Connected, Status::BadSerial}) << true
                                << QStringList{"$?*", "$RSN*"};
    f = Faults();
    f.badVersionChecksum = true;
    QTest::newRow("bad version") << f << list({Status::Connecting, Status::Connected, Status::BadVersion})
                                 << true << all;
    f = Faults();
    f.dropIn = Phase::Serial;
    QTest::newRow("dropped") << f << list({Status::Connecting, Status::Connected, Status::SocketError}) << true
                             << QStringList{"$?*", "$RSN*"};
}

void TestDeviceLink::check()
{
    QFETCH(Faults, faults);
    QFETCH(QVariantList, statuses);
    QFETCH(bool, available);
    QFETCH(QStringList, sent);
    QSignalSpy status(m_link, &DeviceLink::statusChanged);
    m_sim->setFaults(faults);
    m_link->setDeviceAvailable(!available);
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return status.count() == statuses.size() && m_link->step() == DeviceLink::Closed; },
                            Settle));
    QTest::qWait(50);
    QVariantList got;
    for (const QList<QVariant>& s : qAsConst(status))
        got << s.at(0);
    QCOMPARE(got, statuses);
    QCOMPARE(m_link->deviceAvailable(), available);
    QCOMPARE(m_sim->receivedLines(), sent);
    QCOMPARE(m_failed->count(), 0);
    QVERIFY(m_link->refreshTimer()->isActive());
    QCOMPARE(m_link->refreshTimer()->interval(), 120000);
    if (sent.contains(QStringLiteral("$RCV*")))
        QCOMPARE(m_link->serialNumber(), DeviceSimulator::SerialNumber);
}

void TestDeviceLink::socketErrorInCheckKeepsPolling()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 deadPort = probe.serverPort();
    probe.close();
    const quint16 livePort = m_sim->port();
    quint16 port = deadPort;
    m_link->setEndpointProvider([&port] { return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port}; });
    QSignalSpy errors(m_link, &DeviceLink::socketError);
    QSignalSpy status(m_link, &DeviceLink::statusChanged);

    m_link->startCheck();
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.at(0).at(1).toBool(), true);
    QVERIFY(!errors.at(0).at(0).toString().isEmpty());
    QCOMPARE(status.last().at(0).value<Status>(), Status::SocketError);
    QCOMPARE(m_link->step(), DeviceLink::Closed);
    QVERIFY(m_link->refreshTimer()->isActive());
    QCOMPARE(m_link->refreshTimer()->interval(), 120000);

    // Let the refresh timer run out at once: it starts the next check, which fails quietly.
    m_link->refreshTimer()->start(20);
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(1).at(1).toBool(), false);
    QVERIFY(m_link->refreshTimer()->isActive());

    // A good check re-arms the box for the next error.
    port = livePort;
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return status.last().at(0).value<Status>() == Status::Connected; }, 5000));
    QVERIFY(waitUntil([&] { return m_link->step() == DeviceLink::Closed; }, 5000));
    port = deadPort;
    m_link->startCheck();
    QVERIFY(errors.wait(5000));
    QCOMPARE(errors.count(), 3);
    QCOMPARE(errors.at(2).at(1).toBool(), true);
    QCOMPARE(m_failed->count(), 0);
}

void TestDeviceLink::updateNetwork()
{
    QSignalSpy status(m_link, &DeviceLink::statusChanged);
    m_link->setDeviceAvailable(true);
    m_link->updateNetwork();
    QVERIFY(!m_link->deviceAvailable());
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).value<Status>(), Status::Connecting);
    QVERIFY(waitUntil([&] { return m_link->deviceAvailable() && m_link->step() == DeviceLink::Closed; }, 5000));
}

void TestDeviceLink::service()
{
    QSignalSpy unlocked(m_link, &DeviceLink::serviceUnlocked);
    QSignalSpy logged(m_link, &DeviceLink::lineLogged);
    QVERIFY(m_link->startService(QStringLiteral("vitro")));
    QCOMPARE(unlocked.count(), 1);
    QVERIFY(m_link->startService(QStringLiteral("vitroXY")));
    QCOMPARE(unlocked.count(), 2);
    QVERIFY(!m_link->startService(QStringLiteral("Vitro")));
    QVERIFY(!m_link->startService(QStringLiteral("hello")));
    QCOMPARE(unlocked.count(), 2);
    QCOMPARE(m_link->step(), DeviceLink::Closed);
    QTest::qWait(50);
    QCOMPARE(m_sim->connectionCount(), 0);
    QCOMPARE(logged.count(), 0);

    QVERIFY(m_link->startService(QStringLiteral("$ABC")));
    QVERIFY(waitUntil([&] { return logged.count() == 2 && m_link->step() == DeviceLink::Closed; }, 5000));
    const QString frame = RefCrc::checked(QStringLiteral("$ABC"));
    QCOMPARE(m_sim->receivedLines(), QStringList{frame});
    QCOMPARE(logged.at(0).at(0).toString(), frame);
    QCOMPARE(logged.at(0).at(1).toBool(), true);
    QCOMPARE(logged.at(1).at(0).toString(), QStringLiteral("@OK*"));
    QCOMPARE(logged.at(1).at(1).toBool(), false);
    QCOMPARE(m_failed->count(), 0);
}

void TestDeviceLink::checkAbortsCalculation()
{
    Faults f;
    f.silentIn = Phase::Calculate;
    m_sim->setFaults(f);
    m_link->setPhaseTimeouts(ReadBackMs, 5000, OutputMs);
    QSignalSpy stages(m_link, &DeviceLink::stageAdvanced);
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(waitUntil([&] { return stages.count() == 3; }, Settle));
    QCOMPARE(m_link->step(), DeviceLink::Calculate);
    m_link->startCheck();
    // The interrupted calculation is told once; the check runs normally.
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_failed->at(0).at(0).toInt(), 4);
    QVERIFY(waitUntil([&] { return m_sim->receivedLines().endsWith(QStringLiteral("$RCV*")); }, 5000));
    QVERIFY(waitUntil([&] { return m_link->step() == DeviceLink::Closed; }, 5000));
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_ready->count(), 0);
}

void TestDeviceLink::calculationAbortsCheck()
{
    Faults f;
    f.silentIn = Phase::Identify;
    m_sim->setFaults(f);
    QSignalSpy status(m_link, &DeviceLink::statusChanged);
    m_link->startCheck();
    QVERIFY(waitUntil([&] { return m_sim->receivedLines().contains(QStringLiteral("$?*")); }, 5000));
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(runToEnd());
    QCOMPARE(m_ready->count(), 1);
    QCOMPARE(m_failed->count(), 0);
    QCOMPARE(m_sim->connectionCount(), 2);
    QCOMPARE(status.count(), 1);   // only "connecting": the aborted check reports nothing
}

void TestDeviceLink::updateNetworkDuringCalculation()
{
    Faults f;
    f.replyDelayMs = 2;
    m_sim->setFaults(f);
    QSignalSpy stages(m_link, &DeviceLink::stageAdvanced);
    m_link->startCalculation(sampleRaw(), 3);
    QVERIFY(waitUntil([&] { return stages.count() == 1; }, 5000));
    m_link->updateNetwork();
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_failed->at(0).at(0).toInt(), 4);
    QVERIFY(!m_link->deviceAvailable());
    QVERIFY(waitUntil([&] { return m_link->deviceAvailable() && m_link->step() == DeviceLink::Closed; }, 5000));
    QCOMPARE(m_failed->count(), 1);
    QCOMPARE(m_ready->count(), 0);
    // Closing an idle link reports nothing.
    m_link->disconnectLink();
    QCOMPARE(m_failed->count(), 1);
}

void TestDeviceLink::endpointFor_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("local");
    QTest::addColumn<int>("expected");
    QTest::newRow("configured port") << "5000" << false << 5000;
    QTest::newRow("local version") << "5000" << true << 9761;
    QTest::newRow("local ignores bad port") << "abc" << true << 9761;
    QTest::newRow("wraps at 65536") << "70000" << false << 4464;
    QTest::newRow("65536 is 0") << "65536" << false << 0;
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

void TestDeviceLink::statusText_data()
{
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("connecting") << Status::Connecting << "conn...";
    QTest::newRow("connected") << Status::Connected << "OK!";
    QTest::newRow("wrong identity") << Status::WrongIdentity << "Error #0";
    QTest::newRow("bad serial") << Status::BadSerial << "Error #8";
    QTest::newRow("bad version") << Status::BadVersion << "Error #3";
    QTest::newRow("socket error") << Status::SocketError << "Error";
}

void TestDeviceLink::statusText()
{
    QFETCH(Status, status);
    QFETCH(QString, text);
    QCOMPARE(DeviceLink::statusText(status, QStringLiteral("OK!"), QStringLiteral("conn...")), text);
    QCOMPARE(QString::fromLatin1(DeviceLink::unlockWord()), QStringLiteral("vitro"));
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
