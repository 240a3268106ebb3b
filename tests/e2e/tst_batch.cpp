// A batch of reports over the device simulator: what it produces, what it records when an
// analysis fails, when it stops, and what the operator is shown at the end.
#include <QAction>
#include <QClipboard>
#include <QLabel>

#include "app/messagebox.h"
#include "e2e_fixture.h"
#include "report/syscalls.h"
#include "windows/batchsummary.h"
#include "windows/editreport.h"
#include "windows/progressinfo.h"

namespace {
const QStringList kAnalyses = {"BL_1.D", "BL_2.D", "BL_3.D", "BL_4.D", "BL_5.D"};
} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

    static QAction* batchAction(Fixture& f)
    {
        return f.window->findChild<QAction*>("actionMake_batch");
    }

  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        Sys::inject(Sys::Op::Any, 0);
    }

    void batch_recordsEachOutcome_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("questions"); // each answered Yes
        // The copied summary; each line of it begins with the line given here.
        QTest::addColumn<QStringList>("summary");
        const auto lines = [](const QString& text) { return text.split('\n'); };
        const QStringList produce5 = {"Produce 5 reports?"};
        const QString from4 = "\nBL_4.D\tNot produced\nBL_5.D\tNot produced";
        QTest::newRow("refused export and device failure")
            << "mixed" << 0 << produce5
            << lines("Reports produced: 3 of 5.\nBL_1.D\tDone\n"
                     "BL_2.D\tEncoding source file failed. Process stopped.\n"
                     "BL_3.D\tОшибка выполенения расчета.\nBL_4.D\tDone\nBL_5.D\tDone");
        const QString byOperator = "Reports produced: 2 of 5. Stopped by the operator.\n"
                                   "BL_1.D\tDone\nBL_2.D\tDone";
        QTest::newRow("stop during the second report")
            << "stop" << 0 << produce5 << lines(byOperator + "\nBL_3.D\tNot produced" + from4);
        QTest::newRow("Esc during the third report")
            << "esc" << 0 << lines("Produce 5 reports?\nStop the calculation?")
            << lines(byOperator + "\nBL_3.D\tStopped by the operator" + from4);
        const QString stopped = "Reports produced: 0 of 5. The batch was stopped: the failure "
                                "would repeat for every analysis.\nBL_1.D\t";
        const QString all = "\nBL_2.D\tNot produced\nBL_3.D\tNot produced" + from4;
        // A connection that breaks during one analysis is that analysis' failure only.
        QTest::newRow("connection dropped once")
            << "dropped" << 0 << produce5
            << lines("Reports produced: 4 of 5.\nBL_1.D\tDone\n"
                     "BL_2.D\tОшибка подключения к аппаратной части.\nBL_3.D\tDone\nBL_4.D\tDone\n"
                     "BL_5.D\tDone");
        QTest::newRow("device unreachable")
            << "unreachable" << 0 << produce5
            << lines(stopped + "Ошибка подключения к аппаратной части." + all);
        QTest::newRow("application directory not writable")
            << "write" << 0 << produce5 << lines(stopped + "Could not write \"" + all);
        QTest::newRow("device unreachable, Russian")
            << "unreachable" << 1 << lines("Сформировать отчетов: 5?")
            << lines("Сформировано отчетов: 0 из 5. Пакет остановлен: ошибка повторилась бы для "
                     "каждого анализа.\nBL_1.D\tОшибка подключения к аппаратной части.\n"
                     "BL_2.D\tНе сформирован\nBL_3.D\tНе сформирован\nBL_4.D\tНе сформирован\n"
                     "BL_5.D\tНе сформирован");
    }

    void batch_recordsEachOutcome()
    {
        QFETCH(QString, scenario);
        QFETCH(int, language);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, summary);
        Fixture f;
        f.language = language;
        QVERIFY(f.start(kAnalyses));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(5);
        ProgressInfo* progress = f.window->progressWindow();
        QSignalSpy ended(f.window.get(), &MainWindow::productionEnded);
        QString lineAtStop;
        if (scenario == "mixed") {
            DemoData::ExportContent foreign;
            foreign.title = QStringLiteral("Peak report");
            QVERIFY(DemoData::writeAnalysis(f.data, "BL_2.D", foreign));
            // The device fails the third analysis' calculation only.
            connect(f.window.get(), &MainWindow::productionEnded, &f.sim, [&] {
                DeviceSimulator::Faults faults;
                faults.calcFails = true;
                faults.failingAttempts = 1;
                if (ended.count() == 2)
                    f.sim.setFaults(faults);
            });
        } else if (scenario == "stop" || scenario == "esc") {
            // Stop during the second analysis' calculation, Esc during the third one's.
            const QString at = scenario == "stop" ? "2 /" : "3 /";
            connect(f.window.get(), &MainWindow::nextStageProgress, progress, [&, at] {
                auto* line = progress->findChild<QLabel*>("batchLine");
                if (lineAtStop.isEmpty() && progress->stage() == 4 && line->text().startsWith(at)) {
                    auto* stop = progress->findChild<QPushButton*>("pb_stop");
                    lineAtStop = line->text() + '|' + stop->text();
                    scenario == "stop" ? stop->click() : QTest::keyClick(progress, Qt::Key_Escape);
                }
            });
        } else if (scenario == "dropped") {
            // The device drops the link while the second analysis' results are read.
            connect(f.window.get(), &MainWindow::productionEnded, &f.sim, [&] {
                DeviceSimulator::Faults faults;
                faults.dropIn = DeviceSimulator::Phase::Output;
                f.sim.setFaults(ended.count() == 1 ? faults : DeviceSimulator::Faults());
            });
        } else if (scenario == "unreachable") {
            QVERIFY(f.sim.listen()); // a new port: nothing answers at the configured one
        } else {
            Sys::inject(Sys::Op::Write, 1);
        }
        const int connections = f.sim.connectionCount();
        QTRY_VERIFY(batchAction(f)->isEnabled());
        for (int i = 0; i < questions.size(); ++i)
            MessageBox::setNextAnswer(MessageBox::Yes);
        QSignalSpy finished(f.window.get(), &MainWindow::batchFinished);
        batchAction(f)->trigger();
        QVERIFY(finished.count() == 1 || finished.wait(60000));

        // No box per analysis, no editor; the summary names every analysis.
        QCOMPARE(MessageBox::shown().size(), questions.size());
        for (int i = 0; i < questions.size(); ++i)
            QCOMPARE(MessageBox::shown()[i].text, questions[i]);
        QVERIFY(!f.window->reportEditor()->isVisible() && !progress->isVisible());
        QVERIFY(f.window->batchSummary()->isVisible());
        f.window->batchSummary()->findChild<QPushButton*>("pb_copy")->click();
        const QStringList copied =
            QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        f.window->batchSummary()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window->batchSummary()));
        QTest::keyClick(f.window->batchSummary(), Qt::Key_Escape);
        QVERIFY(!f.window->batchSummary()->isVisible());
        QCOMPARE(copied.size(), summary.size());
        for (int i = 0; i < summary.size(); ++i)
            QVERIFY2(copied[i].startsWith(summary[i]), qPrintable(copied[i]));
        const QStringList tried =
            summary.filter(QRegularExpression("\\t(?!Not produced|Не сформирован)"));
        QCOMPARE(ended.count(), tried.size());

        for (const QString& name : kAnalyses) {
            const bool done = summary.contains(name + "\tDone");
            const QString pdf =
                f.app.file("reportsPDF/" + QString(name).replace(".D", "_report.pdf"));
            QCOMPARE(fileBytes(pdf).startsWith("%PDF"), done);
            if (done) // each PDF is its own analysis' report
                QVERIFY(pdfText(pdf).contains(QString(name).remove(".D")));
            QCOMPARE(f.entry(name, f.data)->foreground().color(),
                     QColor(done ? Qt::darkGreen : Qt::magenta));
        }
        if (scenario == "stop")
            QCOMPARE(lineAtStop, QStringLiteral("2 / 5  BL_2.D|Stop"));
        if (scenario == "unreachable")
            QCOMPARE(f.sim.connectionCount(), connections);
        if (tried.last().endsWith("Done")) // the last run got through: same breadcrumb as New
            QCOMPARE(f.debugStage(), 19);
        // Every calculation was asked with the chosen type (blood, code 5).
        QCOMPARE(f.sim.receivedLines().filter("$MC,").size(),
                 f.sim.receivedLines().filter("$MC,05,").size());
        // A single New afterwards gets the plain progress window again.
        f.window->showProgress();
        QCOMPARE(progress->size(), QSize(169, 52));
        QCOMPARE(progress->findChild<QLabel*>("label")->geometry(), QRect(10, 0, 151, 20));
        progress->initStage(10);
    }

    // Offered while an analysis waits for its report and the device answers as itself.
    void batchAction_followsPendingEntriesAndDevice()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("UR_7.D")}));
        QAction* action = batchAction(f);
        QTRY_VERIFY(action->isEnabled());
        DeviceSimulator::Faults faults;
        faults.wrongIdentity = true;
        f.sim.setFaults(faults);
        f.window->tmr_refreshInfo();
        QTRY_VERIFY(!action->isEnabled());
        f.sim.setFaults({});
        f.window->tmr_refreshInfo();
        QTRY_VERIFY(action->isEnabled());
        QVERIFY(f.produce(QStringLiteral("UR_7.D")));
        QTRY_VERIFY(!action->isEnabled());
    }
};

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
