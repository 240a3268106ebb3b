// Report production from the working window to the PDF, over a real loopback socket with
// the device simulator: what a user gets, and what a user is told when it fails.
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>

#include "app/messagebox.h"
#include "device/debug_tcp.h"
#include "device/devicelink.h"
#include "e2e_fixture.h"
#include "report/history.h"
#include "windows/editreport.h"
#include "windows/historyreport.h"
#include "windows/progressinfo.h"

class TestReportE2E : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void newReport_producesEveryFile_data()
    {
        QTest::addColumn<int>("typeRow"); // row of the calculation type combo
        QTest::addColumn<QStringList>("charts");
        QTest::addColumn<QString>("marker"); // a name printed for that calculation type
        QTest::newRow("blood, type 3")
            << 5 << QStringList{"_img_0.bmp", "_img_2.bmp"} << "Streptococcus spp.";
        QTest::newRow("urine, type 2")
            << 10 << QStringList{"_img_1.bmp"} << "Clostridium propionicum";
        QTest::newRow("ear swab, type 1") << 9 << QStringList{"_img_0.bmp"} << "Sebum, 15:1";
    }
    void newReport_producesEveryFile()
    {
        QFETCH(int, typeRow);
        QFETCH(QStringList, charts);
        QFETCH(QString, marker);
        Fixture f;
        QVERIFY(f.start({QStringLiteral("XY_0412.D")}));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(typeRow);
        QSignalSpy stages(f.window.get(), &MainWindow::nextStageProgress);
        QVERIFY(f.produce(QStringLiteral("XY_0412.D")));
        // Stages 1 to 7, then the one that closes the progress window.
        QCOMPARE(stages.count(), 8);
        QVERIFY(!f.window->progressWindow()->isVisible());
        QVERIFY(f.window->reportEditor()->isVisible());
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(f.debugStage(), 19);

        const QString folder = f.app.file("reports/XY_0412.D");
        for (const char* name :
             {"report.ini", "RawData.txt", "XY_0412_report.html", "XY_0412_report_premade.html",
              "XY_0412_report_premade_debug.html"})
            QVERIFY2(QFile::exists(folder + "/" + name), name);
        for (const char* suffix : {"_img_0.bmp", "_img_1.bmp", "_img_2.bmp"})
            QCOMPARE(QFile::exists(folder + "/XY_0412" + suffix),
                     charts.contains(QLatin1String(suffix)));
        QCOMPARE(f.record("XY_0412.D", "General/ReportExist").toBool(), true);
        QCOMPARE(f.record("XY_0412.D", "General/FolderPath").toString(), f.data);
        QCOMPARE(f.record("XY_0412.D", "ReportData/ProbeCode").toString(),
                 QStringLiteral("XY_0412"));
        const QList<History::Entry> history = History::read(folder + "/history.txt");
        QVERIFY(history.size() == 1 && history.first().kind == History::Entry::Kind::Produced);
        const History::Entry& e = history.first();
        QVERIFY(qAbs(e.when.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(QStringList(
                     {e.operatorName, e.typeCode, e.serial, e.version, e.folderPath, e.folderName}),
                 QStringList({"Test Operator", QString::number(typeRow),
                              QString::number(DeviceSimulator::SerialNumber), "0x35", f.data,
                              "XY_0412.D"}));

        // The signed-in operator and the export's date are printed; no placeholder is left.
        const QString html = QString::fromUtf8(fileBytes(folder + "/XY_0412_report.html"));
        QVERIFY(html.contains(QStringLiteral("Test Operator 07.03.2019")));
        QVERIFY(!html.contains(QLatin1Char('$')));
        const QString text = pdfText(f.app.file("reportsPDF/XY_0412_report.pdf"));
        QVERIFY2(text.contains(marker) && text.contains(QStringLiteral("XY_0412")),
                 qPrintable(text.left(300)));

        QCOMPARE(f.entry("XY_0412.D", f.data)->foreground().color(), QColor(Qt::darkGreen));
        for (const char* name : {"pb_01", "pb_02", "pb_03", "pb_04"})
            QVERIFY2(f.button(name)->isEnabled(), name);
    }

    void refusedExport_stopsBeforeTheDevice_data()
    {
        QTest::addColumn<QString>("title"); // line 1 of the export
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stage");
        QTest::newRow("foreign export")
            << "Peak report" << 70 << "Encoding source file failed. Process stopped." << 5;
        QTest::newRow("too few rows") << "" << 60 << "epatemp.txt" << 7;
    }
    void refusedExport_stopsBeforeTheDevice()
    {
        QFETCH(QString, title);
        QFETCH(int, rows);
        QFETCH(QString, message);
        QFETCH(int, stage);
        DemoData::ExportContent content;
        content.title = title;
        content.values.resize(rows);
        Fixture f;
        QVERIFY(f.start({QStringLiteral("SK_3.D")}, false, content));
        const int connections = f.sim.connectionCount();
        QVERIFY(!f.produce(QStringLiteral("SK_3.D")));
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(message));
        QCOMPARE(MessageBox::shown()[0].buttons, QStringList{"Exit"});
        QVERIFY(!f.window->progressWindow()->isVisible());
        QCOMPARE(f.debugStage(), stage);
        QTest::qWait(100);
        QCOMPARE(f.sim.connectionCount(), connections);
    }

    void deviceFailure_leavesFilesAndStage10()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("UR_1.D")}));
        DeviceSimulator::Faults faults;
        faults.calcFails = true;
        f.sim.setFaults(faults);
        QVERIFY(!f.produce(QStringLiteral("UR_1.D")));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, QString::fromUtf8("Ошибка выполенения расчета."));
        QCOMPARE(f.debugStage(), 10);
        QVERIFY(!f.window->progressWindow()->isVisible());
        QVERIFY(!QFile::exists(f.app.file("reports/UR_1.D/UR_1_report.html")));
        QCOMPARE(QSettings(f.app.file("reports/UR_1.D/report.ini"), QSettings::IniFormat).allKeys(),
                 QStringList({"General/FolderPath", "Report/FolderName"}));
        QCOMPARE(f.entry("UR_1.D", f.data)->foreground().color(), QColor(Qt::magenta));

        // The program stays usable: the next run with a healthy device succeeds.
        f.sim.setFaults({});
        QVERIFY(f.produce(QStringLiteral("UR_1.D")));
        QCOMPARE(f.debugStage(), 19);
    }

    void sameNameFolders_getSeparateReports()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("a/FK_9.D"), QStringLiteral("b/FK_9.D")}, true));
        for (const char* sub : {"/a", "/b", "/a"}) {
            QVERIFY(f.produce(QStringLiteral("FK_9.D"), f.data + sub));
            f.window->reportEditor()->close();
        }
        QCOMPARE(f.record("FK_9.D", "General/FolderPath").toString(), f.data + "/a");
        QCOMPARE(f.record("FK_9.D_1", "General/FolderPath").toString(), f.data + "/b");
        QCOMPARE(f.record("FK_9.D_1", "ReportData/ProbeNamePDF").toString(),
                 QStringLiteral("FK_9.D_1"));
        QVERIFY(!QFile::exists(f.app.file("reports/FK_9.D_2")));
        QVERIFY(QFile::exists(f.app.file("reportsPDF/FK_9_1_report.pdf")));
        // Each report folder keeps its own history; producing again adds to it.
        QCOMPARE(History::read(f.app.file("reports/FK_9.D/history.txt")).size(), 2);
        const QList<History::Entry> second =
            History::read(f.app.file("reports/FK_9.D_1/history.txt"));
        QVERIFY(second.size() == 1 && second.first().folderPath == f.data + "/b");
    }

    void debugWindow_logsTheCalculationInColours()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("ZE_5.D")}));
        QAction* debugAction = f.window->findChild<QAction*>("action_TCP_debug");
        QVERIFY(!debugAction->isVisible());
        f.window->nw_proc_SendSpecial(QStringLiteral("vitro"));
        QVERIFY(debugAction->isVisible());

        QVERIFY(f.produce(QStringLiteral("ZE_5.D")));
        // Logged although the window was never shown.
        auto* log = f.window->debugWindow()->findChild<QTextEdit*>("textEdit");
        auto colourOf = [&](const QString& line) {
            for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next())
                if (b.text() == line && b.begin() != b.end())
                    return b.begin().fragment().charFormat().foreground().color();
            return QColor();
        };
        QCOMPARE(colourOf(QStringLiteral("$MIW*")), QColor(Qt::darkGreen));
        QCOMPARE(colourOf(QStringLiteral("@READY*")), QColor(Qt::blue));
        // "Another (ETC)" without a calculation type chosen: code 0; D1 is CRC-8/MAXIM of "MC,00".
        QCOMPARE(colourOf(QStringLiteral("$MC,00,D1*")), QColor(Qt::darkGreen));
        QCOMPARE(colourOf(QStringLiteral("@OK*")), QColor(Qt::blue));
    }

    // An edit after production is recorded under the signed-in operator; File > History lists
    // it first and copies the list.
    void history_listsProductionAndEdits()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("SL_8.D")}));
        QVERIFY(f.produce(QStringLiteral("SL_8.D")));
        editReport* editor = f.window->reportEditor();
        QVERIFY(editor->isVisible());
        editor->findChild<QPushButton*>("cb_NewPatient")->click();
        editor->findChild<QLineEdit*>("lePatientNew")->setText(QStringLiteral("Edited Name"));
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        ReasonDialog::setNextReason(QStringLiteral("Typo in the patient name"));
        editor->findChild<QPushButton*>("pb_Apply")->click();
        // Apply returns once the PDF is in place: quitting right after it loses nothing.
        QCOMPARE(pdf.count(), 1);
        const QString amended = pdfText(pdf.first().at(0).toString()).simplified();
        QVERIFY2(amended.contains(QStringLiteral("Edited Name")) &&
                     amended.contains("Amended report, version 2") &&
                     amended.contains("Reason: Typo in the patient name"),
                 qPrintable(amended.left(400)));
        editor->close();
        QAction* action = f.window->findChild<QAction*>("actionHistory");
        QTRY_VERIFY(action->isEnabled());
        action->trigger();
        historyReport* history = f.window->historyWindow();
        QVERIFY(history->isVisible());
        QCOMPARE(history->windowTitle(), QString::fromUtf8("History — SL_8.D"));
        history->findChild<QPushButton*>("pb_Copy")->click();
        history->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(history));
        QTest::keyClick(history, Qt::Key_Escape);
        QVERIFY(!history->isVisible());
        const QStringList lines =
            QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].contains("\tTest Operator\tPatient name\t") &&
                     lines[1].contains(QString::fromUtf8("→ «Edited Name»")),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].contains("Report produced") &&
                     lines[2].contains("device 20231117, version 0x35"),
                 qPrintable(lines[2]));
    }

    // New on a finished report asks first; No leaves every file as it was, the corrections
    // made in the editor among them.
    void newOnFinishedReport_asksFirst()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("FK_4.D")}));
        QVERIFY(f.produce(QStringLiteral("FK_4.D")));
        f.window->reportEditor()->close();
        const QString record = f.app.file("reports/FK_4.D/report.ini");
        QSettings(record, QSettings::IniFormat)
            .setValue("ReportData/PatientPrint", "Corrected Name");
        const QByteArray before =
            fileBytes(record) + fileBytes(f.app.file("reportsPDF/FK_4_report.pdf"));
        MessageBox::clearShown();
        QSignalSpy ended(f.window.get(), &MainWindow::productionEnded);
        QVERIFY(f.select(QStringLiteral("FK_4.D")));
        f.button("pb_01")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("Confirmation"));
        QCOMPARE(MessageBox::shown()[0].text,
                 QStringLiteral("This analysis already has a report. Produce it again? "
                                "Changes made in the report editor will be replaced."));
        QCOMPARE(MessageBox::shown()[0].buttons, QStringList({"Yes", "No"}));
        QTest::qWait(100);
        QVERIFY(ended.isEmpty() && !f.window->progressWindow()->isVisible());
        QCOMPARE(fileBytes(record) + fileBytes(f.app.file("reportsPDF/FK_4_report.pdf")), before);
    }

    void newWhileDeviceUnavailable_onlyWarns()
    {
        Fixture f;
        QVERIFY(f.start({QStringLiteral("VA_2.D")}));
        QVERIFY(f.select(QStringLiteral("VA_2.D")));
        QVERIFY(!f.window->findChild<QAction*>("actionHistory")->isEnabled());
        f.window->deviceLink()->setDeviceAvailable(false);
        f.button("pb_01")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text,
                 QStringLiteral("The hardware is not available. Check the connection settings."));
        QVERIFY(!QFile::exists(f.app.file("reports/VA_2.D")));
    }

    // The PDF is archival, PDF/A-1b: identified as such in its metadata, and every font, the
    // Cyrillic ones and the bold and italic ones included, embedded in it.
    void pdf_isArchival_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("typeRow");
        QTest::newRow("English, type 1") << 0 << 9;
        QTest::newRow("Russian, type 3") << 1 << 5;
    }
    void pdf_isArchival()
    {
        QFETCH(int, language);
        QFETCH(int, typeRow);
        Fixture f;
        f.language = language;
        QVERIFY(f.start({QStringLiteral("PA_1.D")}));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(typeRow);
        QVERIFY(f.produce(QStringLiteral("PA_1.D")));
        const QString pdf = f.app.file("reportsPDF/PA_1_report.pdf");
        QProcess info, fonts;
        info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), pdf});
        fonts.start(QStringLiteral("pdffonts"), {pdf});
        QVERIFY(info.waitForFinished() && fonts.waitForFinished());
        // As attributes or as elements, the two forms XMP allows.
        const QString meta = QString::fromUtf8(info.readAllStandardOutput());
        for (const char* id : {"part(=\"|>)1[\"<]", "conformance(=\"|>)B[\"<]"})
            QVERIFY2(
                meta.contains(QRegularExpression(QLatin1String("pdfaid:") + QLatin1String(id))),
                qPrintable(meta));
        // A heading, a rule, then one font a line in fixed columns.
        const QStringList lines =
            QString::fromUtf8(fonts.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 2);
        const int emb = lines.first().indexOf(QLatin1String(" emb ")) + 1;
        for (const QString& font : lines.mid(2))
            QVERIFY2(font.mid(emb, 3) == QLatin1String("yes"), qPrintable(font));
    }
};

QTEST_MAIN(TestReportE2E)
#include "tst_report_e2e.moc"
