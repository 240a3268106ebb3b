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

namespace {
QString u(const char* text)
{
    return QString::fromUtf8(text);
}
}

class TestSettingsCommon : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<settings_common> dlg;

    template <class T = QLineEdit> T* get(const char* name) { return dlg->findChild<T*>(QString::fromLatin1(name)); }
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
    QString lastText() const { return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text; }
    void remoteFieldsEnabled(bool enabled)
    {
        for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
            QVERIFY2(get<QWidget>(name)->isEnabled() == enabled, name);
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

    // A first start writes exactly these keys, without user ID and port.
    void missingFileWritesDefaults()
    {
        QVERIFY(QFile::remove(ini()));
        QVERIFY(!dlg->LoadSettings());
        QSettings s(ini(), QSettings::IniFormat);
        QStringList pairs;
        for (const QString& key : s.allKeys())
            pairs << key + '=' + s.value(key).toString();
        pairs.sort();
        QCOMPARE(pairs, QStringList({"Language/Count=2", "Language/Current=0", u("Language/Lang_0=English (Английский)"),
                                     u("Language/Lang_1=Russian (Русский)"), "NetworkSettings/NetworkIP=192.168.1.1",
                                     "NetworkSettings/NetworkLV=true", "OperatorsSettings/Count=1",
                                     u("OperatorsSettings/Operator_0=Оператор"), "PathSettings/DeepFolderSearch=false",
                                     "PathSettings/Directory=C:/"}));
        QCOMPARE(dlg->is_op_List(), QStringList{u("Оператор")});
        QCOMPARE(get("nw_le_IP")->displayText(), QStringLiteral("192.168.001.001"));
        remoteFieldsEnabled(false);
        QVERIFY(dlg->LoadSettings());  // a second start finds the file
    }

    // Cancel drops edits; the form shows the file; Save keeps the edits and the program goes on with
    // them. With the local version on, ID and port are not saved, and the held ones stay.
    void saveAfterEdits_data()
    {
        QTest::addColumn<bool>("local");
        QTest::addColumn<QStringList>("network");  // NetworkLV, NetworkID, NetworkPort in the file
        QTest::addColumn<QStringList>("held");     // user ID and port the program goes on with
        QTest::newRow("remote") << false << QStringList({"false", "ABCD-EFGH-IJKL", "9000"})
                                << QStringList({"ABCD-EFGH-IJKL", "9000"});
        QTest::newRow("local") << true << QStringList({"true", "-", "-"}) << QStringList({"ABCD-EFGH-IJKL", "8080"});
    }
    void saveAfterEdits()
    {
        QFETCH(bool, local);
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        QSignalSpy ip(dlg.get(), &settings_common::NewIp);
        get("pt_le_path")->setText(QStringLiteral("/elsewhere"));
        get<QListWidget>("op_lt_OperatorsList")->clear();
        get<QPushButton>("pb_cancel")->click();
        QVERIFY(!dlg->isVisible());
        dlg->ShowWindow();
        QCOMPARE(QStringList({get("nw_le_IP")->displayText(), get("nw_le_ID")->text(), get("nw_le_Port")->text(),
                              get("pt_le_path")->text(), get<QListWidget>("op_lt_OperatorsList")->item(1)->text()}),
                 QStringList({"010.000.000.005", "ABCD-EFGH-IJKL", "8080", "/data/lab", "Anna"}));
        remoteFieldsEnabled(true);
        QVERIFY(get<QCheckBox>("pt_cb_DeepScan")->isChecked());
        QCOMPARE(get<QComboBox>("loc_cb_Language")->currentIndex(), 1);
        QCOMPARE(QStringList({dlg->is_nw_IP(), dlg->is_pt_Path()}) + dlg->is_op_List(),
                 QStringList({"10.0.0.5", "/data/lab", "Ivan", "Anna"}));

        get<QCheckBox>("nw_cb_LocalVersion")->setChecked(local);
        remoteFieldsEnabled(!local);
        get("nw_le_IP")->setText(QStringLiteral("172.016.005.200"));
        get("nw_le_ID")->setText(local ? QStringLiteral("WXYZ") : QStringLiteral("ABCD-EFGH-IJKL"));
        get("nw_le_Port")->setText(local ? QString() : QStringLiteral("9000"));
        FileDialog::setNextDirectory(QStringLiteral("/mnt/new"));
        get<QPushButton>("pt_pb_Find")->click();
        QCOMPARE(QStringList({FileDialog::lastTitle(), FileDialog::lastStartDir()}), QStringList({"Open Directory", "/home"}));
        get<QCheckBox>("pt_cb_DeepScan")->setChecked(false);
        get<QComboBox>("loc_cb_Language")->setCurrentIndex(0);
        get<QPushButton>("pb_ok")->click();

        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(path.count() == 1 && ip.count() == 1 && !dlg->isVisible());
        QTEST(stored({"NetworkSettings/NetworkLV", "NetworkSettings/NetworkID", "NetworkSettings/NetworkPort"}), "network");
        QCOMPARE(stored({"NetworkSettings/NetworkIP", "PathSettings/Directory", "PathSettings/DeepFolderSearch", "Language/Current"}),
                 QStringList({"172.16.5.200", "/mnt/new", "false", "0"}));
        QTEST(QStringList({dlg->is_nw_ID(), dlg->is_nw_Port()}), "held");
        QCOMPARE(QStringList({dlg->is_nw_IP(), dlg->is_pt_Path()}), QStringList({"172.16.5.200", "/mnt/new"}));
        // The language member follows the file at the next load only.
        QCOMPARE(int(dlg->is_loc_Current()), 1);
        dlg->LoadSettings();
        QCOMPARE(int(dlg->is_loc_Current()), 0);
    }

    // Rules in order: the first failure is named on its page, in English for any language byte but 1,
    // and nothing is saved. Each row also breaks later rules.
    void validationRefuses_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QStringList>("steps");  // field=text, or: local, ops (empty the list), chooser (cancel it)
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");
        QTest::newRow("address 256") << 0 << QStringList({"nw_le_IP=10.0.0.256", "nw_le_ID="}) << "Invalid IP address." << 0;
        QTest::newRow("address gap, ru") << 1 << QStringList({"nw_le_IP=10..0.1"}) << "Неправильно введен IP адрес." << 0;
        QTest::newRow("id 13") << 0 << QStringList({"nw_le_ID=ABCD-EFGH-IJK", "nw_le_Port="}) << "Invalid user ID." << 0;
        QTest::newRow("port") << 0 << QStringList({"nw_le_Port=", "ops"}) << "Invalid server port." << 0;
        QTest::newRow("operators") << 0 << QStringList({"ops", "pt_le_path="}) << "Incorrectly filled a list of operators." << 1;
        QTest::newRow("path, language 9") << 9 << QStringList({"pt_le_path="}) << "Incorrectly filled path to data analyzes." << 2;
        QTest::newRow("chooser cancelled") << 1 << QStringList({"chooser"}) << "Неправильно заполнен путь к данным анализов." << 2;
        QTest::newRow("local skips id and port") << 0 << QStringList({"local", "nw_le_ID=AB", "nw_le_Port=", "pt_le_path="})
                                                 << "Incorrectly filled path to data analyzes." << 2;
    }
    void validationRefuses()
    {
        QFETCH(int, lang);
        QFETCH(QStringList, steps);
        QFETCH(QString, message);
        dlg->SetLang(static_cast<uchar>(lang));
        get<QToolBox>("tb_Settings")->setCurrentIndex(3);
        for (const QString& step : steps) {
            if (step == QLatin1String("ops")) {
                get<QListWidget>("op_lt_OperatorsList")->clear();
            } else if (step == QLatin1String("local")) {
                get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
            } else if (step == QLatin1String("chooser")) {
                FileDialog::setNextDirectory(QString());
                get<QPushButton>("pt_pb_Find")->click();
                QVERIFY(get("pt_le_path")->text().isEmpty());
            } else {
                get(step.section('=', 0, 0).toLatin1().constData())->setText(step.section('=', 1));
            }
        }
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        get<QPushButton>("pb_ok")->click();

        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.kind, MessageBox::Warning);
        QCOMPARE(QStringList({box.title, box.text}) + box.buttons,
                 lang == 1 ? QStringList({"Внимание", message, "Ок"}) : QStringList({"Attention", message, "Ok"}));
        QTEST(get<QToolBox>("tb_Settings")->currentIndex(), "page");
        QVERIFY(path.isEmpty() && dlg->isVisible());
        QCOMPARE(stored({"PathSettings/Directory"}), QStringList{"/data/lab"});
    }

    // A save that fails keeps the dialog open with what was typed, names the file and why,
    // and leaves the program on the settings the file still holds.
    void failedSave_keepsDialogOpen_data()
    {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file is a folder") << true << "Is a directory";
        QTest::newRow("write fails") << false << "Input/output error";
    }
    void failedSave_keepsDialogOpen()
    {
        QFETCH(bool, folderInTheWay);
        QFETCH(QString, reason);
        if (folderInTheWay)
            QVERIFY(QFile::remove(ini()) && QDir().mkpath(ini()));
        else
            FileWrite::failWrite(2);  // after the settings folder, the file itself
        dlg->SetLang(0);
        get("pt_le_path")->setText(QStringLiteral("/mnt/new"));
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        get<QPushButton>("pb_ok")->click();
        FileWrite::failWrite(0);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(lastText().startsWith(QStringLiteral("Could not write \"%1\": %2").arg(ini(), reason)), qPrintable(lastText()));
        QVERIFY(lastText().endsWith(QStringLiteral(".\nThe settings were not saved.")));
        QVERIFY(dlg->isVisible() && path.isEmpty());
        QCOMPARE(get("pt_le_path")->text(), QStringLiteral("/mnt/new"));
        QCOMPARE(dlg->is_pt_Path(), QStringLiteral("/data/lab"));
    }

    // The editor's list replaces only the operators group. The count is one byte: names past it
    // stay in the file, unread.
    void saveListOperators_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QStringList>("file");  // Count, Operator_1, Operator_254
        QTest::newRow("255") << 255 << 255 << QStringList({"255", "1", "254"});
        QTest::newRow("257") << 257 << 1 << QStringList({"1", "Anna", "-"});
    }
    void saveListOperators()
    {
        QFETCH(int, count);
        QFETCH(int, kept);
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QString::number(i);
        dlg->SaveListOperators(names);
        QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), count);
        QCOMPARE(dlg->is_op_List(), names.mid(0, kept));
        QTEST(stored({"OperatorsSettings/Count", "OperatorsSettings/Operator_1", "OperatorsSettings/Operator_254"}), "file");
        QCOMPARE(stored({"NetworkSettings/NetworkPort", "PathSettings/Directory"}), QStringList({"8080", "/data/lab"}));
        QCOMPARE(SettingsStore::load(dir->path()).operators, names.mid(0, kept));
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
        QCOMPARE(get<QToolBox>("tb_Settings")->itemText(0), u("Сетевые настройки"));
        QCOMPARE(get<QPushButton>("pb_ok")->text(), u("Сохранить"));
        dlg->SetLang(0);
        QCOMPARE(QStringList({get<QToolBox>("tb_Settings")->itemText(3), get<QLabel>("nw_lb_IP")->text()}),
                 QStringList({"Interface language", "IP adress"}));
        dlg->SetLang(1);
        QCOMPARE(get<QPushButton>("pb_ok")->text(), QStringLiteral("Save"));
        get("pt_le_path")->clear();
        QVERIFY(!dlg->CheckSettings());
        QCOMPARE(lastText(), u("Неправильно заполнен путь к данным анализов."));
    }
};

QTEST_MAIN(TestSettingsCommon)
#include "tst_settings_common.moc"
