// Report production from the working window to the PDF, over a real loopback socket with
// the device simulator.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "device/debug_tcp.h"
#include "apptestdir.h"
#include "catalogue/mainwindow_listwidget.h"
#include "demodata/demodata.h"
#include "device/devicelink.h"
#include "devicesim/devicesimulator.h"
#include "windows/editreport.h"
#include "windows/progressinfo.h"

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestReportE2E : public QObject
{
    Q_OBJECT

    struct Fixture {
        AppTestDir app;
        DeviceSimulator sim;
        QString data;
        std::unique_ptr<MainWindow> window;
    };

    // An application directory over a data directory holding the given analyses, signed in.
    bool start(Fixture& f, const QStringList& analyses, bool deep = false,
               const DemoData::ExportContent& content = DemoData::ExportContent())
    {
        if (!f.app.copyTemplates() || !f.sim.listen())
            return false;
        f.data = f.app.file(QStringLiteral("data"));
        for (const QString& relative : analyses) {
            const QFileInfo info(QDir(f.data).filePath(relative));
            if (!QDir().mkpath(info.path())
                || !DemoData::writeAnalysis(info.path(), info.fileName(), content))
                return false;
        }
        AppTestDir::Settings s;
        s.dataDir = f.data;
        s.deep = deep;
        s.port = QString::number(f.sim.port());
        if (!f.app.writeSettings(s))
            return false;
        f.app.enter();
        f.window = std::make_unique<MainWindow>();
        f.window->show();
        f.window->login_procedure();
        // "Another (ETC)" lists every folder.
        f.window->findChild<QComboBox*>("cb_01")->setCurrentIndex(21);
        return true;
    }

    QListWidget* list(Fixture& f) { return f.window->findChild<QListWidget*>("ListText"); }

    // Activates the entry of the given folder, the way a double click does.
    bool select(Fixture& f, const QString& name, const QString& path)
    {
        QListWidget* l = list(f);
        for (int row = 0; row < l->count(); ++row) {
            const FolderRecord r = ListWidgetFill::recordOf(l->item(row));
            if (r.name == name && r.path == path) {
                emit l->activated(l->model()->index(row, 0));
                return true;
            }
        }
        return false;
    }

    bool waitForEntries(Fixture& f, int count)
    {
        QElapsedTimer t;
        t.start();
        while (list(f)->count() < count && t.elapsed() < 10000)
            QTest::qWait(20);
        return list(f)->count() >= count;
    }

    int debugStage(Fixture& f)
    {
        return QSettings(f.app.file("debug.ini"), QSettings::IniFormat)
            .value("Debug/DebugStage", -1)
            .toInt();
    }

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void newReport_producesEveryFile_data()
    {
        QTest::addColumn<int>("typeRow");  // row of "Another (ETC)"'s calculation combo
        QTest::addColumn<QStringList>("charts");
        QTest::newRow("blood, type 3") << 5 << QStringList{"_img_0.bmp", "_img_2.bmp"};
        QTest::newRow("urine, type 2") << 10 << QStringList{"_img_1.bmp"};
        QTest::newRow("ear swab, type 1") << 9 << QStringList{"_img_0.bmp"};
    }

    void newReport_producesEveryFile()
    {
        QFETCH(int, typeRow);
        QFETCH(QStringList, charts);
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("XY_0412.D")}));
        QVERIFY(waitForEntries(f, 1));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(typeRow);
        QVERIFY(select(f, "XY_0412.D", f.data));
        auto* newButton = f.window->findChild<QPushButton*>("pb_01");
        QVERIFY(newButton->isEnabled());

        QSignalSpy stages(f.window.get(), &MainWindow::nextStageProgress);
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        newButton->click();
        QVERIFY(pdf.wait(20000));
        QVERIFY(pdf.first().at(1).toBool());
        // Eight stages, and one more from the PDF step that finds the window closed.
        QCOMPARE(stages.count(), 9);
        QVERIFY(!f.window->progressWindow()->isVisible());
        QVERIFY(f.window->reportEditor()->isVisible());
        QVERIFY(MessageBox::shown().isEmpty());

        const QString folder = f.app.file("reports/XY_0412.D");
        for (const QString& name : {QStringLiteral("report.ini"), QStringLiteral("RawData.txt"),
                                    QStringLiteral("XY_0412_report.html"),
                                    QStringLiteral("XY_0412_report_premade.html"),
                                    QStringLiteral("XY_0412_report_premade_debug.html")})
            QVERIFY2(QFile::exists(folder + "/" + name), qPrintable(name));
        for (const QString& suffix : {QStringLiteral("_img_0.bmp"), QStringLiteral("_img_1.bmp"),
                                      QStringLiteral("_img_2.bmp")})
            QCOMPARE(QFile::exists(folder + "/XY_0412" + suffix), charts.contains(suffix));
        const QString pdfPath = f.app.file("reportsPDF/XY_0412_report.pdf");
        QCOMPARE(pdf.first().at(0).toString(), pdfPath);
        QVERIFY(fileBytes(pdfPath).startsWith("%PDF"));
        QCOMPARE(debugStage(f), 19);

        QSettings ini(folder + "/report.ini", QSettings::IniFormat);
        QCOMPARE(ini.value("General/ReportExist").toBool(), true);
        QCOMPARE(ini.value("General/FolderPath").toString(), f.data);
        QCOMPARE(ini.value("ReportData/ProbeCode").toString(), QStringLiteral("XY_0412"));
        // No placeholder is left in the final report.
        const QString html = QString::fromUtf8(fileBytes(folder + "/XY_0412_report.html"));
        QVERIFY(!html.contains(QStringLiteral("$Res")));
        QVERIFY(!html.contains(QStringLiteral("$PatientID")));

        QListWidgetItem* item = list(f)->item(0);
        QCOMPARE(item->foreground().color(), QColor(Qt::darkGreen));
        for (const char* name : {"pb_01", "pb_02", "pb_03", "pb_04"})
            QVERIFY2(f.window->findChild<QPushButton*>(name)->isEnabled(), name);
    }

    void pdf_holdsRealText()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("BL_77.D")}));
        QVERIFY(waitForEntries(f, 1));
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(5);
        QVERIFY(select(f, "BL_77.D", f.data));
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        f.window->findChild<QPushButton*>("pb_01")->click();
        QVERIFY(pdf.wait(20000));
        QProcess p;
        p.start("pdftotext", {pdf.first().at(0).toString(), "-"});
        QVERIFY(p.waitForFinished(20000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("Streptococcus")), qPrintable(text.left(400)));
        QVERIFY(text.contains(QStringLiteral("BL_77")));
    }

    void deviceFailure_leavesFilesAndStage10()
    {
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("UR_1.D")}));
        QVERIFY(waitForEntries(f, 1));
        DeviceSimulator::Faults faults;
        faults.calcFails = true;
        f.sim.setFaults(faults);
        QVERIFY(select(f, "UR_1.D", f.data));
        f.window->findChild<QPushButton*>("pb_01")->click();
        QTRY_COMPARE_WITH_TIMEOUT(MessageBox::shown().size(), 1, 10000);
        QCOMPARE(MessageBox::shown()[0].text, QString::fromUtf8("Ошибка выполенения расчета."));
        QCOMPARE(debugStage(f), 10);
        QVERIFY(!f.window->progressWindow()->isVisible());
        const QString folder = f.app.file("reports/UR_1.D");
        QVERIFY(!QFile::exists(folder + "/UR_1_report.html"));
        QCOMPARE(QSettings(folder + "/report.ini", QSettings::IniFormat).allKeys(),
                 QStringList{"General/FolderPath"});
        QCOMPARE(list(f)->item(0)->foreground().color(), QColor(Qt::magenta));

        // The program stays usable: the next run with a healthy device succeeds.
        f.sim.setFaults({});
        MessageBox::clearShown();
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        QVERIFY(select(f, "UR_1.D", f.data));
        f.window->findChild<QPushButton*>("pb_01")->click();
        QVERIFY(pdf.wait(20000));
        QCOMPARE(debugStage(f), 19);
    }

    void incompleteExport_isRefused()
    {
        Fixture f;
        DemoData::ExportContent shortExport;
        shortExport.values.resize(60);
        QVERIFY(start(f, {QStringLiteral("SK_3.D")}, false, shortExport));
        QVERIFY(waitForEntries(f, 1));
        QVERIFY(select(f, "SK_3.D", f.data));
        const int before = f.sim.connectionCount();
        f.window->findChild<QPushButton*>("pb_01")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("epatemp.txt")));
        QVERIFY(!f.window->progressWindow()->isVisible());
        QCOMPARE(debugStage(f), 7);
        QTest::qWait(100);
        QCOMPARE(f.sim.connectionCount(), before);
    }

    void sameNameFolders_getSeparateReports()
    {
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("a/FK_9.D"), QStringLiteral("b/FK_9.D")}, true));
        QVERIFY(waitForEntries(f, 2));
        const QString pathA = f.data + "/a";
        const QString pathB = f.data + "/b";
        for (const QString& path : {pathA, pathB, pathA}) {
            QVERIFY(select(f, "FK_9.D", path));
            QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
            f.window->findChild<QPushButton*>("pb_01")->click();
            QVERIFY(pdf.wait(20000));
        }
        auto folderPath = [&](const QString& name) {
            return QSettings(f.app.file("reports/" + name + "/report.ini"), QSettings::IniFormat)
                .value("General/FolderPath")
                .toString();
        };
        QCOMPARE(folderPath("FK_9.D"), pathA);
        QCOMPARE(folderPath("FK_9.D_1"), pathB);
        QVERIFY(!QFile::exists(f.app.file("reports/FK_9.D_2")));
        QVERIFY(QFile::exists(f.app.file("reportsPDF/FK_9_1_report.pdf")));
        QCOMPARE(QSettings(f.app.file("reports/FK_9.D_1/report.ini"), QSettings::IniFormat)
                     .value("ReportData/ProbeNamePDF")
                     .toString(),
                 QStringLiteral("FK_9.D_1"));
    }

    void debugWindow_logsTheCalculationInColours()
    {
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("ZE_5.D")}));
        QVERIFY(waitForEntries(f, 1));
        QAction* debugAction = f.window->findChild<QAction*>("action_TCP_debug");
        QVERIFY(!debugAction->isVisible());
        f.window->nw_proc_SendSpecial(QStringLiteral("vitro"));
        QVERIFY(debugAction->isVisible());

        QVERIFY(select(f, "ZE_5.D", f.data));
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        f.window->findChild<QPushButton*>("pb_01")->click();
        QVERIFY(pdf.wait(20000));
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
        // "Another (ETC)" without a calculation type chosen: code 0.
        QCOMPARE(colourOf(QStringLiteral("$MC,00,D1*")), QColor(Qt::darkGreen));
        QCOMPARE(colourOf(QStringLiteral("@OK*")), QColor(Qt::blue));
        QCOMPARE(colourOf(QStringLiteral("@DONE*")), QColor(Qt::blue));
    }

    void editorApply_rewritesPdfWithoutProgress()
    {
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("SL_8.D")}));
        QVERIFY(waitForEntries(f, 1));
        QVERIFY(select(f, "SL_8.D", f.data));
        {
            QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
            f.window->findChild<QPushButton*>("pb_01")->click();
            QVERIFY(pdf.wait(20000));
        }
        editReport* editor = f.window->reportEditor();
        QVERIFY(editor->isVisible());
        auto* toggle = editor->findChild<QPushButton*>("cb_NewPatient");
        toggle->click();
        editor->findChild<QLineEdit*>("lePatientNew")->setText(QStringLiteral("Edited Name"));
        QSignalSpy stages(f.window.get(), &MainWindow::nextStageProgress);
        QSignalSpy pdf(f.window.get(), &MainWindow::pdfWritten);
        editor->findChild<QPushButton*>("pb_Apply")->click();
        QVERIFY(pdf.wait(10000));
        QVERIFY(pdf.first().at(1).toBool());
        QCOMPARE(stages.count(), 0);
        QVERIFY(!f.window->progressWindow()->isVisible());
        const QString html = QString::fromUtf8(
            fileBytes(f.app.file("reports/SL_8.D/SL_8_report.html")));
        QVERIFY(html.contains(QStringLiteral("Edited Name")));
    }

    void newWhileDeviceUnavailable_onlyWarns()
    {
        Fixture f;
        QVERIFY(start(f, {QStringLiteral("VA_2.D")}));
        QVERIFY(waitForEntries(f, 1));
        QVERIFY(select(f, "VA_2.D", f.data));
        f.window->deviceLink()->setDeviceAvailable(false);
        f.window->findChild<QPushButton*>("pb_01")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text,
                 QStringLiteral("The hardware is not available. Check the connection settings."));
        QVERIFY(!QFile::exists(f.app.file("reports/VA_2.D")));
    }
};

QTEST_MAIN(TestReportE2E)
#include "tst_report_e2e.moc"
