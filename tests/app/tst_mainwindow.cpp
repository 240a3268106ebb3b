// Start-up checks, the sign-in bar, sign-in and language of the main window.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

#include "app/localetext.h"
#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "windows/settings.h"

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const MessageBox::Shown& s : MessageBox::shown())
            texts << s.text;
        return texts;
    }

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
        const QString ini = app.file(QStringLiteral("settings/settings.ini"));
        QVERIFY(QFile::exists(ini));
        QSettings s(ini, QSettings::IniFormat);
        QStringList keys = s.allKeys();
        keys.sort();
        QCOMPARE(keys, QStringList({"Language/Count", "Language/Current", "Language/Lang_0",
                                    "Language/Lang_1", "NetworkSettings/NetworkIP",
                                    "NetworkSettings/NetworkLV", "OperatorsSettings/Count",
                                    "OperatorsSettings/Operator_0", "PathSettings/DeepFolderSearch",
                                    "PathSettings/Directory"}));
        QCOMPARE(s.value("NetworkSettings/NetworkIP").toString(), QStringLiteral("192.168.1.1"));
        QCOMPARE(s.value("OperatorsSettings/Operator_0").toString(), QString::fromUtf8("Оператор"));
        QVERIFY(shownTexts().contains(
            QStringLiteral("The settings file can not be found. Set the default settings")));
        QVERIFY(QFileInfo(app.file("reportsPDF")).isDir());
        QVERIFY(!QFileInfo::exists(app.file("reports")));
        QCOMPARE(w.windowTitle(), QStringLiteral("Choose operator"));
        QCOMPARE(w.size(), QSize(320, 41));
        QVERIFY(w.menuBar()->isHidden());
    }

    void missingTemplates_data()
    {
        QTest::addColumn<bool>("withDocs");
        QTest::addColumn<QStringList>("except");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("no docs folder") << false << QStringList() << QList<int>{3, 4, 5, 6};
        QTest::newRow("one type 2 file") << true << QStringList{"Shablon_type_2_rus.html"}
                                         << QList<int>{5};
        QTest::newRow("type 1 and 3 english") << true
                                              << QStringList{"Shablon_type_1_eng.html",
                                                             "Shablon_type_3_eng.html"}
                                              << QList<int>{4, 6};
        QTest::newRow("all present") << true << QStringList() << QList<int>{};
    }

    void missingTemplates()
    {
        QFETCH(bool, withDocs);
        QFETCH(QStringList, except);
        QFETCH(QList<int>, rows);
        AppTestDir app;
        if (withDocs)
            QVERIFY(app.copyTemplates(except));
        QVERIFY(app.writeSettings({}));
        app.enter();
        MainWindow w;
        LocaleText texts;
        texts.load(0);
        QStringList expected;
        for (int row : rows)
            expected << texts.text(static_cast<unsigned char>(row));
        QCOMPARE(shownTexts(), expected);
        for (const MessageBox::Shown& s : MessageBox::shown()) {
            QCOMPARE(s.title, QStringLiteral("Attention"));
            QCOMPARE(s.buttons, QStringList{QStringLiteral("Ok")});
        }
        const bool blocked = !rows.isEmpty();
        QCOMPARE(w.startupBlocked(), blocked);
        for (const char* name : {"cb_01", "pb_01", "pb_02"})
            QCOMPARE(w.findChild<QWidget*>(name)->isEnabled(), !blocked);
    }

    void russianSettings_giveRussianTexts()
    {
        AppTestDir app;
        QVERIFY(app.copyTemplates({"Shablon_type_3_rus.html"}));
        AppTestDir::Settings s;
        s.language = 1;
        s.operators = QStringList{QString::fromUtf8("Петрова")};
        QVERIFY(app.writeSettings(s));
        app.enter();
        MainWindow w;
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Выберите оператора"));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].title, QString::fromUtf8("Внимание"));
        QCOMPARE(MessageBox::shown()[0].buttons, QStringList{QString::fromUtf8("Ок")});
        QCOMPARE(MessageBox::shown()[0].text,
                 QString::fromUtf8("Файл с шаблоном тип 3 не найден. Функционал недоступен."));
        QCOMPARE(w.statusLabel()->text(), QString::fromUtf8(" Статус: подключение "));
    }

    void languageValue_outsideTable_fallsBackToEnglish_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("two") << "2";
        QTest::newRow("257") << "257";
        QTest::newRow("text") << "ru";
        QTest::newRow("negative") << "-1";
    }

    void languageValue_outsideTable_fallsBackToEnglish()
    {
        QFETCH(QString, stored);
        AppTestDir app;
        QVERIFY(app.copyTemplates());
        QVERIFY(app.writeSettings({}));
        QSettings(app.file("settings/settings.ini"), QSettings::IniFormat)
            .setValue("Language/Current", stored);
        app.enter();
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Choose operator"));
        QCOMPARE(w.ReadLocale(LocaleText::Attention), QStringLiteral("Attention"));
        QCOMPARE(w.ReadLocale(200), QString());
    }

    void signIn_showsWorkingWindow()
    {
        AppTestDir app;
        QVERIFY(app.copyTemplates());
        AppTestDir::Settings s;
        s.operators = QStringList{QStringLiteral("Anna"), QStringLiteral("Boris")};
        s.dataDir = app.file("data-missing");
        s.port = QStringLiteral("1");  // nothing listens: the first check fails quietly
        QVERIFY(app.writeSettings(s));
        app.enter();
        MainWindow w;
        w.show();
        auto* combo = w.findChild<QComboBox*>("cb_01");
        QCOMPARE(combo->count(), 2);
        combo->setCurrentIndex(1);
        w.findChild<QPushButton*>("pb_02")->click();
        QCOMPARE(w.windowTitle(), QStringLiteral("Boris"));
        QCOMPARE(w.size(), QSize(534, 501));
        QVERIFY(!w.menuBar()->isHidden());
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Logged "));
        QCOMPARE(combo->count(), 22);
        QCOMPARE(combo->itemText(0), QStringLiteral("Uterus aspirat (AS)"));
        QCOMPARE(combo->itemText(21), QStringLiteral("Another (ETC)"));
        for (const char* name : {"pb_01", "pb_02", "pb_03", "pb_04", "pb_05", "le_filter", "cb_02"})
            QVERIFY2(!w.findChild<QWidget*>(name)->isEnabled(), name);
        QCOMPARE(w.findChild<QPushButton*>("pb_01")->text(), QStringLiteral("New"));
        // The editor button now makes reports; it must no longer open the operators editor.
        w.findChild<QPushButton*>("pb_01")->setEnabled(true);
        w.findChild<QPushButton*>("pb_01")->click();
        QVERIFY(!w.operatorsEditor()->isVisible());
        QVERIFY(!w.findChild<QAction*>("action_TCP_debug")->isVisible());
    }

    void operatorsEditor_changesReachSettingsAndCombo()
    {
        AppTestDir app;
        QVERIFY(app.copyTemplates());
        AppTestDir::Settings s;
        s.operators = QStringList{QStringLiteral("Zoe")};
        QVERIFY(app.writeSettings(s));
        app.enter();
        MainWindow w;
        w.show();
        w.findChild<QPushButton*>("pb_01")->click();
        settings* editor = w.operatorsEditor();
        QVERIFY(editor->isVisible());
        auto* line = editor->findChild<QLineEdit*>("LineText");
        line->setText(QStringLiteral("Adam"));
        editor->findChild<QPushButton*>("pbNew")->click();
        line->setText(QStringLiteral("Mia"));
        editor->findChild<QPushButton*>("pbNew")->click();
        auto* list = editor->findChild<QListWidget*>("ListText");
        // Rename "Zoe" to "Yan" after the confirmation, then delete "Mia".
        list->setCurrentRow(2);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Zoe"));
        QMetaObject::invokeMethod(editor, "ListText_click", Q_ARG(QModelIndex, list->currentIndex()));
        line->setText(QStringLiteral("Yan"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        editor->findChild<QPushButton*>("pbChange")->click();
        list->setCurrentRow(1);
        QMetaObject::invokeMethod(editor, "ListText_click", Q_ARG(QModelIndex, list->currentIndex()));
        editor->findChild<QPushButton*>("pbDelete")->click();
        MessageBox::setNextAnswer(MessageBox::Yes);
        editor->findChild<QPushButton*>("pbOk")->click();
        QVERIFY(!editor->isVisible());

        auto* combo = w.findChild<QComboBox*>("cb_01");
        QStringList names;
        for (int i = 0; i < combo->count(); ++i)
            names << combo->itemText(i);
        QCOMPARE(names, QStringList({"Adam", "Yan"}));
        QSettings ini(app.file("settings/settings.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("OperatorsSettings/Count").toInt(), 2);
        QCOMPARE(ini.value("OperatorsSettings/Operator_0").toString(), QStringLiteral("Adam"));
        QCOMPARE(ini.value("OperatorsSettings/Operator_1").toString(), QStringLiteral("Yan"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
