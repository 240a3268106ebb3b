// The working window's analysis list, driven as a user drives it over folders on disk:
// filters, states and their buttons, what the buttons open, and a list that stays put.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/desktop.h"
#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "catalogue/thread_func.h"
#include "device/devicelink.h"
#include "windows/editreport.h"
#include "workingwindow.h"

namespace {

bool enabled(const WorkingWindow& f, const QStringList& names)
{
    for (const QString& n : names) {
        QObject* o = f.window->findChild<QObject*>(n);
        if (!(o->isWidgetType() ? static_cast<QWidget*>(o)->isEnabled() : static_cast<QAction*>(o)->isEnabled()))
            return false;
    }
    return true;
}

// Clicks a button or triggers a menu action.
void press(const WorkingWindow& f, const char* name)
{
    if (auto* button = f.child<QPushButton>(name))
        button->click();
    else
        f.child<QAction>(name)->trigger();
}

// Texts of the boxes shown, in order; the failed device check at sign-in may add its own.
QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown& s : MessageBox::shown())
        texts << s.text;
    return texts;
}

const QStringList NewControls{"pb_01", "actionMake_new"};
const QStringList DoneControls{"pb_02", "pb_03", "pb_04", "actionEdit_current", "actionView_current",
                               "actionPrint_current"};

}  // namespace

class TestListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void filters_sampleCodeAnyCaseAndFreeText()
    {
        WorkingWindow f;
        QVERIFY(f.start({"BL_1.D", "bl_2.D", "UR_3.D", "xBL.D"}));
        auto* types = f.child<QComboBox>("cb_01");
        types->setCurrentIndex(5);  // Blood (BL)
        QVERIFY(f.waitForTexts({"BL_1.D", "bl_2.D"}));
        QCOMPARE(f.window->calculationTypeCode(), 5);
        QVERIFY(!f.child<QWidget>("cb_02")->isEnabled() && !f.child<QWidget>("le_filter")->isEnabled());
        types->setCurrentIndex(21);  // Another (ETC): every folder, calculation chosen apart
        QVERIFY(f.waitForTexts({"BL_1.D", "UR_3.D", "bl_2.D", "xBL.D"}));
        QCOMPARE(f.window->calculationTypeCode(), 0);
        f.child<QComboBox>("cb_02")->setCurrentIndex(18);
        QCOMPARE(f.window->calculationTypeCode(), 18);
        f.child<QLineEdit>("le_filter")->setText("Ur");
        f.child<QPushButton>("pb_05")->click();
        QCOMPARE(f.texts(), QStringList{"UR_3.D"});
        // The next rebuild after a changed pass keeps using the field.
        QVERIFY(f.addAnalysis("ur_4.D"));
        QVERIFY(f.waitForTexts({"UR_3.D", "ur_4.D"}));
    }

    void deepMode_showsPathsAndSelectsRecord()
    {
        WorkingWindow f;
        AppTestDir::Settings s;
        s.deep = true;
        QVERIFY(f.start({"2024/X.D", "A (1).D", "odd)..dir/Y.D"}, s));
        f.child<QComboBox>("cb_01")->setCurrentIndex(21);
        QVERIFY(f.waitForTexts({"A (1).D (..)", "X.D (../2024)", "Y.D (../odd)..dir)"}));
        f.activate(0);
        QCOMPARE(f.window->selectedName(), QStringLiteral("A (1).D"));
        QCOMPARE(f.window->selectedPath(), f.data);
        f.activate(2);
        QCOMPARE(f.window->selectedName(), QStringLiteral("Y.D"));
        QCOMPARE(f.window->selectedPath(), f.data + "/odd)..dir");
    }

    // Names that begin with another entry's name, created in both orders so that some
    // longer name is listed before its prefix whatever order the directory gives.
    void entriesShowOwnState_buttonsOpenTheRightReport()
    {
        WorkingWindow f;
        QVERIFY(f.start({"AB.D!", "AB.D_x.D+", "AB.D_y.D+", "AB.D_z.D", "M.D_1.D!", "M.D_2.D", "M.D+"}));
        f.child<QComboBox>("cb_01")->setCurrentIndex(21);
        QVERIFY(f.waitForTexts({"AB.D", "AB.D_x.D", "AB.D_y.D", "AB.D_z.D", "M.D", "M.D_1.D", "M.D_2.D"}));
        const QList<QColor> states{Qt::red, Qt::darkGreen, Qt::darkGreen, Qt::magenta,
                                   Qt::darkGreen, Qt::red, Qt::magenta};
        for (int row = 0; row < states.size(); ++row)
            QVERIFY2(f.list()->item(row)->foreground().color() == states[row], qPrintable(f.texts()[row]));

        f.activate(1);  // AB.D_x.D: done
        QVERIFY(enabled(f, NewControls + DoneControls));
        // Seen by the user: its own dark green text on light grey, no selection highlight.
        const QRect cell = f.list()->visualItemRect(f.list()->item(1));
        const QImage shot = f.list()->viewport()->grab(cell).toImage();
        int grey = 0, green = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                grey += c == QColor(Qt::lightGray);
                green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
            }
        QVERIFY2(grey > shot.width() * shot.height() / 2 && green > 10, qPrintable(QString("%1 %2").arg(grey).arg(green)));

        editReport* editor = f.window->reportEditor();
        for (const char* control : {"pb_03", "pb_02", "actionView_current", "actionEdit_current"}) {
            editor->hide();
            press(f, control);
            const bool editing = QByteArray(control).contains("Edit") || QByteArray(control) == "pb_02";
            QVERIFY2(editor->isVisible() && editor->findChild<QWidget*>("pb_Apply")->isVisible() == editing, control);
            QCOMPARE(editor->iniPath(), f.app.file("reports/AB.D_x.D/report.ini"));
        }

        // Print opens the PDF named after the report with ".D_" made "_".
        const QString pdf = f.app.file("reportsPDF/AB_x_report.pdf");
        press(f, "pb_04");
        QVERIFY(shownTexts().contains("The PDF of this report does not exist yet:\n" + pdf));
        QFile(pdf).open(QIODevice::WriteOnly);
        QList<QUrl> opened;
        bool opens = true;
        Desktop::setOpener([&](const QUrl& url) { opened << url; return opens; });
        press(f, "actionPrint_current");
        opens = false;
        press(f, "pb_04");
        Desktop::setOpener({});
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(pdf), QUrl::fromLocalFile(pdf)}));
        QCOMPARE(shownTexts().count("No program to open PDF files was found."), 1);

        f.activate(0);  // AB.D: no export
        QVERIFY(!enabled(f, {"pb_01"}) && !enabled(f, {"actionMake_new"}) && !enabled(f, {"pb_03"}));
        f.activate(6);  // M.D_2.D: export, no report
        QVERIFY(enabled(f, NewControls) && !enabled(f, {"pb_02"}) && !enabled(f, {"actionPrint_current"}));
        f.window->deviceLink()->setDeviceAvailable(false);
        MessageBox::clearShown();
        press(f, "pb_01");
        press(f, "actionMake_new");
        QCOMPARE(shownTexts().count("The hardware is not available. Check the connection settings."), 2);
    }

    void selection_survivesRebuild_unchangedPassLeavesListAlone()
    {
        WorkingWindow f;
        QVERIFY(f.start({"B.D", "C.D", "D.D"}));
        f.child<QComboBox>("cb_01")->setCurrentIndex(21);
        QVERIFY(f.waitForTexts({"B.D", "C.D", "D.D"}));
        f.activate(0);
        QVERIFY(enabled(f, NewControls) && !enabled(f, {"pb_02"}));
        // A folder appears in front of it and its report is made elsewhere: the rebuilt
        // list still selects B.D, now done.
        QVERIFY(f.addAnalysis("A.D") && f.addAnalysis("B.D+"));
        QVERIFY(f.waitForTexts({"A.D", "B.D", "C.D", "D.D"}));
        QTRY_COMPARE(f.list()->item(1)->foreground().color(), QColor(Qt::darkGreen));
        QCOMPARE(f.window->selectedRow(), 1);
        QCOMPARE(f.list()->item(1)->background().color(), QColor(Qt::lightGray));
        QVERIFY(enabled(f, NewControls + DoneControls));

        QList<QListWidgetItem*> items;
        for (int row = 0; row < f.list()->count(); ++row)
            items << f.list()->item(row);
        QSignalSpy passes(f.window->scanner(), &QThread::finished);
        QSignalSpy inserted(f.list()->model(), &QAbstractItemModel::rowsInserted);
        QVERIFY(QTest::qWaitFor([&] { return passes.count() >= 3; }, 8000));
        QCOMPARE(inserted.count(), 0);
        for (int row = 0; row < items.size(); ++row)
            QCOMPARE(f.list()->item(row), items[row]);

        // The free filter moves rows; the selection follows its folder.
        f.child<QLineEdit>("le_filter")->setText("b");
        f.child<QPushButton>("pb_05")->click();
        QCOMPARE(f.texts(), QStringList{"B.D"});
        QCOMPARE(f.window->selectedRow(), 0);
        // Choosing another analysis type clears the selection.
        f.child<QComboBox>("cb_01")->setCurrentIndex(5);
        QCOMPARE(f.window->selectedRow(), -1);
        QVERIFY(!enabled(f, {"pb_01"}));
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
