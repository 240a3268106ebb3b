// Start-up, language, sign-in, the menus and leaving the program, through the main window.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include "app/about.h"
#include "app/desktop.h"
#include "config/settings_common.h"
#include "device/debug_tcp.h"
#include "windows/editreport.h"
#include "windows/settings.h"
#include "workingwindow.h"

// Buttons not hidden that have neither a text nor a tooltip.
static QStringList untipped(QWidget* window)
{
    QStringList names;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (!b->isHidden() && b->text().isEmpty() && b->toolTip().isEmpty())
            names << b->objectName();
    return names;
}

class TestMainWindow : public QObject
{
    Q_OBJECT

  private slots:
    void startupChecks_data()
    {
        QTest::addColumn<bool>("withDocs");
        QTest::addColumn<bool>("withSettings");
        QTest::addColumn<QStringList>("except");
        QTest::addColumn<QStringList>("warnings");
        const QString missing("Template file type %1 not found. Functionality is unavailable.");
        QTest::newRow("empty directory")
            << false << false << QStringList()
            << QStringList{"Templates folder does not exist. Functionality is unavailable.",
                           missing.arg(1), missing.arg(2), missing.arg(3),
                           "The settings file can not be found. Set the default settings"};
        QTest::newRow("one type 2 file") << true << true << QStringList{"Shablon_type_2_rus.html"}
                                         << QStringList{missing.arg(2)};
    }
    void startupChecks()
    {
        QFETCH(bool, withDocs);
        QFETCH(bool, withSettings);
        QFETCH(QStringList, except);
        QFETCH(QStringList, warnings);
        WorkingWindow f; // built here by hand, over a directory that may lack its parts
        AppTestDir& app = f.app;
        QVERIFY((!withDocs || app.copyTemplates(except)) &&
                (!withSettings || app.writeSettings({})));
        app.enter();
        MainWindow w;
        QCOMPARE(shownTexts(), warnings);
        for (const MessageBox::Shown& s : MessageBox::shown())
            QVERIFY(s.title == QStringLiteral("Attention") &&
                    s.buttons == QStringList{QStringLiteral("Ok")});
        const bool blocked = !warnings.isEmpty();
        QCOMPARE(w.startupBlocked(), blocked);
        for (const char* name : {"cb_01", "pb_01", "pb_02"})
            QCOMPARE(w.findChild<QWidget*>(name)->isEnabled(), !blocked);
        // A missing settings file is written with the defaults; an existing one is kept.
        QCOMPARE(
            iniValue(app.file("settings/settings.ini"), "NetworkSettings/NetworkIP").toString(),
            withSettings ? QStringLiteral("127.0.0.1") : QStringLiteral("192.168.1.1"));
        QVERIFY(QFileInfo(app.file("reportsPDF")).isDir() &&
                !QFileInfo::exists(app.file("reports")));
        QCOMPARE(w.windowTitle(), QStringLiteral("Choose operator"));
        QCOMPARE(w.size(), QSize(320, 41));
    }

