// Start-up, language, sign-in, the menus and leaving the program, through the main window.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

#include "app/about.h"
#include "app/desktop.h"
#include "app/messagebox.h"
#include "config/settings_common.h"
#include "device/debug_tcp.h"
#include "windows/settings.h"
#include "workingwindow.h"

namespace {

QStringList shownTexts()
{
    QStringList texts;
    for (const MessageBox::Shown& s : MessageBox::shown())
        texts << s.text;
    return texts;
}

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void emptyDirectory_writesDefaultsAndWarns()
    {
        AppTestDir app;
        app.enter();
        MainWindow w;
        QCOMPARE(iniValue(app.file("settings/settings.ini"), "NetworkSettings/NetworkIP").toString(),
                 QStringLiteral("192.168.1.1"));
        QVERIFY(shownTexts().contains("The settings file can not be found. Set the default settings"));
        QVERIFY(QFileInfo(app.file("reportsPDF")).isDir());
        QVERIFY(!QFileInfo::exists(app.file("reports")));
        QCOMPARE(w.windowTitle(), QStringLiteral("Choose operator"));
        QCOMPARE(w.size(), QSize(320, 41));
    }

    void missingTemplates_data()
    {
        QTest::addColumn<bool>("withDocs");
        QTest::addColumn<QStringList>("except");
        QTest::addColumn<QStringList>("warnings");
        const QString missing("Template file type %1 not found. Functionality is unavailable.");
        QTest::newRow("no docs folder") << false << QStringList()
                                        << QStringList{"Templates folder does not exist. Functionality is unavailable.",
                                                       missing.arg(1), missing.arg(2), missing.arg(3)};
        QTest::newRow("one type 2 file") << true << QStringList{"Shablon_type_2_rus.html"} << QStringList{missing.arg(2)};
        QTest::newRow("type 1 and 3 english") << true << QStringList{"Shablon_type_1_eng.html", "Shablon_type_3_eng.html"}
                                              << QStringList{missing.arg(1), missing.arg(3)};
        QTest::newRow("all present") << true << QStringList() << QStringList();
    }
    void missingTemplates()
    {
        QFETCH(bool, withDocs);
        QFETCH(QStringList, except);
        QFETCH(QStringList, warnings);
        AppTestDir app;
        QVERIFY((!withDocs || app.copyTemplates(except)) && app.writeSettings({}));
        app.enter();
        MainWindow w;
        QCOMPARE(shownTexts(), warnings);
        for (const MessageBox::Shown& s : MessageBox::shown())
            QVERIFY(s.title == QStringLiteral("Attention") && s.buttons == QStringList{QStringLiteral("Ok")});
        QCOMPARE(w.startupBlocked(), !warnings.isEmpty());
        for (const char* name : {"cb_01", "pb_01", "pb_02"})
            QCOMPARE(w.findChild<QWidget*>(name)->isEnabled(), warnings.isEmpty());
    }

