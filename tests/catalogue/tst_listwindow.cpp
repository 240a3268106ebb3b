// The working window's analysis list, driven as a user drives it over folders on disk:
// filters, states and their buttons, what the buttons open, and a list that stays put.
#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QtTest>

#include "app/desktop.h"
#include "app/printdialog.h"
#include "catalogue/sampletypes.h"
#include "config/settings_common.h"
#include "catalogue/thread_func.h"
#include "device/devicelink.h"
#include "report/markertable.h"
#include "windows/editreport.h"
#include "workingwindow.h"

static const QStringList NewControls{"pb_01", "actionMake_new"};
static const QStringList DoneControls{
    "pb_02", "pb_03", "pb_04", "actionEdit_current", "actionView_current", "actionPrint_current"};

class TestListWindow : public QObject
{
    Q_OBJECT

  private slots:
    void calculationType_data()
    {
        QTest::addColumn<QStringList>(
            "expected"); // Russian combo text, template type, sample words
        const char* const rows[21][4] = {
            {"Аспират из матки (AS)", "3", "in uterus aspirat", "в аспирате из матки"},
            {"Биоптат тканей (BT)", "3", "in tissue biopsy", "в биоптате тканей"},
            {"Бронх. лаваж (BA)", "1", "in bronchoalveolar lavage", "в бронхоальвеолярном лаваже"},
            {"Вагинальное содержимое (VA)", "3", "in vaginal contents", "в вагинальном содержимом"},
            {"Дренаж (SD)", "1", "in drainage", "в дренаже"},
            {"Кровь (BL)", "3", "in blood", "в крови"},
            {"Ликвор (LF)", "2", "in liquor", "в ликворе"},
            {"Мазок из зева (ZE)", "3", "in throat swab", "в мазке из зева"},
            {"Мазок из уретры (MU)", "2", "in urethra swab", "в мазке из уретры"},
            {"Мазок из уха (EA)", "1", "in ear swab", "в мазке из уха"},
            {"Моча (UR)", "2", "in urina", "в моче"},
            {"Отделяемое глаза (GF)", "1", "in eye discharge", "в отделяемом глаза"},
            {"Отделяемое носа (NO)", "1", "in nose discharge", "в отделяемом носа"},
            {"Раневое отделяемое (WD)", "1", "in wound discharge", "в раневом отделяемом"},
            {"Секрет простаты (PF)", "2", "in prostate fluid", "в секрете простаты"},
            {"Слюна (SL)", "3", "in saliva", "в слюне"},
            {"Смыв трахеи (TA)", "1", "in tracheal wash", "в смыве трахеи"},
            {"Соскоб кожи (SK)", "1", "in skin scraping", "в соскобе кожи"},
            {"Фекалии (FK)", "2", "in feces", "в фекалиях"},
            {"Цериквальный канал (CE)", "3", "in cervical swab", "в цериквальном канале"},
            {"Эякулят (SF)", "1", "in semen fluid", "в эякуляте"}};
        for (int code = 0; code < 21; ++code)
            QTest::addRow("%d", code)
                << QStringList{QString::fromUtf8(rows[code][0]), rows[code][1],
                               QString::fromUtf8(rows[code][2]), QString::fromUtf8(rows[code][3])};
    }
    void calculationType()
    {
        const uchar code = uchar(QByteArray(QTest::currentDataTag()).toInt());
        QTEST(QStringList({SampleTypes::name(code, 1), QString::number(Markers::templateType(code)),
                           Markers::samplePhrase(code, 0), Markers::samplePhrase(code, 1)}),
              "expected");
    }

