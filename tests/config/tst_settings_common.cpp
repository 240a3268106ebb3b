// The all-settings dialog over its settings file: what it shows, saves, refuses and says.
#include "app/filedialog.h"
#include "app/messagebox.h"
#include "config/settings_common.h"
#include "report/filewrite.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBox>
#include <QtTest>

#include <memory>

class TestSettingsCommon : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<settings_common> dlg;

    template <class T = QLineEdit> T* get(const char* name) { return dlg->findChild<T*>(QString::fromLatin1(name)); }
    void click(const char* name) { get<QPushButton>(name)->click(); }
    QString ini() const { return dir->path() + "/settings/settings.ini"; }
    // Values of keys in the file; "-" for a missing key.
    QStringList stored(const QStringList& keys) const
    {
        QSettings s(ini(), QSettings::IniFormat);
        QStringList values;
        for (const QString& key : keys)
            values << s.value(key, "-").toString();
        return values;
    }
    // What the user sees: address, ID, port, how many of the ID and port fields and labels are
    // enabled, path, sub-folders, operators, language.
    QStringList form()
    {
        int open = 0;
        for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
            open += get<QWidget>(name)->isEnabled();
        QStringList names;
        for (int i = 0; i < get<QListWidget>("op_lt_OperatorsList")->count(); ++i)
            names << get<QListWidget>("op_lt_OperatorsList")->item(i)->text();
        return {get("nw_le_IP")->displayText(), get("nw_le_ID")->text(), get("nw_le_Port")->text(), QString::number(open),
                get("pt_le_path")->text(), get<QCheckBox>("pt_cb_DeepScan")->isChecked() ? "deep" : "flat",
                names.join(','), QString::number(get<QComboBox>("loc_cb_Language")->currentIndex())};
    }
    static QStringList box(int at = 0)
    {
        const MessageBox::Shown b = MessageBox::shown().value(at);
        return QStringList({b.kind == MessageBox::Warning ? "warning" : "other", b.title, b.text}) + b.buttons;
    }

