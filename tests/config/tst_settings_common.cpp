// The all-settings dialog over its settings file: what it shows, saves, refuses and says.
#include "app/filedialog.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "config/settings_common.h"
#include "report/filewrite.h"
#include "report/syscalls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolBox>
#include <QtTest>

#include <memory>

class TestSettingsCommon : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppTestDir> app;
    std::unique_ptr<settings_common> dlg;

    template <class T = QLineEdit> T* get(const char* name)
    {
        return dlg->findChild<T*>(QString::fromLatin1(name));
    }
    void click(const char* name) { get<QPushButton>(name)->click(); }
    QString ini() const { return app->file("settings/settings.ini"); }
    // Values of keys in the file; "-" for a missing key.
    QStringList stored(const QStringList& keys) const
    {
        QSettings s(ini(), QSettings::IniFormat);
        QStringList values;
        for (const QString& key : keys)
            values << s.value(key, "-").toString();
        return values;
    }

  private slots:
    // Every test starts from a remote-version file with every key set, in Russian.
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        app.reset(new AppTestDir);
        QVERIFY(app->writeSettings(
            {"10.0.0.5", false, "8080", "ABCD-EFGH-IJKL", "/data/lab", true, {"Ivan", "Anna"}, 1}));
        dlg.reset(new settings_common);
        dlg->SetappDir(app->path());
        dlg->ShowWindow();
    }

    // Ok saves when every rule passes, else names the first failure on its page (English for any
    // language byte but 1); a save that fails names the file and why. Either way the dialog stays
    // open and the program goes on with what the file holds.
    void pressOk_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QStringList>(
            "steps");                         // widget=value (a list is emptied), or see pressOk()
        QTest::addColumn<QString>("message"); // %1: the settings file; empty: saved
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("file"); // see pressOk()
        QTest::addColumn<QString>("held"); // address, user ID, port, path the program goes on with
        const QString before = "false,ABCD-EFGH-IJKL,8080,10.0.0.5,/data/lab,true,1,Ivan,-,-";
        const QString held = "10.0.0.5,ABCD-EFGH-IJKL,8080,/data/lab";
        const QStringList edits{"nw_le_IP=172.016.005.200", "chooser=/mnt/new",
                                "pt_cb_DeepScan=off", "loc_cb_Language=0"};
        QTest::newRow("saved, remote")
            << 0 << edits + QStringList{"nw_le_Port=9000"} << "" << 3
            << "false,ABCD-EFGH-IJKL,9000,172.16.5.200,/mnt/new,false,0,Ivan,0,"
            << "172.16.5.200,ABCD-EFGH-IJKL,9000,/mnt/new";
        // With the local version on, ID and port are neither checked nor saved, and the held ones
        // stay.
        QTest::newRow("saved, local")
            << 0 << edits + QStringList{"nw_cb_LocalVersion=on", "nw_le_ID=WXYZ", "nw_le_Port="}
            << "" << 3 << "true,-,-,172.16.5.200,/mnt/new,false,0,Ivan,0,"
            << "172.16.5.200,ABCD-EFGH-IJKL,8080,/mnt/new";
        // Reopening after Cancel shows the file again, so Ok keeps it as it was.
        QTest::newRow("cancel, reopen")
            << 1 << QStringList({"pt_le_path=/elsewhere", "op_lt_OperatorsList=", "cancel"}) << ""
            << 0 << QString(before).replace(",-,-", ",0,") << held;
        // A cancelled folder chooser leaves the path as it was.
        QTest::newRow("chooser cancelled") << 1 << QStringList({"chooser="}) << "" << 3
                                           << QString(before).replace(",-,-", ",0,") << held;
        // A first start writes the defaults (local version, no ID or port), shows them and holds
        // them.
        QTest::newRow("first start") << 1 << QStringList({"no file"}) << "" << 3
                                     << "true,-,-,192.168.1.1,C:/,false,0,Оператор,0,"
                                     << "192.168.1.1,,,C:/";
        QTest::newRow("LIS both ways")
            << 0
            << QStringList({"lis_cb_Mode=3", "lis_le_Folder=/srv/lis", "lis_le_Host=lis",
                            "lis_le_Port=2575"})
            << "" << 3 << "false,ABCD-EFGH-IJKL,8080,10.0.0.5,/data/lab,true,1,Ivan,3,2575" << held;
        const auto refused = [&](const char* name, int lang, const QStringList& steps,
                                 const char* message, int page) {
            QTest::newRow(name) << lang << steps << QString::fromUtf8(message) << page << before
                                << held;
        };
        // Each row also breaks the rules after the one named.
        refused("address gap, ru", 1, {"nw_le_IP=10..0.1", "nw_le_ID="},
                "Неправильно введен IP адрес.", 0);
        refused("id 13", 0, {"nw_le_ID=ABCD-EFGH-IJK", "nw_le_Port="}, "Invalid user ID.", 0);
        refused("port", 0, {"nw_le_Port=", "op_lt_OperatorsList="}, "Invalid server port.", 0);
        refused("operators", 0, {"op_lt_OperatorsList=", "pt_le_path="},
                "Incorrectly filled a list of operators.", 1);
        refused("path, language 9", 9, {"pt_le_path="}, "Incorrectly filled path to data analyzes.",
                2);
        refused("LIS port", 0, {"lis_cb_Mode=2", "lis_le_Host=lis", "lis_le_Port="},
                "Invalid port of the LIS (1 to 65535).", 4);
        refused("LIS folder, ru", 1, {"lis_cb_Mode=1"}, "Не заполнена папка для ЛИС.", 4);
        refused("local skips id and port", 0,
                {"nw_cb_LocalVersion=on", "nw_le_ID=AB", "nw_le_Port=", "pt_le_path="},
                "Incorrectly filled path to data analyzes.", 2);
        refused("write fails", 0, edits + QStringList{"fail"},
                "Could not write \"%1\": Input/output error.\nThe settings were not saved.", 3);
        QTest::newRow("file is a folder")
            << 0 << edits + QStringList{"folder"}
            << "Could not write \"%1\": Is a directory (a folder stands where a file is needed).\n"
               "The settings were not saved."
            << 3 << "-,-,-,-,-,-,-,-,-,-" << held;
    }
    void pressOk()
    {
        QFETCH(int, lang);
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        message.replace(QLatin1String("%1"), ini());
        dlg->SetLang(static_cast<uchar>(lang));
        get<QToolBox>("tb_Settings")->setCurrentIndex(3);
        for (const QString& step : steps) {
            const QString value = step.section('=', 1);
            QWidget* widget = dlg->findChild<QWidget*>(step.section('=', 0, 0));
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                edit->setText(value);
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                box->setChecked(value == QLatin1String("on"));
            } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->setCurrentIndex(value.toInt());
            } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
                list->clear();
            } else if (step == QLatin1String("cancel")) {
                click("pb_cancel");
                QVERIFY(!dlg->isVisible());
                dlg->ShowWindow();
                QCOMPARE(QStringList({get("nw_le_IP")->displayText(), get("pt_le_path")->text()}),
                         QStringList({"010.000.000.005", "/data/lab"}));
            } else if (step == QLatin1String("no file")) {
                QVERIFY(QFile::remove(ini()));
                QVERIFY(!dlg->LoadSettings() && QFile::exists(ini()));
                QCOMPARE(get("nw_le_IP")->displayText(), QStringLiteral("192.168.001.001"));
            } else if (step == QLatin1String("fail")) {
                Sys::inject(Sys::Op::Write, 1); // the settings file itself
            } else if (step == QLatin1String("folder")) {
                QVERIFY(QFile::remove(ini()) && QDir().mkpath(ini()));
            } else if (step.startsWith(QLatin1String(
                           "chooser="))) { // the chooser gives this path; empty: cancelled
                FileDialog::setNextDirectory(value);
                click("pt_pb_Find");
                // It opens at the data directory.
                QCOMPARE(FileDialog::lastTitle() + ' ' + FileDialog::lastStartDir(),
                         QStringLiteral("Open Directory /data/lab"));
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
        }
        // The user ID and port, with their labels, are locked while the local version is on.
        for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
            QVERIFY(get<QWidget>(name)->isEnabled() !=
                    get<QCheckBox>("nw_cb_LocalVersion")->isChecked());
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        QSignalSpy ip(dlg.get(), &settings_common::NewIp);
        click("pb_ok");
        Sys::inject(Sys::Op::Write, 0);

        const bool saved = message.isEmpty();
        QStringList boxes;
        for (const MessageBox::Shown& b : MessageBox::shown())
            boxes << QStringList(
                         {b.kind == MessageBox::Warning ? "warning" : "other", b.title, b.text}) +
                         b.buttons;
        QCOMPARE(boxes, saved       ? QStringList()
                        : lang == 1 ? QStringList({"warning", "Внимание", message, "Ок"})
                                    : QStringList({"warning", "Attention", message, "Ok"}));
        QTEST(get<QToolBox>("tb_Settings")->currentIndex(), "page");
        QVERIFY(path.count() == int(saved) && ip.count() == int(saved) &&
                dlg->isVisible() == !saved);
        // NetworkLV, ID, Port, IP, Directory, DeepFolderSearch, the current language, the first
        // operator
        QTEST(stored({"NetworkSettings/NetworkLV", "NetworkSettings/NetworkID",
                      "NetworkSettings/NetworkPort", "NetworkSettings/NetworkIP",
                      "PathSettings/Directory", "PathSettings/DeepFolderSearch", "Language/Current",
                      "OperatorsSettings/Operator_0", "LisSettings/Mode", "LisSettings/Port"})
                  .join(','),
              "file");
        QTEST(QStringList({dlg->is_nw_IP(), dlg->is_nw_ID(), dlg->is_nw_Port(), dlg->is_pt_Path()})
                  .join(','),
              "held");
        // The language member follows the file at the next load only.
        QCOMPARE(int(dlg->is_loc_Current()), 1);
        dlg->LoadSettings();
        QCOMPARE(int(dlg->is_loc_Current()), stored({"Language/Current"}).first().toInt());
    }

    // A first start where the settings cannot be written still works with the defaults: the
    // operators to sign in with, the data directory and the device address.
    void firstStart_unwritable_keepsDefaults()
    {
        QVERIFY(QDir(app->file("settings")).removeRecursively());
        QVERIFY(QFile(app->file("settings"))
                    .open(QIODevice::WriteOnly)); // a file in the folder's place
        MessageBox::clearShown();
        settings_common fresh;
        fresh.SetappDir(app->path());
        QVERIFY(!fresh.LoadSettings());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(QStringList({fresh.is_nw_IP(), fresh.is_pt_Path(), fresh.is_op_List().value(0)}),
                 QStringList({"192.168.1.1", "C:/", QString::fromUtf8("Оператор")}));
    }

    // Stored LIS settings that cannot work are taken as off, with a warning that says why; the
    // values stay in the form for correcting.
    void lisSettingsLoaded_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("warning");
        QTest::newRow("valid") << QStringList{"Mode=2", "Host=lis", "Port=2575"} << 2 << "";
        QTest::newRow("no host") << QStringList{"Mode=3", "Folder=/srv", "Port=2575"} << 0
                                 << "Не заполнен адрес ЛИС.\nРезультаты не передаются в ЛИС, пока "
                                    "не исправлены настройки ЛИС.";
        QTest::newRow("unknown mode")
            << QStringList{"Mode=7", "Host=lis"} << 0
            << "Неизвестный способ передачи результатов в ЛИС.\nРезультаты не передаются в ЛИС, "
               "пока не исправлены настройки ЛИС.";
    }
    void lisSettingsLoaded()
    {
        QFETCH(QStringList, stored);
        {
            QSettings s(ini(), QSettings::IniFormat);
            for (const QString& entry : stored)
                s.setValue("LisSettings/" + entry.section('=', 0, 0), entry.section('=', 1));
        }
        dlg->LoadSettings();
        QTEST(dlg->is_lis().mode, "mode");
        QTEST(dlg->lisWarning(), "warning");
        QTEST(get<QComboBox>("lis_cb_Mode")->currentIndex(), "mode");
        QCOMPARE(get("lis_le_Host")->isEnabled(), dlg->is_lis().toListener());
    }

    // Placed at the given point at its own size; built Russian. After SetLang(0) then SetLang(1)
    // the texts stay English and the messages are Russian.
    void placedAndLabelled()
    {
        settings_common
            fresh; // never shown: the offscreen platform cannot resize a shown fixed window
        const QSize before = fresh.size();
        fresh.SetCoord(500, 400);
        QCOMPARE(fresh.pos(), QPoint(382, 257));
        QVERIFY(fresh.minimumSize() == before && fresh.maximumSize() == before);

        QCOMPARE(get("nw_le_IP")->inputMask() + ' ' + get("nw_le_ID")->inputMask() + ' ' +
                     get("nw_le_Port")->inputMask(),
                 QStringLiteral("000.000.000.000;_ AAAA-AAAA-AAAA;_ 00000;_"));
        QCOMPARE(get<QPushButton>("pb_ok")->text(), QStringLiteral("Сохранить"));
        dlg->SetLang(0);
        dlg->SetLang(1);
        QCOMPARE(QStringList({get<QToolBox>("tb_Settings")->itemText(3),
                              get<QLabel>("nw_lb_IP")->text(), get<QPushButton>("pb_ok")->text()}),
                 QStringList({"Interface language", "IP adress", "Save"}));
        get("pt_le_path")->clear();
        QVERIFY(!dlg->CheckSettings());
        QCOMPARE(MessageBox::shown().last().text,
                 QStringLiteral("Неправильно заполнен путь к данным анализов."));
    }
};

QTEST_MAIN(TestSettingsCommon)
#include "tst_settings_common.moc"
