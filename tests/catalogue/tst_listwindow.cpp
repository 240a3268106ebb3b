// The working window's analysis list: filters, display texts, selection and buttons,
// driven through the main window over folders on disk.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "catalogue/mainwindow_listwidget.h"
#include "demodata/demodata.h"

class TestListWindow : public QObject
{
    Q_OBJECT

    struct Fixture {
        AppTestDir app;
        QString data;
        std::unique_ptr<MainWindow> window;
        QListWidget* list() const { return window->findChild<QListWidget*>("ListText"); }
        QComboBox* types() const { return window->findChild<QComboBox*>("cb_01"); }
        bool enabled(const char* name) const { return window->findChild<QWidget*>(name)->isEnabled(); }
    };

    // Analyses are "relative/path.D"; a trailing "!" leaves out the export (red), a
    // trailing "+" adds a finished report (dark green).
    bool start(Fixture& f, const QStringList& analyses, bool deep)
    {
        if (!f.app.copyTemplates())
            return false;
        f.data = f.app.file(QStringLiteral("data"));
        for (QString entry : analyses) {
            const bool noExport = entry.endsWith('!');
            const bool done = entry.endsWith('+');
            if (noExport || done)
                entry.chop(1);
            const QFileInfo info(QDir(f.data).filePath(entry));
            if (!QDir().mkpath(noExport ? info.filePath() : info.path()))
                return false;
            if (!noExport && !DemoData::writeAnalysis(info.path(), info.fileName(), {}))
                return false;
            if (done && !DemoData::writeReportRecord(f.app.file("reports"), info.fileName(),
                                                     info.path(), true))
                return false;
        }
        AppTestDir::Settings s;
        s.dataDir = f.data;
        s.deep = deep;
        s.port = QStringLiteral("1");  // no device: the list does not need one
        if (!f.app.writeSettings(s))
            return false;
        f.app.enter();
        f.window = std::make_unique<MainWindow>();
        f.window->show();
        f.window->login_procedure();
        return true;
    }

    QStringList texts(const Fixture& f) const
    {
        QStringList t;
        for (int row = 0; row < f.list()->count(); ++row)
            t << f.list()->item(row)->text();
        return t;
    }

    // Waits until the list shows exactly these texts (scanner passes come once a second).
    bool waitForTexts(const Fixture& f, const QStringList& expected)
    {
        QElapsedTimer t;
        t.start();
        while (texts(f) != expected && t.elapsed() < 8000)
            QTest::qWait(20);
        return texts(f) == expected;
    }

    void activate(Fixture& f, int row)
    {
        emit f.list()->activated(f.list()->model()->index(row, 0));
    }

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void sampleCode_filtersInAnyLetterCase()
    {
        Fixture f;
        QVERIFY(start(f, {"BL_1.D", "bl_2.D", "UR_3.D", "xBL.D"}, false));
        f.types()->setCurrentIndex(5);  // Blood (BL)
        QVERIFY(waitForTexts(f, {"BL_1.D", "bl_2.D"}));
        QCOMPARE(f.window->calculationTypeCode(), 5);
        QVERIFY(!f.enabled("cb_02"));
        QVERIFY(!f.enabled("le_filter"));
    }

    void catchAll_usesFreeFilter()
    {
        Fixture f;
        QVERIFY(start(f, {"BL_1.D", "ur_2.D", "UR_3.D"}, false));
        f.types()->setCurrentIndex(21);
        QVERIFY(waitForTexts(f, {"BL_1.D", "UR_3.D", "ur_2.D"}));
        QVERIFY(f.enabled("cb_02") && f.enabled("le_filter") && f.enabled("pb_05"));
        QCOMPARE(f.window->calculationTypeCode(), 0);
        f.window->findChild<QComboBox*>("cb_02")->setCurrentIndex(18);
        QCOMPARE(f.window->calculationTypeCode(), 18);
        f.window->findChild<QLineEdit*>("le_filter")->setText("Ur");
        f.window->findChild<QPushButton*>("pb_05")->click();
        QCOMPARE(texts(f), QStringList({"UR_3.D", "ur_2.D"}));
        // The next rebuild after a changed pass keeps using the field.
        QVERIFY(DemoData::writeAnalysis(f.data, "UR_4.D", {}));
        QVERIFY(waitForTexts(f, {"UR_3.D", "UR_4.D", "ur_2.D"}));
    }

    void deepMode_showsPathsAndSelectsRecord()
    {
        Fixture f;
        QVERIFY(start(f, {"2024/X.D", "A (1).D", "odd)..dir/Y.D"}, true));
        f.types()->setCurrentIndex(21);
        QVERIFY(waitForTexts(f, {"A (1).D (..)", "X.D (../2024)", "Y.D (../odd)..dir)"}));
        activate(f, 0);
        QCOMPARE(f.window->selectedName(), QStringLiteral("A (1).D"));
        QCOMPARE(f.window->selectedPath(), f.data);
        activate(f, 2);
        QCOMPARE(f.window->selectedName(), QStringLiteral("Y.D"));
        QCOMPARE(f.window->selectedPath(), f.data + "/odd)..dir");
    }

    void buttonsFollowState_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("newEnabled");
        QTest::addColumn<bool>("othersEnabled");
        QTest::newRow("red") << "R.D!" << false << false;
        QTest::newRow("magenta") << "M.D" << true << false;
        QTest::newRow("dark green") << "G.D+" << true << true;
    }

    void buttonsFollowState()
    {
        QFETCH(QString, entry);
        QFETCH(bool, newEnabled);
        QFETCH(bool, othersEnabled);
        Fixture f;
        QVERIFY(start(f, {entry}, false));
        f.types()->setCurrentIndex(21);
        QString name = entry;
        name.chop(entry.endsWith('D') ? 0 : 1);
        QVERIFY(waitForTexts(f, {name}));
        activate(f, 0);
        QCOMPARE(f.enabled("pb_01"), newEnabled);
        for (const char* b : {"pb_02", "pb_03", "pb_04"})
            QCOMPARE(f.enabled(b), othersEnabled);
        QCOMPARE(f.list()->item(0)->background().color(), QColor(Qt::lightGray));
    }

    void selection_survivesRebuildAndFilter()
    {
        Fixture f;
        QVERIFY(start(f, {"B.D+", "C.D", "D.D"}, false));
        f.types()->setCurrentIndex(21);
        QVERIFY(waitForTexts(f, {"B.D", "C.D", "D.D"}));
        activate(f, 0);
        // A folder appears in front of it: the rebuilt list still selects B.D.
        QVERIFY(DemoData::writeAnalysis(f.data, "A.D", {}));
        QVERIFY(waitForTexts(f, {"A.D", "B.D", "C.D", "D.D"}));
        QCOMPARE(f.window->selectedRow(), 1);
        QCOMPARE(f.list()->item(1)->background().color(), QColor(Qt::lightGray));
        for (const char* b : {"pb_01", "pb_02", "pb_03", "pb_04"})
            QVERIFY2(f.enabled(b), b);
        // The free filter moves rows; the selection follows its folder.
        f.window->findChild<QLineEdit*>("le_filter")->setText("b");
        f.window->findChild<QPushButton*>("pb_05")->click();
        QCOMPARE(texts(f), QStringList{"B.D"});
        QCOMPARE(f.window->selectedRow(), 0);
        QCOMPARE(f.window->selectedName(), QStringLiteral("B.D"));
        // Choosing another analysis type clears the selection.
        f.types()->setCurrentIndex(5);
        QCOMPARE(f.window->selectedRow(), -1);
        QVERIFY(!f.enabled("pb_01"));
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
