// Delivery to the LIS over real loopback sockets, with the MLLP test listener: what each answer
// does to a message, the LIS down across a restart, the folder the LIS watches, and program
// instances sharing one application directory (real processes).
#include "lisreportfixture.h"
#include "lissim/lislistener.h"
#include "report/hl7message.h"
#include "report/lisoutbox.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

int distinct(const QStringList& list)
{
    return QSet<QString>(list.begin(), list.end()).size();
}

// Short enough that retries happen within a test; the order of the steps is what counts.
LisOutbox::Timing fastTiming()
{
    LisOutbox::Timing t;
    t.answerTimeoutMs = 400;
    t.firstRetryMs = 50;
    t.maxRetryMs = 200;
    t.pollMs = 50;
    return t;
}

std::unique_ptr<LisOutbox> startOutbox(const QString& appDir, quint16 port,
                                       const QString& folder = QString())
{
    auto outbox = std::make_unique<LisOutbox>(appDir);
    outbox->setTiming(fastTiming());
    LisOutbox::Config c;
    c.toListener = port != 0;
    c.host = QStringLiteral("127.0.0.1");
    c.port = port;
    c.toFolder = !folder.isEmpty();
    c.folder = folder;
    outbox->setConfig(c);
    return outbox;
}

// PID-3 of each message: the analysis codes in the order the listener got them.
QStringList analysisCodes(const QList<QByteArray>& messages)
{
    QStringList codes;
    for (const QByteArray& m : messages)
        codes << QString::fromUtf8(m).section("\rPID|", 1).section('|', 2, 2);
    return codes;
}

// A port nothing listens on.
quint16 closedPort()
{
    LisListener probe;
    probe.listen();
    return probe.port();
}

// Runs in a child process: queues the given reports, then delivers until the shared queue is empty.
int runWorker(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments(); // --worker <appDir> <port> <codes...>
    auto outbox = startOutbox(a.at(2), quint16(a.at(3).toUInt()));
    for (const QString& code : a.mid(4)) {
        if (!outbox->enqueue(lisTestReport(code)))
            return 3;
    }
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (outbox->waitingCount() == 0)
            app.quit();
    });
    check.start(20);
    QTimer::singleShot(60000, [&] { app.exit(2); });
    return app.exec();
}

} // namespace

