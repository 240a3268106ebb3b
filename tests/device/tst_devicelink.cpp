#include <QtTest>

#include "device_test_util.h"

namespace {
const int ReadBackMs = 300, CalculateMs = 400, OutputMs = 250;

// Raw value 2*r gives result r; 10000000 is passed on, 99999999 comes back as -1, "123x" goes as 0.
const QStringList Raw = [] {
    QStringList raw;
    for (int i = 0; i < 70; ++i)
        raw << (i == 3   ? QString("10000000")
                : i == 4 ? QString("99999999")
                : i == 5 ? QString("123x")
                         : QString::number(i * 54 + 2));
    return raw;
}();

// Rewrites the replies to the first `times` commands beginning with `prefix` (all when negative).
Faults rewriting(const char* prefix, int times, const std::function<void(QStringList&)>& change)
{
    Faults f;
    f.rewritePrefix = QLatin1String(prefix);
    f.rewriteTimes = times;
    f.rewrite = change;
    return f;
}
} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT
    std::unique_ptr<DeviceSimulator> m_sim;
    std::unique_ptr<DeviceLink> m_link;
    void pointAt(quint16 port)
    {
        m_link->setEndpointProvider([port] {
            return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port};
        });
    }

  private slots:
    void init()
    {
        m_link.reset(); // closes before its device goes
        m_sim = std::make_unique<DeviceSimulator>();
        QVERIFY(m_sim->listen());
        m_link = std::make_unique<DeviceLink>();
        pointAt(m_sim->port());
        m_link->setPhaseTimeouts(ReadBackMs, CalculateMs, OutputMs);
        connect(m_link->refreshTimer(), &QTimer::timeout, m_link.get(), &DeviceLink::startCheck);
    }

    void calculation_data()
    {
        QTest::addColumn<Faults>("faults");
        QTest::addColumn<int>("code");        // 100: results
        QTest::addColumn<QString>("counted"); // how often the link sent lines beginning so
        QTest::addColumn<int>("count");
        QTest::addColumn<int>(
            "minMs"); // the run takes at least this long (timers may be 5 % early)
        auto row = [](const char* name, const Faults& f, int code, const char* counted, int n,
                      int minMs = 0) {
            QTest::newRow(name) << f << code << QString::fromLatin1(counted) << n << minMs * 9 / 10;
        };
        auto beforeDone = [](const char* line) {
            return [line](QStringList& r) { r.insert(r.size() - 1, RefCrc::checked(line)); };
        };
        const QStringList done{"@DONE*"};
        row("clean", Faults(), 100, "$MIW*", 1);
        row("slow device", fault(&Faults::replyDelayMs, 5), 100, "$MIW*", 1);
        row("not ready", fault(&Faults::notReady, true), 0, "$MIW*", 1);
        row("over-long ready line",
            rewriting("$MIW", -1, [](QStringList& r) { r[0] += QString(5000, 'x'); }), 0, "$MIW*",
            1);
        row("extra acknowledgement every time", fault(&Faults::extraOk, true), 0, "$MIW*", 5);
        // A write retry waits for "@READY*" and sends every line again.
        row("extra acknowledgement once", with([](Faults& f) {
                f.failingAttempts = 1;
                f.extraOk = true;
            }),
            100, "$MIW*", 2);
        row("silent while writing", fault(&Faults::silentIn, Phase::WriteLines), 0, "$MIW*", 2);
        // "@DONE*" one acknowledgement short: line 69 is sent again, once per write.
        row("write done one short once", rewriting("$69", 1, [=](QStringList& r) { r = done; }),
            100, "$69,", 2);
        row("write done one short always", rewriting("$69", -1, [=](QStringList& r) { r = done; }),
            0, "$69,", 10);
        row("last read-back index not 69", fault(&Faults::wrongReadBackIndex, true), 1, "$MIR*", 5);
        row("read-back index 70", rewriting("$MIR", -1, beforeDone("#70,00000000")), 1, "$MIR*", 5);
        row("bad read-back checksum four times", with([](Faults& f) {
                f.failingAttempts = 4;
                f.badReadBackChecksumLine = 69;
            }),
            100, "$MIR*", 5);
        // All lines matched, so a late "@DONE*" gets one more period before the retry.
        row("read back without done once",
            rewriting("$MIR", 1, [](QStringList& r) { r.removeLast(); }), 100, "$MIR*", 2,
            2 * ReadBackMs);
        row("read back without done always",
            rewriting("$MIR", -1, [](QStringList& r) { r.removeLast(); }), 1, "$MIR*", 5,
            10 * ReadBackMs);
        row("silent in calculation", fault(&Faults::silentIn, Phase::Calculate), 2, "$MC,", 1,
            CalculateMs);
        row("type echo missing", rewriting("$MO", -1, [](QStringList& r) { r.removeFirst(); }), 3,
            "$MO*", 5);
        row("bad output checksum, last line", fault(&Faults::badOutputChecksumLine, 56), 3, "$MO*",
            5);
        row("output index 57", rewriting("$MO", -1, beforeDone("#57,1,1")), 3, "$MO*", 5);
        row("output line without B",
            rewriting("$MO", -1, [](QStringList& r) { r[11] = RefCrc::checked("#10,5"); }), 3,
            "$MO*", 5);
        row("early done in output",
            rewriting("$MO", -1, [](QStringList& r) { r.insert(31, "@DONE*"); }), 100, "$MO*", 1);
        // Bad lines every 50 ms must not keep the output phase open: five attempts, then give up.
        row("bad lines keep coming in output",
            with([](Faults& f) { f.silentIn = f.noiseIn = Phase::Output; }), 3, "$MO*", 5,
            5 * OutputMs);
    }
    void calculation()
    {
        QFETCH(Faults, faults);
        QFETCH(int, code);
        QFETCH(QString, counted);
        QSignalSpy errors(m_link.get(), &DeviceLink::socketError);
        QSignalSpy outcomes(m_link.get(), &DeviceLink::calculationFailed);
        QStringList events, outgoing;
        connect(m_link.get(), &DeviceLink::stageAdvanced, this,
                [&] { events << QStringLiteral("stage"); });
        connect(m_link.get(), &DeviceLink::lineLogged, this, [&](const QString& line, bool out) {
            if (out)
                outgoing << line;
        });
        // The identity is read again only after the results are handed over.
        connect(m_link.get(), &DeviceLink::resultsReady, this,
                [&] { events << "results after " + outgoing.last(); });
        m_sim->setFaults(faults);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runCalculation(*m_link, Raw, 3, 30000), code);
        QFETCH(int, minMs);
        QVERIFY(clock.elapsed() >= minMs);
        const QStringList lines = m_sim->receivedLines();
        QCOMPARE(outgoing, lines);
        QTEST(int(std::count_if(lines.begin(), lines.end(),
                                [&](const QString& l) { return l.startsWith(counted); })),
              "count");
        QVERIFY(!m_link->readTimeoutTimer()->isActive());
        QVERIFY(m_link->refreshTimer()->isActive());
        QCOMPARE(m_sim->connectionCount(), 1);
        QTest::qWait(50); // nothing follows
        if (code == 100) {
            QCOMPARE(outcomes.count(), 0);
            QCOMPARE(events,
                     (QStringList{"stage", "stage", "stage", "stage", "results after $MO*"}));
            QStringList tail = lines.mid(lines.lastIndexOf(QStringLiteral("$MIW*")));
            tail.removeDuplicates();
            QStringList frames{QStringLiteral("$MIW*")};
            for (int i = 0; i < 70; ++i)
                frames << RefCrc::checked(
                    QString::asprintf("$%02d,%08X", i, i == 5 ? 0u : Raw[i].toUInt()));
            QCOMPARE(tail, frames << "$MIR*"
                                  << "$MC,03,33*"
                                  << "$MO*"
                                  << "$RSN*"
                                  << "$RCV*");
            const QVector<double>& r = m_link->resultValues();
            QCOMPARE((QVector<double>{r[0], r[3], r[4], r[5], r[56], m_link->normValues()[0],
                                      m_link->normValues()[56]}),
                     (QVector<double>{1, 10000000, 1000000, 0, 1513, 259, 430}));
            QCOMPARE(QString::asprintf("%d %x", m_link->serialNumber(), m_link->version()),
                     QStringLiteral("20231117 35"));
            return;
        }
        QCOMPARE(outcomes.count(), 1);
        QVERIFY(!lines.contains(QStringLiteral("$RSN*")) && errors.isEmpty());
        // The next exchange works.
        m_sim->setFaults(Faults());
        QCOMPARE(runCalculation(*m_link, Raw, 3), 100);
    }

    // A check or a changed address ends a running calculation at once, and only once; the
    // check then runs to its end.
    void closingCalculationFailsIt_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("check") << false;
        QTest::newRow("network changed") << true;
    }
    void closingCalculationFailsIt()
    {
        QFETCH(bool, network);
        m_sim->setFaults(fault(&Faults::silentIn, Phase::Calculate));
        m_link->setPhaseTimeouts(ReadBackMs, 5000, OutputMs);
        QSignalSpy failed(m_link.get(), &DeviceLink::calculationFailed);
        QSignalSpy status(m_link.get(), &DeviceLink::statusChanged);
        m_link->startCalculation(Raw, 3);
        QVERIFY(waitUntil([&] { return m_link->step() == DeviceLink::Calculate; }, 5000));
        network ? m_link->updateNetwork() : m_link->startCheck();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed[0][0].toInt(), 4);
        QVERIFY(waitUntil(
            [&] { return m_link->step() == DeviceLink::Closed && m_link->deviceAvailable(); },
            5000));
        QVERIFY(m_sim->receivedLines().endsWith(QStringLiteral("$RCV*")));
        QCOMPARE(status.count(), 2);  // "connecting", "connected"
        m_link->nw_proc_Disconnect(); // closing an idle link reports nothing
        QTest::qWait(50);
        QCOMPARE(failed.count(), 1);
    }

    void endpointFor_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* port, bool local, const char* expected) {
            const DeviceLink::Endpoint e = DeviceLink::endpointFor("10.1.2.3", port, local);
            QTest::newRow(name) << QString(e.host % ':' % QString::number(e.port))
                                << QString::fromLatin1(expected);
        };
        row("configured port", "5000", false, "10.1.2.3:5000");
        row("local version ignores the port", "abc", true, "10.1.2.3:9761");
        row("wraps at 65536", "70000", false, "10.1.2.3:4464");
        row("not a number", "abc", false, "10.1.2.3:0");
        row("negative", "-1", false, "10.1.2.3:65535");
    }
    void endpointFor()
    {
        QFETCH(QString, got);
        QTEST(got, "expected");
    }
};

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