private slots:
    // Every test starts from a remote-version file with every key set.
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        dir.reset(new QTemporaryDir);
        QDir().mkpath(dir->path() + "/settings");
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[NetworkSettings]\nNetworkIP=10.0.0.5\nNetworkLV=false\nNetworkID=ABCD-EFGH-IJKL\nNetworkPort=8080\n"
                "[PathSettings]\nDirectory=/data/lab\nDeepFolderSearch=true\n"
                "[OperatorsSettings]\nCount=2\nOperator_0=Ivan\nOperator_1=Anna\n"
                "[Language]\nCount=2\nCurrent=1\nLang_0=English\nLang_1=Russian\n");
        f.close();
        dlg.reset(new settings_common);
        dlg->SetappDir(dir->path());
        dlg->ShowWindow();
    }

    // A first start writes exactly these keys, without user ID and port, and shows them.
    void missingFileWritesDefaults()
    {
        QVERIFY(QFile::remove(ini()));
        QVERIFY(!dlg->LoadSettings());
        QSettings s(ini(), QSettings::IniFormat);
        QStringList pairs;
        for (const QString& key : s.allKeys())
            pairs << key + '=' + s.value(key).toString();
        pairs.sort();
        QCOMPARE(pairs, QStringList({"Language/Count=2", "Language/Current=0", "Language/Lang_0=English (Английский)",
                                     "Language/Lang_1=Russian (Русский)", "NetworkSettings/NetworkIP=192.168.1.1",
                                     "NetworkSettings/NetworkLV=true", "OperatorsSettings/Count=1",
                                     "OperatorsSettings/Operator_0=Оператор", "PathSettings/DeepFolderSearch=false",
                                     "PathSettings/Directory=C:/"}));
        // The ID and port fields keep what they held, locked.
        QCOMPARE(form(), QStringList({"192.168.001.001", "ABCD-EFGH-IJKL", "8080", "0", "C:/", "flat", "Оператор", "0"}));
        QCOMPARE(dlg->is_op_List(), QStringList{"Оператор"});
        QVERIFY(dlg->LoadSettings());  // a second start finds the file
    }

    // Cancel drops the edits: the next opening shows the file again.
    void cancelThenReopenShowsFile()
    {
        get("pt_le_path")->setText(QStringLiteral("/elsewhere"));
        get<QListWidget>("op_lt_OperatorsList")->clear();
        click("pb_cancel");
        QVERIFY(!dlg->isVisible());
        dlg->ShowWindow();
        QCOMPARE(form(), QStringList({"010.000.000.005", "ABCD-EFGH-IJKL", "8080", "4", "/data/lab", "deep", "Ivan,Anna", "1"}));
        get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
        QCOMPARE(form().at(3), QStringLiteral("0"));
    }

    // Ok saves when every rule passes, else names the first failure on its page (English for any
    // language byte but 1); a save that fails names the file and why. Either way the dialog stays
    // open and the program goes on with what the file holds.
    void pressOk_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QStringList>("steps");  // see pressOk()
        QTest::addColumn<QString>("message");    // %1: the settings file
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("file");   // NetworkLV, ID, Port, IP, Directory, DeepFolderSearch, Current
        QTest::addColumn<QStringList>("held");   // address, user ID, port, path the program goes on with
        const QStringList before{"false", "ABCD-EFGH-IJKL", "8080", "10.0.0.5", "/data/lab", "true", "1"};
        const QStringList held{"10.0.0.5", "ABCD-EFGH-IJKL", "8080", "/data/lab"};
        const QStringList edits{"nw_le_IP=172.016.005.200", "chooser=/mnt/new", "flat", "english"};
        QTest::newRow("saved, remote") << 0 << edits + QStringList{"nw_le_Port=9000"} << "" << 3
            << QStringList({"false", "ABCD-EFGH-IJKL", "9000", "172.16.5.200", "/mnt/new", "false", "0"})
            << QStringList({"172.16.5.200", "ABCD-EFGH-IJKL", "9000", "/mnt/new"});
        // With the local version on, ID and port are neither checked nor saved, and the held ones stay.
        QTest::newRow("saved, local") << 0 << edits + QStringList{"local", "nw_le_ID=WXYZ", "nw_le_Port="} << "" << 3
            << QStringList({"true", "-", "-", "172.16.5.200", "/mnt/new", "false", "0"})
            << QStringList({"172.16.5.200", "ABCD-EFGH-IJKL", "8080", "/mnt/new"});
        const auto refused = [&](const char* name, int lang, const QStringList& steps, const char* message, int page) {
            QTest::newRow(name) << lang << steps << QString::fromUtf8(message) << page << before << held;
        };
        // Each row also breaks the rules after the one named.
        refused("address 256", 0, {"nw_le_IP=10.0.0.256", "nw_le_ID="}, "Invalid IP address.", 0);
        refused("address gap, ru", 1, {"nw_le_IP=10..0.1"}, "Неправильно введен IP адрес.", 0);
        refused("id 13", 0, {"nw_le_ID=ABCD-EFGH-IJK", "nw_le_Port="}, "Invalid user ID.", 0);
        refused("port", 0, {"nw_le_Port=", "ops"}, "Invalid server port.", 0);
        refused("operators", 0, {"ops", "pt_le_path="}, "Incorrectly filled a list of operators.", 1);
        refused("path, language 9", 9, {"pt_le_path="}, "Incorrectly filled path to data analyzes.", 2);
        refused("chooser cancelled", 1, {"chooser="}, "Неправильно заполнен путь к данным анализов.", 2);
        refused("local skips id and port", 0, {"local", "nw_le_ID=AB", "nw_le_Port=", "pt_le_path="},
                "Incorrectly filled path to data analyzes.", 2);
        refused("write fails", 0, edits + QStringList{"fail"},
                "Could not write \"%1\": Input/output error.\nThe settings were not saved.", 3);
        QTest::newRow("file is a folder") << 0 << edits + QStringList{"folder"}
            << "Could not write \"%1\": Is a directory (a folder stands where a file is needed).\nThe settings were not saved." << 3
            << QStringList({"-", "-", "-", "-", "-", "-", "-"}) << held;
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
            if (step == QLatin1String("ops")) {
                get<QListWidget>("op_lt_OperatorsList")->clear();
            } else if (step == QLatin1String("local")) {
                get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
            } else if (step == QLatin1String("flat")) {
                get<QCheckBox>("pt_cb_DeepScan")->setChecked(false);
            } else if (step == QLatin1String("english")) {
                get<QComboBox>("loc_cb_Language")->setCurrentIndex(0);
            } else if (step == QLatin1String("fail")) {
                FileWrite::failWrite(2);  // after the settings folder, the file itself
            } else if (step == QLatin1String("folder")) {
                QVERIFY(QFile::remove(ini()) && QDir().mkpath(ini()));
            } else if (step.startsWith(QLatin1String("chooser="))) {
                FileDialog::setNextDirectory(value);
                click("pt_pb_Find");
                QCOMPARE(QStringList({FileDialog::lastTitle(), FileDialog::lastStartDir()}), QStringList({"Open Directory", "/home"}));
            } else {
                get(step.section('=', 0, 0).toLatin1().constData())->setText(value);
            }
        }
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        QSignalSpy ip(dlg.get(), &settings_common::NewIp);
        click("pb_ok");
        FileWrite::failWrite(0);

        const bool saved = message.isEmpty();
        QCOMPARE(MessageBox::shown().size(), saved ? 0 : 1);
        if (!saved)
            QCOMPARE(box(), lang == 1 ? QStringList({"warning", "Внимание", message, "Ок"})
                                      : QStringList({"warning", "Attention", message, "Ok"}));
        QTEST(get<QToolBox>("tb_Settings")->currentIndex(), "page");
        QVERIFY(path.count() == int(saved) && ip.count() == int(saved) && dlg->isVisible() == !saved);
        QTEST(stored({"NetworkSettings/NetworkLV", "NetworkSettings/NetworkID", "NetworkSettings/NetworkPort",
                      "NetworkSettings/NetworkIP", "PathSettings/Directory", "PathSettings/DeepFolderSearch",
                      "Language/Current"}), "file");
        QTEST(QStringList({dlg->is_nw_IP(), dlg->is_nw_ID(), dlg->is_nw_Port(), dlg->is_pt_Path()}), "held");
        // The language member follows the file at the next load only.
        QCOMPARE(int(dlg->is_loc_Current()), 1);
        if (saved) {
            dlg->LoadSettings();
            QCOMPARE(int(dlg->is_loc_Current()), 0);
        }
    }

    // The editor's list replaces only the operators group. The count is one byte, so 257 names keep
    // one; names past the count stay in the file, unread.
    void saveListOperators_touchesOnlyOperators()
    {
        QStringList names;
        for (int i = 0; i < 257; ++i)
            names << QString::number(i);
        dlg->SaveListOperators(names);
        QCOMPARE(form().at(6), names.join(','));
        QCOMPARE(dlg->is_op_List(), QStringList{"0"});
        QCOMPARE(stored({"OperatorsSettings/Count", "OperatorsSettings/Operator_0", "OperatorsSettings/Operator_1",
                         "NetworkSettings/NetworkPort", "PathSettings/Directory"}),
                 QStringList({"1", "0", "Anna", "8080", "/data/lab"}));
        QCOMPARE(SettingsStore::load(dir->path()).operators, QStringList{"0"});
    }

    // Placed at the given point at its own size; built Russian, English after SetLang(0). Back to
    // Russian, the texts stay English and the messages switch at once.
    void placedAndLabelled()
    {
        settings_common fresh;  // never shown: the offscreen platform cannot resize a shown fixed window
        const QSize before = fresh.size();
        fresh.SetCoord(500, 400);
        QCOMPARE(fresh.pos(), QPoint(382, 257));
        QVERIFY(fresh.minimumSize() == before && fresh.maximumSize() == before);

        QCOMPARE(QStringList({get("nw_le_IP")->inputMask(), get("nw_le_ID")->inputMask(), get("nw_le_Port")->inputMask()}),
                 QStringList({"000.000.000.000;_", "AAAA-AAAA-AAAA;_", "00000;_"}));
        const auto texts = [this] {
            return QStringList({get<QToolBox>("tb_Settings")->itemText(3), get<QLabel>("nw_lb_IP")->text(),
                                get<QPushButton>("pb_ok")->text()});
        };
        QCOMPARE(texts(), QStringList({"Язык интерфейса", "IP адрес", "Сохранить"}));
        dlg->SetLang(0);
        QCOMPARE(texts(), QStringList({"Interface language", "IP adress", "Save"}));
        dlg->SetLang(1);
        QCOMPARE(texts(), QStringList({"Interface language", "IP adress", "Save"}));
        get("pt_le_path")->clear();
        QVERIFY(!dlg->CheckSettings());
        QCOMPARE(box().at(2), QStringLiteral("Неправильно заполнен путь к данным анализов."));
    }
};

QTEST_MAIN(TestSettingsCommon)
#include "tst_settings_common.moc"