class TestLisOutbox : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> app;
    std::unique_ptr<LisListener> lis;

    QString states(const LisOutbox& outbox) const
    {
        QStringList out;
        const QVector<LisEntry> recent = outbox.recent();
        for (auto it = recent.rbegin(); it != recent.rend(); ++it) {
            static const char* const names[] = {"waiting", "sending", "delivered", "failed"};
            out << QString::fromLatin1(names[int(it->state)]) +
                       (it->answer.isEmpty() ? QString() : " " + it->answer);
        }
        return out.join(" / ");
    }

  private slots:
    void init()
    {
        app = std::make_unique<QTemporaryDir>();
        lis = std::make_unique<LisListener>();
        QVERIFY(lis->listen());
    }

    // replies: the listener's answers in turn (accept, error:<text>, reject:<text>, silent), then
    // it accepts; "again" sends the refused message once more from the messages list.
    void answers_data()
    {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QString>("final"); // states, oldest first, with the LIS's answers
        QTest::addColumn<int>("received");  // messages the listener got
        QTest::addColumn<bool>("sameIds");  // every message it got bore the same control ID
        QTest::newRow("accepted") << QStringList{"accept"} << "delivered AA" << 1 << true;
        QTest::newRow("error kept as failed")
            << QStringList{"error:Unknown patient"} << "failed AE: Unknown patient" << 1 << true;
        QTest::newRow("rejected") << QStringList{"reject:Not ours"} << "failed AR: Not ours" << 1
                                  << true;
        QTest::newRow("silence, then retry")
            << QStringList{"silent", "silent", "accept"} << "delivered AA" << 3 << true;
        // Queued again under a new control ID, so the LIS does not take it for the refused one.
        QTest::newRow("error, sent again")
            << QStringList{"error:Busy", "again"} << "delivered AA" << 2 << false;
    }
    void answers()
    {
        QFETCH(QStringList, replies);
        const bool again = replies.removeAll("again") > 0;
        for (const QString& r : replies) {
            static const QStringList names{"accept", "error", "reject", "silent"};
            lis->replyOnce(LisListener::Reply(names.indexOf(r.section(':', 0, 0))),
                           r.section(':', 1));
        }
        auto outbox = startOutbox(app->path(), lis->port());
        QStringList names;
        QVERIFY(outbox->enqueue(lisTestReport(), &names));
        QCOMPARE(names.size(), 1);
        QCOMPARE(LisOutbox::statusText(outbox->waitingCount(), outbox->failedCount(), 0),
                 "LIS: 1 waiting");
        QTRY_COMPARE(outbox->waitingCount(), 0);
        if (again) {
            QCOMPARE(LisOutbox::statusText(outbox->waitingCount(), outbox->failedCount(), 1),
                     "ЛИС: 1 с ошибкой");
            QVERIFY(outbox->sendAgain(outbox->recent().first().name));
            QVERIFY(!outbox->sendAgain(names.first())); // already queued again
            QTRY_COMPARE(outbox->waitingCount(), 0);
        }
        QTEST(states(*outbox), "final");
        QTEST(lis->received().size(), "received");
        QTEST(distinct(lis->receivedControlIds()) == 1, "sameIds");
        QCOMPARE(Hl7::controlIdOf(lis->received().last()), outbox->recent().first().controlId);
    }

    // The LIS is down while three reports are released and the program is closed; after a restart
    // with the LIS back, each arrives once, in the order released.
    void lisDownAcrossRestart()
    {
        const quint16 port = closedPort();
        {
            auto outbox = startOutbox(app->path(), port);
            for (const char* code : {"R1", "R2", "R3"})
                QVERIFY(outbox->enqueue(lisTestReport(code)));
            // Tries are made and fail, the first message stays claimed meanwhile.
            QTRY_VERIFY(outbox->problemOf(outbox->recent().last().name)
                            .text(0)
                            .startsWith("The LIS cannot be reached"));
            QCOMPARE(outbox->waitingCount(), 3);
        }
        QVERIFY(QDir(app->path() + "/lis/sending").isEmpty());
        lis->close();
        QVERIFY(lis->listen(QHostAddress::LocalHost, port));
        auto outbox = startOutbox(app->path(), port);
        QTRY_COMPARE(outbox->waitingCount(), 0);
        QCOMPARE(analysisCodes(lis->received()), QStringList({"R1", "R2", "R3"}));
        QCOMPARE(states(*outbox), "delivered AA / delivered AA / delivered AA");
    }

    // The folder mode writes <control ID>.hl7 whole; while a file stands where the folder should
    // be, the message waits and says why, and goes once the folder is there.
    void folderDelivery()
    {
        const QString folder = app->filePath("inbox");
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto outbox = startOutbox(app->path(), 0, folder);
        QStringList names;
        QVERIFY(outbox->enqueue(lisTestReport(), &names));
        QTRY_COMPARE(
            outbox->problemOf(names.first()).text(0),
            QString(
                "Could not write \"%1\": Not a directory (a file stands where a folder is needed).")
                .arg(folder));
        QVERIFY(blocker.remove() && QDir().mkdir(folder));
        QTRY_COMPARE(outbox->waitingCount(), 0);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        const LisEntry sent = outbox->recent().first();
        QCOMPARE(files, QStringList{sent.controlId + ".hl7"});
        QFile file(folder + '/' + files.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray message = file.readAll();
        QVERIFY(message.startsWith("MSH|") && message.endsWith("|F\r"));
        QCOMPARE(Hl7::controlIdOf(message), sent.controlId);
        QCOMPARE(states(*outbox), "delivered");
    }

    // Two program instances on one application directory, as real processes: every message reaches
    // the LIS once and each instance's in the order it queued them, also when the instance that
    // delivers is killed in the middle of an exchange.
    void twoInstances_data()
    {
        QTest::addColumn<bool>("killFirst");
        QTest::newRow("side by side") << false;
        QTest::newRow("deliverer killed") << true;
    }
    void twoInstances()
    {
        QFETCH(bool, killFirst);
        const QString self = QCoreApplication::applicationFilePath();
        const QString port = QString::number(lis->port());
        if (killFirst)
            lis->setReply(LisListener::Reply::Silent);
        QProcess first;
        first.start(self, {"--worker", app->path(), port, "A1", "A2", "A3", "A4", "A5"});
        if (killFirst) {
            QTRY_VERIFY(!lis->received().isEmpty()); // A1 claimed and sent, no answer yet
            ::kill(pid_t(first.processId()), SIGKILL);
            QTRY_VERIFY(first.state() == QProcess::NotRunning);
            lis->setReply(LisListener::Reply::Accept);
            lis->clearReceived();
        }
        QProcess second;
        second.start(self, {"--worker", app->path(), port, "B1", "B2", "B3", "B4", "B5"});
        // Waiting in the event loop: the listener lives in this process.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 60000);
        QCOMPARE(second.exitCode(), 0);
        if (!killFirst) {
            QTRY_VERIFY_WITH_TIMEOUT(first.state() == QProcess::NotRunning, 60000);
            QCOMPARE(first.exitCode(), 0);
        }
        const QStringList codes = analysisCodes(lis->received());
        QCOMPARE(codes.size(), 10);
        QCOMPARE(distinct(lis->receivedControlIds()), 10);
        QCOMPARE(codes.filter("A"), QStringList({"A1", "A2", "A3", "A4", "A5"}));
        QCOMPARE(codes.filter("B"), QStringList({"B1", "B2", "B3", "B4", "B5"}));
        QVERIFY(QDir(app->path() + "/lis/queue").isEmpty() &&
                QDir(app->path() + "/lis/sending").isEmpty());
    }
};

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--worker") == 0)
        return runWorker(argc, argv);
    QCoreApplication app(argc, argv);
    TestLisOutbox test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_lisoutbox.moc"
