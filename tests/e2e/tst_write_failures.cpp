// Writes made to fail while a report is produced or edited: the user is told which file
// and why, nothing is claimed that was not done, and the next try works.
#include <QLineEdit>

#include "app/messagebox.h"
#include "e2e_fixture.h"
#include "report/filewrite.h"
#include "report/history.h"
#include "windows/editreport.h"
#include "windows/progressinfo.h"

class TestWriteFailures : public QObject
{
    Q_OBJECT

    int m_writesPerRun = 0;
    std::unique_ptr<Fixture> m_failing;  // one window for all failing-write rows

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        FileWrite::failWrite(0);
    }

    void cleanupTestCase() { m_failing.reset(); }

    void initTestCase()
    {
        // The number of files a whole production writes, for the failing-write rows.
        Fixture f;
        QVERIFY(f.start({QStringLiteral("BL_0.D")}));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(5);
        const int before = FileWrite::writeCount();
        QVERIFY(f.produce(QStringLiteral("BL_0.D")));
        m_writesPerRun = FileWrite::writeCount() - before;
        QVERIFY(m_writesPerRun > 20);
    }

    // Every write of a production made to fail in turn: the run stops with one message and
    // claims nothing; the next run without the fault gives the whole report.
    void everyFailedWrite_stopsProduction_data()
    {
        QTest::addColumn<int>("k");
        for (int k = 1; k <= m_writesPerRun; ++k)
            QTest::newRow(qPrintable(QStringLiteral("write %1").arg(k))) << k;
    }
    void everyFailedWrite_stopsProduction()
    {
        QFETCH(int, k);
        if (!m_failing) {
            // One analysis per row, each never produced before.
            QStringList analyses;
            for (int i = 1; i <= m_writesPerRun; ++i)
                analyses << QStringLiteral("BL_%1.D").arg(i);
            m_failing = std::make_unique<Fixture>();
            QVERIFY(m_failing->start(analyses));
            m_failing->window->findChild<QComboBox*>("cb_02")->setCurrentIndex(5);
        }
        Fixture* f = m_failing.get();
        const QString name = QStringLiteral("BL_%1.D").arg(k);
        const QString pdf = f->app.file(QStringLiteral("reportsPDF/BL_%1_report.pdf").arg(k));

        FileWrite::failWrite(k);
        QVERIFY(!f->produce(name));
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("Could not write")));
        QVERIFY(!f->window->progressWindow()->isVisible());
        QVERIFY(!f->window->reportEditor()->isVisible());
        QCOMPARE(f->entry(name, f->data)->foreground().color(), QColor(Qt::magenta));
        QVERIFY(!f->record(name, "General/ReportExist").toBool());
        QVERIFY(!QFile::exists(pdf));

        MessageBox::clearShown();
        QVERIFY(f->produce(name));
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(f->record(name, "General/ReportExist").toBool());
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        f->window->reportEditor()->close();
    }

    // What a user meets: something in the way of a file the report needs.
    void obstacle_stopsProductionAndNamesIt_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("folder");  // a folder rather than a plain file
        QTest::addColumn<int>("stage");    // the last checkpoint reached
        QTest::newRow("reports is a file") << "reports" << false << 1;
        QTest::newRow("reportsPDF is a file") << "reportsPDF" << false << 17;
        QTest::newRow("report page is a folder") << "reports/UR_4.D/UR_4_report.html" << true << 15;
    }
    void obstacle_stopsProductionAndNamesIt()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, folder);
        QFETCH(int, stage);
        Fixture f;
        QVERIFY(f.start({QStringLiteral("UR_4.D")}));
        const QString path = f.app.file(obstacle);
        QDir(path).removeRecursively();
        if (folder) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile blocker(path);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        QVERIFY(!f.produce(QStringLiteral("UR_4.D")));
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown()[0].text.contains(path), qPrintable(MessageBox::shown()[0].text));
        QCOMPARE(f.debugStage(), stage);
        QVERIFY(!f.window->reportEditor()->isVisible());
        QVERIFY(!QFile::exists(f.app.file("reportsPDF/UR_4_report.pdf")));

        folder ? QDir(path).removeRecursively() : QFile::remove(path);
        QVERIFY(f.produce(QStringLiteral("UR_4.D")));
        QVERIFY(QFile::exists(f.app.file("reportsPDF/UR_4_report.pdf")));
    }


    // The same for Apply in the editor, whose writes are the history, report.ini, the page,
    // then the PDF.
    void everyFailedWrite_duringApply_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<bool>("recordChanged");
        QTest::addColumn<bool>("pageChanged");
        QTest::newRow("history") << 1 << false << false;
        QTest::newRow("report.ini") << 2 << false << false;
        QTest::newRow("report page") << 3 << true << false;
        QTest::newRow("PDF") << 4 << true << true;
    }
    void everyFailedWrite_duringApply()
    {
        QFETCH(int, k);
        QFETCH(bool, recordChanged);
        QFETCH(bool, pageChanged);
        Fixture f;
        QVERIFY(f.start({QStringLiteral("SL_8.D")}));
        QVERIFY(f.produce(QStringLiteral("SL_8.D")));
        editReport* editor = f.window->reportEditor();
        const QString page = f.app.file("reports/SL_8.D/SL_8_report.html");
        const QString pdf = f.app.file("reportsPDF/SL_8_report.pdf");
        const QByteArray pdfBefore = fileBytes(pdf);
        editor->findChild<QPushButton*>("cb_NewPatient")->click();
        editor->findChild<QLineEdit*>("lePatientNew")->setText(QStringLiteral("Edited Name"));

        QSignalSpy written(f.window.get(), &MainWindow::pdfWritten);
        const int before = FileWrite::writeCount();
        FileWrite::failWrite(k);
        editor->findChild<QPushButton*>("pb_Apply")->click();
        QTRY_COMPARE(MessageBox::shown().size(), 1);
        QTest::qWait(100);
        QCOMPARE(FileWrite::writeCount() - before, k);  // nothing more was tried after the failure
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(f.record("SL_8.D", "ReportData/PatientPrint").toString() == "Edited Name", recordChanged);
        QCOMPARE(fileBytes(page).contains("Edited Name"), pageChanged);
        QCOMPARE(fileBytes(pdf), pdfBefore);
        QCOMPARE(History::read(f.app.file("reports/SL_8.D/history.txt")).size(), k == 1 ? 1 : 2);

        // Applying again without the fault rewrites the PDF, without touching the progress window.
        MessageBox::clearShown();
        QSignalSpy stages(f.window.get(), &MainWindow::nextStageProgress);
        editor->findChild<QPushButton*>("pb_Apply")->click();
        QTRY_VERIFY(written.count() > (k == 4 ? 1 : 0));
        QVERIFY(written.last().at(1).toBool());
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(stages.count(), 0);
        QVERIFY(!f.window->progressWindow()->isVisible());
        QVERIFY(fileBytes(page).contains("Edited Name"));
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Edited Name")));
    }
};

QTEST_MAIN(TestWriteFailures)
#include "tst_write_failures.moc"