    // The main window, its working layout and the settings dialog all take the stored
    // value the same way.
    void storedLanguage_sameInEveryWindow_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("russian");
        QTest::newRow("1") << QVariant(1) << true;
        QTest::newRow("257, low byte 1") << QVariant(257) << true;
        QTest::newRow("2") << QVariant(2) << false;
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
        QCOMPARE(f.window->windowTitle(),
                 russian ? QString::fromUtf8("Выберите оператора") : QString("Choose operator"));
        QCOMPARE(f.window->ReadLocale(0),
                 russian ? QString::fromUtf8("Внимание") : QString("Attention"));
        QCOMPARE(f.child<QPushButton>("pb_02")->toolTip(),
                 russian ? QString::fromUtf8("Войти") : QString("Sign in"));
        QCOMPARE(untipped(f.window.get()), QStringList());
        f.press("pb_02");
        editReport* editor = f.window->reportEditor();
        f.window->showEditReport(f.app.file("reports/none"));
        QCOMPARE(untipped(f.window.get()) + untipped(editor), QStringList());
        editor->hide();
        QCOMPARE(f.child<QPushButton>("pb_01")->text(),
                 russian ? QString::fromUtf8("Новый") : QString("New"));
        auto* types = f.child<QComboBox>("cb_01");
        QCOMPARE(types->itemText(0) + "|" + types->itemText(21),
                 russian ? QString::fromUtf8("Аспират из матки (AS)|Другое (ETC)")
                         : QString("Uterus aspirat (AS)|Another (ETC)"));
        f.press("actionSettingsTest");
        QCOMPARE(f.window->allSettings()->is_loc_Current(), uchar(russian ? 1 : 0));
        QCOMPARE(untipped(f.window->allSettings()), QStringList());
        QCOMPARE(f.window->allSettings()->findChild<QComboBox*>("loc_cb_Language")->currentIndex(),
                 russian ? 1 : 0);
    }

    // Operators editor, sign-in, the Settings and Help menus, Exit with the debug window open.
    void operators_signIn_menus_exit()
    {
        WorkingWindow f;
        AppTestDir::Settings s;
        s.operators = QStringList{"Zoe"};
        QVERIFY(f.start({"AS_1.D"}, s, false));
        f.press("pb_01");
        settings* editor = f.window->operatorsEditor();
        QVERIFY(editor->isVisible());
        editor->findChild<QLineEdit*>("LineText")->setText(QStringLiteral("Boris"));
        editor->findChild<QPushButton*>("pbNew")->click();
        MessageBox::setNextAnswer(MessageBox::Yes);
        editor->findChild<QPushButton*>("pbOk")->click();
        QVERIFY(!editor->isVisible());
        auto* combo = f.child<QComboBox>("cb_01");
        QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1)}),
                 QStringList({"Boris", "Zoe"}));
        QCOMPARE(iniValue(f.app.file("settings/settings.ini"), "OperatorsSettings/Operator_0")
                     .toString(),
                 QStringLiteral("Boris"));
        combo->setCurrentIndex(0);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(combo, Qt::Key_Return); // signs in
        MainWindow& w = *f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Boris"));
        QCOMPARE(w.size(), QSize(534, 501));
        QVERIFY(!w.menuBar()->isHidden());
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Logged "));
        QVERIFY(f.waitForTexts({"AS_1.D"}));
        // The sign-in bar's editor button now makes reports; it must not open the editor.
        f.child<QPushButton>("pb_01")->setEnabled(true);
        f.press("pb_01");
        QVERIFY(!w.operatorsEditor()->isVisible());

        f.press("actionSettingsTest");
        QVERIFY(w.allSettings()->isVisible());
        w.allSettings()->findChild<QPushButton*>("pb_cancel")->click();

        const QPoint centre = w.geometry().center();
        f.press("actionAbout");
        QVERIFY(w.aboutWindow()->isVisible() &&
                (w.aboutWindow()->geometry().center() - centre).manhattanLength() <= 2);
        w.aboutWindow()->findChild<QPushButton*>("pbClose")->click();
        QVERIFY(!w.aboutWindow()->isVisible());
        f.press("actionAbout");
        w.aboutWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.aboutWindow()));
        QTest::keyClick(w.aboutWindow(), Qt::Key_Escape);
        QVERIFY(!w.aboutWindow()->isVisible());

        QList<QUrl> opened;
        Desktop::setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        const QString manual = f.app.file("help/User manual.pdf");
        f.press("actionContest_help"); // not there yet: said, not handed on
        QCOMPARE(shownTexts().last(), "The user manual was not found:\n" + manual);
        QVERIFY(QDir().mkpath(f.app.file("help")) && QFile(manual).open(QIODevice::WriteOnly));
        f.press("actionContest_help");
        Desktop::setOpener({});
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(manual)});

        w.show_debug_tcp();
        QVERIFY(w.debugWindow()->isVisible());
        QTimer::singleShot(0, f.child<QAction>("actionExit"), &QAction::trigger);
        QTimer::singleShot(5000, qApp,
                           [] { qApp->exit(1); }); // the program would outlive its window
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
