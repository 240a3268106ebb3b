// A finished report reaches the laboratory information system from the working window: as a
// file in the folder it watches and over MLLP to its listener, also when the listener is down
// during the report and back a little later.
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>

#include "config/settings_common.h"
#include "e2e_fixture.h"
#include "hl7reader.h"
#include "workingwindow.h"
#include "lissim/lislistener.h"
#include "report/lisoutbox.h"

class TestLisE2E : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void finishedReport_reachesTheLis_data()
    {
        QTest::addColumn<int>(
            "downMs"); // the listener is down this long from the start of the report
        QTest::newRow("listener up") << 0;
        QTest::newRow("listener down for 3 s") << 3000;
    }
    void finishedReport_reachesTheLis()
    {
        QFETCH(int, downMs);
        Fixture f;
        QVERIFY(f.start({QStringLiteral("XY_0412.D")}));
        LisListener lis;
        QVERIFY(lis.listen());
        const quint16 port = lis.port();
        const QString folder = f.app.file("lis-inbox");
        QVERIFY(QDir().mkpath(folder));

        // Sending turned on through the settings window, both ways.
        f.window->showAllSettings();
        settings_common* dialog = f.window->allSettings();
        dialog->findChild<QComboBox*>("lis_cb_Mode")->setCurrentIndex(3);
        dialog->findChild<QLineEdit*>("lis_le_Folder")->setText(folder);
        dialog->findChild<QLineEdit*>("lis_le_Host")->setText("127.0.0.1");
        dialog->findChild<QLineEdit*>("lis_le_Port")->setText(QString::number(port));
        dialog->findChild<QPushButton*>("pb_ok")->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(QSettings(f.app.file("settings/settings.ini"), QSettings::IniFormat)
                     .value("LisSettings/Mode")
                     .toInt(),
                 3);
        // Saving the settings checks the device again.
        QTRY_VERIFY(f.window->deviceLink()->deviceAvailable());

        if (downMs > 0) {
            lis.close();
            QTimer::singleShot(downMs, [&] { QVERIFY(lis.listen(QHostAddress::LocalHost, port)); });
        }
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(5); // blood
        QVERIFY2(f.produce(QStringLiteral("XY_0412.D")), qPrintable(shownTexts().join(" | ")));
        QVERIFY(MessageBox::shown().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(lis.received().size(), 1, 90000);
        QTRY_COMPARE(f.window->lisOutbox()->waitingCount(), 0);
        QVERIFY(!f.window->findChild<QLabel*>("lisStatus")->isVisible());
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString pdf = f.app.file("reportsPDF/XY_0412_report.pdf");
        QVERIFY(pdfText(pdf).contains("XY_0412"));

        const MarkerTable& table = f.window->markerTable();
        for (const QByteArray& message :
             {lis.received().first(), fileBytes(folder + '/' + files.first())}) {
            const QJsonObject read = readHl7Independently(message);
            QCOMPARE(
                QStringList({read["MSH[1].9.1"].toString(), read["MSH[1].9.2"].toString(),
                             read["PID[1].3.1"].toString(), read["PID[1].5.1"].toString(),
                             read["PID[1].5.2"].toString(), read["OBR[1].4.1"].toString(),
                             read["OBR[1].7.1"].toString(), read["OBR[1].25.1"].toString()}),
                QStringList({"ORU", "R01", "XY_0412", "Ivanov", "D.A.", "MMBL", "20190307", "F"}));
            QCOMPARE(read["segments"].toArray().size(), 4 + 58);
            int marked = 0;
            for (int p = 0; p < DeviceMarkerCount; ++p) {
                const QString obx = QStringLiteral("OBX[%1].").arg(p + 1);
                const MarkerRow& row = table.at(displayOrder().at(p));
                QCOMPARE(read[obx + "3.2"].toString(), row.name);
                QVERIFY(read[obx + "2.1"].toString() == "NM" ||
                        read[obx + "2.1"].toString() == "SN");
                QCOMPARE(read[obx + "8.1"].toString(), row.highlighted ? "H" : "");
                marked += row.highlighted;
            }
            QVERIFY(marked > 0 && marked < DeviceMarkerCount);
            QCOMPARE(QByteArray::fromBase64(read["OBX[58].5.5"].toString().toLatin1()),
                     fileBytes(pdf));
        }
    }
};

QTEST_MAIN(TestLisE2E)
#include "tst_lis_e2e.moc"