    // The main window, its working layout and the settings dialog all take the stored
    // value the same way.
    void storedLanguage_sameInEveryWindow_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("russian");
        QTest::newRow("1") << QVariant(1) << true;
        QTest::newRow("257, low byte 1") << QVariant(257) << true;
        QTest::newRow("0") << QVariant(0) << false;
        QTest::newRow("2") << QVariant(2) << false;
        QTest::newRow("-1") << QVariant(-1) << false;
        QTest::newRow("text") << QVariant("ru") << false;
    }
    void storedLanguage_sameInEveryWindow()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, russian);
        WorkingWindow f;
        AppTestDir::Settings s;
        s.language = stored;
        QVERIFY(f.start({}, s, false));
        QCOMPARE(f.window->windowTitle(), russian ? QString::fromUtf8("Выберите оператора") : QString("Choose operator"));
        QCOMPARE(f.window->ReadLocale(0), russian ? QString::fromUtf8("Внимание") : QString("Attention"));
        f.child<QPushButton>("pb_02")->click();
        QCOMPARE(f.child<QPushButton>("pb_01")->text(), russian ? QString::fromUtf8("Новый") : QString("New"));
        f.child<QAction>("actionSettingsTest")->trigger();
        settings_common* dialog = f.window->allSettings();
        QCOMPARE(dialog->is_loc_Current(), uchar(russian ? 1 : 0));
        QCOMPARE(dialog->findChild<QComboBox*>("loc_cb_Language")->currentIndex(), russian ? 1 : 0);
        QCOMPARE(dialog->findChild<QPushButton*>("pb_ok")->text(), russian ? QString::fromUtf8("Сохранить") : QString("Save"));
    }

    // Sign-in, then every entry of the Settings and Help menus, and File > Exit while the
    // link debug window is open.
    void signIn_menus_exit()
    {
        WorkingWindow f;
        AppTestDir::Settings s;
        s.operators = QStringList{"Anna", "Boris"};
        QVERIFY(f.start({"AS_1.D"}, s, false));
        auto* combo = f.child<QComboBox>("cb_01");
        QCOMPARE(combo->count(), 2);
        combo->setCurrentIndex(1);
        f.child<QPushButton>("pb_02")->click();
        MainWindow& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Boris"));
        QCOMPARE(w.size(), QSize(534, 501));
        QVERIFY(!w.menuBar()->isHidden());
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Logged "));
        QCOMPARE(combo->count(), 22);
        QCOMPARE(combo->itemText(21), QStringLiteral("Another (ETC)"));
        QVERIFY(f.waitForTexts({"AS_1.D"}));
        // The sign-in bar's editor button now makes reports; it must not open the editor.
        f.child<QPushButton>("pb_01")->setEnabled(true);
        f.child<QPushButton>("pb_01")->click();
        QVERIFY(!w.operatorsEditor()->isVisible());

        // Settings: a new data directory is listed once saved.
        f.child<QAction>("actionSettingsTest")->trigger();
        QVERIFY(w.allSettings()->isVisible());
        QVERIFY(f.addAnalysis("other/AS_2.D"));
        w.allSettings()->findChild<QLineEdit*>("pt_le_path")->setText(f.data + "/other");
        w.allSettings()->findChild<QPushButton*>("pb_ok")->click();
        QVERIFY(!w.allSettings()->isVisible());
        QVERIFY(f.waitForTexts({"AS_2.D"}));

        w.components_window();
        const QPoint centre = w.geometry().center();
        f.child<QAction>("actionAbout")->trigger();
        QVERIFY(w.aboutWindow()->isVisible());
        QVERIFY((w.aboutWindow()->geometry().center() - centre).manhattanLength() <= 2);
        w.aboutWindow()->findChild<QPushButton*>("pbClose")->click();
        QVERIFY(!w.aboutWindow()->isVisible());

        QList<QUrl> opened;
        Desktop::setOpener([&](const QUrl& url) { opened << url; return true; });
        f.child<QAction>("actionContest_help")->trigger();
        Desktop::setOpener({});
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(f.app.path() + "/help/User manual.pdf")});

        w.show_debug_tcp();
        QVERIFY(w.debugWindow()->isVisible());
        QTimer::singleShot(0, f.child<QAction>("actionExit"), &QAction::trigger);
        QTimer::singleShot(5000, qApp, [] { qApp->exit(1); });  // the program would outlive its window
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!w.isVisible());
    }

    void operatorsEditor_changesReachSettingsAndCombo()
    {
        WorkingWindow f;
        AppTestDir::Settings s;
        s.operators = QStringList{QStringLiteral("Zoe")};
        QVERIFY(f.start({}, s, false));
        f.child<QPushButton>("pb_01")->click();
        settings* editor = f.window->operatorsEditor();
        QVERIFY(editor->isVisible());
        auto* line = editor->findChild<QLineEdit*>("LineText");
        auto* list = editor->findChild<QListWidget*>("ListText");
        line->setText(QStringLiteral("Adam"));
        editor->findChild<QPushButton*>("pbNew")->click();
        // Rename "Zoe" (listed after "Adam") to "Yan" after the confirmation.
        list->setCurrentRow(1);
        QMetaObject::invokeMethod(editor, "ListText_click", Q_ARG(QModelIndex, list->currentIndex()));
        line->setText(QStringLiteral("Yan"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        editor->findChild<QPushButton*>("pbChange")->click();
        MessageBox::setNextAnswer(MessageBox::Yes);
        editor->findChild<QPushButton*>("pbOk")->click();
        QVERIFY(!editor->isVisible());

        auto* combo = f.child<QComboBox>("cb_01");
        QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1)}), QStringList({"Adam", "Yan"}));
        QCOMPARE(combo->count(), 2);
        const QString ini = f.app.file("settings/settings.ini");
        QCOMPARE(iniValue(ini, "OperatorsSettings/Count").toInt(), 2);
        QCOMPARE(iniValue(ini, "OperatorsSettings/Operator_0").toString(), QStringLiteral("Adam"));
        QCOMPARE(iniValue(ini, "OperatorsSettings/Operator_1").toString(), QStringLiteral("Yan"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