    // Names that begin with another entry's name, created in both orders so that some
    // longer name is listed before its prefix whatever order the directory gives.
    void entriesShowOwnState_buttonsOpenTheRightReport()
    {
        WorkingWindow f;
        QVERIFY(
            f.start({"AB.D!", "AB.D_x.D+", "AB.D_y.D+", "AB.D_z.D", "M.D_1.D!", "M.D_2.D", "M.D+"},
                    {}, false));
        // The state icons as the build makes them.
        const QString icons = f.app.file("icons");
        QVERIFY(QDir().mkpath(icons));
        for (const char* name : {"state_no_export.png", "state_ready.png", "state_done.png"})
            QVERIFY(QFile::copy(QStringLiteral(LAB_APP_DIR "/icons/") + name, icons + '/' + name));
        f.press("pb_02");
        f.child<QComboBox>("cb_01")->setCurrentIndex(21);
        QVERIFY(f.waitForTexts(
            {"AB.D", "AB.D_x.D", "AB.D_y.D", "AB.D_z.D", "M.D", "M.D_1.D", "M.D_2.D"}));
        const QList<QColor> states{Qt::red,       Qt::darkGreen, Qt::darkGreen, Qt::magenta,
                                   Qt::darkGreen, Qt::red,       Qt::magenta};
        const QMap<QRgb, QString> iconOf{{QColor(Qt::red).rgb(), "state_no_export"},
                                         {QColor(Qt::magenta).rgb(), "state_ready"},
                                         {QColor(Qt::darkGreen).rgb(), "state_done"}};
        for (int row = 0; row < states.size(); ++row) {
            QVERIFY2(f.list()->item(row)->foreground().color() == states[row],
                     qPrintable(f.texts()[row]));
            // Each state also has its own shape.
            const QImage expected = QImage(icons + '/' + iconOf[states[row].rgb()] + ".png");
            QCOMPARE(f.list()
                         ->item(row)
                         ->icon()
                         .pixmap(expected.size())
                         .toImage()
                         .convertToFormat(expected.format()),
                     expected);
        }

        f.activate(1); // AB.D_x.D: done
        QVERIFY(f.enabled(NewControls + DoneControls));
        // As the user sees it: its dark green text on light grey, no selection highlight.
        const QImage shot =
            f.list()->viewport()->grab(f.list()->visualItemRect(f.list()->item(1))).toImage();
        int grey = 0, green = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                grey += c == QColor(Qt::lightGray);
                green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
            }
        QVERIFY2(grey > shot.width() * shot.height() / 2 && green > 10,
                 qPrintable(QString("%1 %2").arg(grey).arg(green)));

        editReport* editor = f.window->reportEditor();
        for (const char* control : {"pb_03", "pb_02", "actionView_current", "actionEdit_current"}) {
            editor->hide();
            f.press(control);
            const bool edit =
                QByteArray(control).contains("Edit") || QByteArray(control) == "pb_02";
            QVERIFY2(editor->isVisible() &&
                         editor->findChild<QWidget*>("pb_Apply")->isVisible() == edit,
                     control);
            QCOMPARE(editor->iniPath(), f.app.file("reports/AB.D_x.D/report.ini"));
        }

        // Print opens the PDF named after the report with ".D_" made "_".
        const QString pdf = f.app.file("reportsPDF/AB_x_report.pdf");
        QList<QUrl> opened;
        Desktop::setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        f.press("actionPrint_current");
        f.press("pb_04");
        Desktop::setOpener({});
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(pdf), QUrl::fromLocalFile(pdf)}));

        f.activate(0); // AB.D: no export
        QVERIFY(!f.enabled({"pb_01"}) && !f.enabled({"actionMake_new"}) && !f.enabled({"pb_03"}));
        f.activate(6); // M.D_2.D: export, no report
        QVERIFY(f.enabled(NewControls) && !f.enabled({"pb_02"}) &&
                !f.enabled({"actionPrint_current"}));
        f.window->deviceLink()->setDeviceAvailable(false);
        f.press("pb_01");
        f.press("actionMake_new");
        QCOMPARE(
            shownTexts().count("The hardware is not available. Check the connection settings."), 2);
    }

    // Print on a desktop whose xdg-open cannot show the PDF (stand-ins on PATH): the user is told
    // within seconds and offered the report's own page through the print dialog, or its folder.
    void print_withoutViewer_data()
    {
        QTest::addColumn<QString>("registered"); // what xdg-mime answers
        QTest::addColumn<int>("exitCode");       // of xdg-open
        QTest::addColumn<int>("choice");         // 0 Print..., 1 Open the folder, 2 Close
        QTest::addColumn<QStringList>("shown");
        const QString none = "No program to open PDF files was found.";
        QTest::newRow("nothing registered") << "" << 0 << 2 << QStringList{none};
        QTest::newRow("no method available") << "viewer.desktop" << 3 << 0 << QStringList{none};
        QTest::newRow("viewer fails")
            << "viewer.desktop" << 4 << 1
            << QStringList{
                   "The PDF viewer could not show the file (it ended with code 4).",
                   "No program to show folders was found. The PDF file of the report is:\n%1"};
    }
    void print_withoutViewer()
    {
        QFETCH(QString, registered);
        QFETCH(int, exitCode);
        QFETCH(int, choice);
        QFETCH(QStringList, shown);
        WorkingWindow f;
        QVERIFY(f.start({"AS_P.D+"}));
        QVERIFY(f.waitForTexts({"AS_P.D"}));
        QTRY_COMPARE(f.window->deviceLink()->step(), DeviceLink::Closed); // the dead port's box
        MessageBox::clearShown();
        const QString pdf = f.app.file("reportsPDF/AS_P_report.pdf");
        const QString bin = f.app.file("bin"), printed = f.app.file("printed.pdf");
        const QString xdgOpen =
            "[ %1 = 3 ] && echo \"xdg-open: no method available for opening '$1'\"\nexit %1";
        for (const QString& script :
             QStringList{"xdg-mime\necho " + registered, "xdg-open\n" + xdgOpen.arg(exitCode)}) {
            QFile file(bin + '/' + script.section('\n', 0, 0));
            QVERIFY(QDir().mkpath(bin) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("#!/bin/sh\n" + script.section('\n', 1).toUtf8()) > 0);
            QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + path);
        PrintDialog::setNextAnswer([&](QPrinter* p) {
            p->setOutputFileName(printed); // the printer the user picks
            return true;
        });
        MessageBox::setNextChoice(choice);
        f.activate(0);
        f.press("pb_04");
        QTRY_COMPARE_WITH_TIMEOUT(shownTexts().size(), shown.size(), 5000);
        qputenv("PATH", path);
        QCOMPARE(shownTexts(), shown.replaceInStrings("%1", pdf));
        QCOMPARE(MessageBox::shown().first().buttons,
                 QStringList({"Print…", "Open the folder", "Close"}));
        if (choice == 0) { // the report's own page, on the printer chosen
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(printed).size() > 0, 10000);
            QProcess text;
            text.start("pdftotext", {printed, "-"});
            QVERIFY(text.waitForFinished(20000));
            QVERIFY(text.readAllStandardOutput().contains("ORIGINAL PAGE"));
        }
    }

    // Filters by sample code in any letter case or free text, entries shown with folders; a
    // selection that survives rebuilds and filtering; passes finding nothing new change nothing.
    void filters_selection_passes()
    {
        WorkingWindow f;
        AppTestDir::Settings s;
        s.deep = true;
        QVERIFY(f.start({"BL_1.D", "bl_2.D", "UR_3.D", "xBL.D", "odd)..dir/A (1).D"}, s));
        f.child<QComboBox>("cb_01")->setCurrentIndex(5); // Blood (BL)
        QVERIFY(f.waitForTexts({"BL_1.D (..)", "bl_2.D (..)"}));
        QCOMPARE(f.window->calculationTypeCode(), 5);
        QVERIFY(!f.enabled({"cb_02"}) && !f.enabled({"le_filter"}));
        f.activate(0);
        QVERIFY(f.enabled(NewControls) && !f.enabled({"pb_02"}));
        // A folder appears in front of it and its report is made elsewhere: the rebuilt
        // list still selects BL_1.D, now done.
        QVERIFY(f.addAnalysis("BL_0.D") && f.addAnalysis("BL_1.D+"));
        QVERIFY(f.waitForTexts({"BL_0.D (..)", "BL_1.D (..)", "bl_2.D (..)"}));
        QTRY_COMPARE(f.list()->item(1)->foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(f.window->selectedRow(), 1);
        QCOMPARE(f.list()->item(1)->background().color(), QColor(Qt::lightGray));
        QVERIFY(f.enabled(NewControls + DoneControls));

        QList<QListWidgetItem*> items;
        for (int row = 0; row < f.list()->count(); ++row)
            items << f.list()->item(row);
        f.window->scanner()->setSafetyInterval(100); // passes although nothing changes
        QSignalSpy passes(f.window->scanner(), &QThread::finished);
        QSignalSpy inserted(f.list()->model(), &QAbstractItemModel::rowsInserted);
        QVERIFY(QTest::qWaitFor([&] { return passes.count() >= 3; }, 8000));
        QCOMPARE(inserted.count(), 0);
        for (int row = 0; row < items.size(); ++row)
            QCOMPARE(f.list()->item(row), items[row]);

        f.child<QComboBox>("cb_01")->setCurrentIndex(21); // Another (ETC): every folder
        QCOMPARE(f.texts(), QStringList({"A (1).D (../odd)..dir)", "BL_0.D (..)", "BL_1.D (..)",
                                         "UR_3.D (..)", "bl_2.D (..)", "xBL.D (..)"}));
        QVERIFY(f.window->selectedRow() == -1 && !f.enabled({"pb_01"}));
        QCOMPARE(f.window->calculationTypeCode(), 0);
        f.child<QComboBox>("cb_02")->setCurrentIndex(18);
        QCOMPARE(f.window->calculationTypeCode(), 18);
        f.activate(0);
        QCOMPARE(f.window->selectedName() + f.window->selectedPath(),
                 "A (1).D" + f.data + "/odd)..dir");
        f.activate(3);
        f.child<QLineEdit>("le_filter")->setText("Ur");
        f.press("pb_05");
        QCOMPARE(f.texts(), QStringList{"UR_3.D (..)"});
        QCOMPARE(f.window->selectedRow(), 0); // the selection follows its folder
        // The next rebuild after a changed pass keeps using the field.
        QVERIFY(f.addAnalysis("ur_4.D"));
        QVERIFY(f.waitForTexts({"UR_3.D (..)", "ur_4.D (..)"}));

        // Another data directory saved in the settings is listed at once, not after the next
        // change in the old one.
        f.window->scanner()->setSafetyInterval(600000);
        const QString other = f.app.file(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(other + QStringLiteral("/UR_9.D")));
        f.press("actionSettingsTest");
        settings_common* dlg = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            dlg = w->isVisible() && qobject_cast<settings_common*>(w)
                      ? qobject_cast<settings_common*>(w)
                      : dlg;
        QVERIFY(dlg);
        dlg->findChild<QLineEdit*>(QStringLiteral("pt_le_path"))->setText(other);
        dlg->findChild<QPushButton*>(QStringLiteral("pb_ok"))->click();
        QVERIFY(f.waitForTexts({"UR_9.D (..)"}));
        // The same folder moved down a level is a changed pass.
        QVERIFY(QDir().mkpath(other + QStringLiteral("/sub")));
        QVERIFY(QDir().rename(other + QStringLiteral("/UR_9.D"),
                              other + QStringLiteral("/sub/UR_9.D")));
        QVERIFY(f.waitForTexts({"UR_9.D (../sub)"}));
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
