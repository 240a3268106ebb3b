#include "app/filedialog.h"
#include "app/messagebox.h"
#include "config/settings_common.h"
#include "report/filewrite.h"
#include "settings_test_util.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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

    template <class T = QWidget> T* get(const char* name)
    {
        T* found = dlg->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("missing widget %s", name);
        return found;
    }
    QString ini() const { return dir->path() + "/settings/settings.ini"; }
    QString stored(const char* key) const { return QSettings(ini(), QSettings::IniFormat).value(key).toString(); }
    QString lastText() const { return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text; }
    void remoteFieldsEnabled(bool enabled)
    {
        for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
            QVERIFY2(get(name)->isEnabled() == enabled, name);
    }

private slots:
    // Every test starts from a remote-version file with every key set.
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
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

    void missingFileWritesDefaults()
    {
        QVERIFY(QFile::remove(ini()));
        QVERIFY(!dlg->LoadSettings());
        verifyDefaultFile(ini());
        QCOMPARE(dlg->is_op_List(), QStringList{u("Оператор")});
        QCOMPARE(get<QLineEdit>("nw_le_IP")->displayText(), QStringLiteral("192.168.001.001"));
        remoteFieldsEnabled(false);
        QVERIFY(dlg->LoadSettings()); // a second start finds the file
    }

    void loadFillsForm_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("readable") << "10.0.0.5" << "010.000.000.005";
        QTest::newRow("unreadable shows default") << "localhost" << "192.168.001.001";
    }
    void loadFillsForm()
    {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        QSettings(ini(), QSettings::IniFormat).setValue("NetworkSettings/NetworkIP", address);
        QVERIFY(dlg->LoadSettings());
        QCOMPARE(get<QLineEdit>("nw_le_IP")->displayText(), shown);
        QCOMPARE(dlg->is_nw_IP(), address);
        QCOMPARE(QStringList({get<QLineEdit>("nw_le_ID")->text(), get<QLineEdit>("nw_le_Port")->text(),
                              get<QLineEdit>("pt_le_path")->text()}),
                 QStringList({"ABCD-EFGH-IJKL", "8080", "/data/lab"}));
        remoteFieldsEnabled(true);
        QVERIFY(get<QCheckBox>("pt_cb_DeepScan")->isChecked());
        QCOMPARE(dlg->is_op_List(), QStringList({"Ivan", "Anna"}));
        QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->item(1)->text(), QStringLiteral("Anna"));
        QCOMPARE(get<QComboBox>("loc_cb_Language")->currentIndex(), 1);
        QCOMPARE(int(dlg->is_loc_Current()), 1);
        get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true); // locks the ID and port fields
        remoteFieldsEnabled(false);
    }

    // Any language byte but 1 gives the English texts.
    void validationRefuses_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");
        QTest::newRow("address 256") << 0 << "nw_le_IP" << "10.0.0.256" << "Invalid IP address." << 0;
        QTest::newRow("address gap ru") << 1 << "nw_le_IP" << "10..0.1" << u("Неправильно введен IP адрес.") << 0;
        QTest::newRow("id 13") << 0 << "nw_le_ID" << "ABCD-EFGH-IJK" << "Invalid user ID." << 0;
        QTest::newRow("port") << 0 << "nw_le_Port" << "" << "Invalid server port." << 0;
        QTest::newRow("operators") << 0 << "ops" << "" << "Incorrectly filled a list of operators." << 1;
        QTest::newRow("path, language 9") << 9 << "pt_le_path" << "" << "Incorrectly filled path to data analyzes." << 2;
    }
    void validationRefuses()
    {
        QFETCH(int, lang);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(int, page);
        dlg->SetLang(static_cast<uchar>(lang));
        get<QToolBox>("tb_Settings")->setCurrentIndex(3);
        get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/new"));
        if (field == QLatin1String("ops"))
            get<QListWidget>("op_lt_OperatorsList")->clear();
        else
            get<QLineEdit>(field.toLatin1().constData())->setText(value);

        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        QSignalSpy ip(dlg.get(), &settings_common::NewIp);
        get<QPushButton>("pb_ok")->click();

        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.kind, MessageBox::Warning);
        QCOMPARE(QStringList({box.title, box.text}) + box.buttons,
                 lang == 1 ? QStringList({u("Внимание"), message, u("Ок")}) : QStringList({"Attention", message, "Ok"}));
        QCOMPARE(get<QToolBox>("tb_Settings")->currentIndex(), page);
        QCOMPARE(path.count() + ip.count(), 0);
        QVERIFY(dlg->isVisible());
        QCOMPARE(stored("PathSettings/Directory"), QStringLiteral("/data/lab"));
    }

    void okSavesAndSignals()
    {
        get<QLineEdit>("nw_le_IP")->setText(QStringLiteral("172.016.005.200"));
        get<QLineEdit>("nw_le_Port")->setText(QStringLiteral("9000"));
        get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/mnt/new"));
        get<QCheckBox>("pt_cb_DeepScan")->setChecked(false);
        get<QComboBox>("loc_cb_Language")->setCurrentIndex(0);
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        QSignalSpy ip(dlg.get(), &settings_common::NewIp);
        get<QPushButton>("pb_ok")->click();

        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(path.count() == 1 && ip.count() == 1 && !dlg->isVisible());
        QCOMPARE(QStringList({stored("NetworkSettings/NetworkIP"), stored("NetworkSettings/NetworkPort"),
                              stored("NetworkSettings/NetworkID"), stored("PathSettings/DeepFolderSearch"),
                              stored("Language/Current")}),
                 QStringList({"172.16.5.200", "9000", "ABCD-EFGH-IJKL", "false", "0"}));
        QCOMPARE(QStringList({dlg->is_nw_IP(), dlg->is_pt_Path()}), QStringList({"172.16.5.200", "/mnt/new"}));
        // The language member follows the file at the next load only.
        QCOMPARE(int(dlg->is_loc_Current()), 1);
        dlg->LoadSettings();
        QCOMPARE(int(dlg->is_loc_Current()), 0);
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
        get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/mnt/new"));
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        get<QPushButton>("pb_ok")->click();
        FileWrite::failWrite(0);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(lastText().startsWith(QStringLiteral("Could not write \"%1\": %2").arg(ini(), reason)), qPrintable(lastText()));
        QVERIFY(lastText().endsWith(QStringLiteral(".\nThe settings were not saved.")));
        QVERIFY(dlg->isVisible() && path.isEmpty());
        QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/mnt/new"));
        QCOMPARE(dlg->is_pt_Path(), QStringLiteral("/data/lab"));
    }

    void localVersionKeepsIdAndPortOut()
    {
        get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
        get<QLineEdit>("nw_le_ID")->setText(QStringLiteral("WXYZ-WXYZ-WX"));
        get<QLineEdit>("nw_le_Port")->clear();
        get<QPushButton>("pb_ok")->click();
        QVERIFY(MessageBox::shown().isEmpty());
        QSettings s(ini(), QSettings::IniFormat);
        QVERIFY(!s.contains("NetworkSettings/NetworkID") && !s.contains("NetworkSettings/NetworkPort"));
        QCOMPARE(s.value("NetworkSettings/NetworkLV").toString(), QStringLiteral("true"));
        QCOMPARE(QStringList({dlg->is_nw_ID(), dlg->is_nw_Port()}), QStringList({"ABCD-EFGH-IJKL", "8080"}));
    }

    void cancelDropsEdits()
    {
        get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/elsewhere"));
        get<QListWidget>("op_lt_OperatorsList")->clear();
        QSignalSpy path(dlg.get(), &settings_common::NewPath);
        get<QPushButton>("pb_cancel")->click();
        QVERIFY(!dlg->isVisible() && path.isEmpty());
        QCOMPARE(stored("PathSettings/Directory"), QStringLiteral("/data/lab"));
        dlg->ShowWindow();
        QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/data/lab"));
        QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 2);
    }

    void folderChooser()
    {
        FileDialog::setNextDirectory(QStringLiteral("/srv/runs"));
        get<QPushButton>("pt_pb_Find")->click();
        QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/srv/runs"));
        QCOMPARE(QStringList({FileDialog::lastTitle(), FileDialog::lastStartDir()}), QStringList({"Open Directory", "/home"}));
        // Cancelling the chooser empties the path, which Save then refuses.
        FileDialog::setNextDirectory(QString());
        get<QPushButton>("pt_pb_Find")->click();
        QVERIFY(get<QLineEdit>("pt_le_path")->text().isEmpty());
        get<QPushButton>("pb_ok")->click();
        QCOMPARE(lastText(), u("Неправильно заполнен путь к данным анализов."));
    }

    // The page shares the editor window's rules; this proves it is wired to them and saves the result.
    void operatorsPageRenamesAfterConfirmation()
    {
        auto* list = get<QListWidget>("op_lt_OperatorsList");
        list->setCurrentRow(0);
        emit list->clicked(list->model()->index(0, 0));
        QCOMPARE(get<QLineEdit>("op_le_CurrentOperator")->text(), QStringLiteral("Ivan"));
        get<QLineEdit>("op_le_CurrentOperator")->setText(QStringLiteral("Pyotr"));
        dlg->SetLang(0);
        MessageBox::setNextAnswer(MessageBox::Yes);
        get<QPushButton>("op_pb_EditOperator")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown& box = MessageBox::shown().last();
        QCOMPARE(QStringList({box.title, box.text}) + box.buttons,
                 QStringList({"Confirmation", "Replace \"Ivan\" with \"Pyotr\"?", "Yes", "No"}));
        get<QPushButton>("pb_ok")->click();
        QCOMPARE(QStringList({stored("OperatorsSettings/Count"), stored("OperatorsSettings/Operator_0")}),
                 QStringList({"2", "Pyotr"}));
        QCOMPARE(dlg->is_op_List(), QStringList({"Pyotr", "Anna"}));
    }

    // The sign-in editor's list replaces only the operators group; a 256th name is refused.
    void saveListOperators_upTo255()
    {
        QStringList names;
        for (int i = 0; i < 255; ++i)
            names << QString::number(i);
        dlg->SaveListOperators(names);
        QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 255);
        QCOMPARE(QStringList({stored("OperatorsSettings/Count"), stored("OperatorsSettings/Operator_254"),
                              stored("NetworkSettings/NetworkPort"), stored("PathSettings/Directory")}),
                 QStringList({"255", "254", "8080", "/data/lab"}));
        dlg->SetLang(0);
        get<QLineEdit>("op_le_CurrentOperator")->setText(QStringLiteral("extra"));
        get<QPushButton>("op_pb_NewOperator")->click();
        QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 255);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Attention"));
        // 255 names survive a full save and the next load.
        get<QPushButton>("pb_ok")->click();
        dlg->LoadSettings();
        QCOMPARE(dlg->is_op_List(), names);
    }

    void languageTexts()
    {
        QCOMPARE(get<QLineEdit>("nw_le_IP")->inputMask(), QStringLiteral("000.000.000.000;_"));
        QCOMPARE(get<QLineEdit>("nw_le_ID")->inputMask(), QStringLiteral("AAAA-AAAA-AAAA;_"));
        QCOMPARE(get<QLineEdit>("nw_le_Port")->inputMask(), QStringLiteral("00000;_"));
        QCOMPARE(get<QToolBox>("tb_Settings")->itemText(0), u("Сетевые настройки"));
        QCOMPARE(get<QPushButton>("pb_ok")->text(), u("Сохранить"));
        dlg->SetLang(0);
        QCOMPARE(get<QToolBox>("tb_Settings")->itemText(3), QStringLiteral("Interface language"));
        QCOMPARE(get<QLabel>("nw_lb_IP")->text(), QStringLiteral("IP adress"));
        // Back to Russian: texts stay English, messages switch at once.
        dlg->SetLang(1);
        QCOMPARE(get<QPushButton>("pb_ok")->text(), QStringLiteral("Save"));
        get<QLineEdit>("pt_le_path")->clear();
        QVERIFY(!dlg->CheckSettings());
        QCOMPARE(lastText(), u("Неправильно заполнен путь к данным анализов."));
    }

    void setCoordCentresAndFixesSize()
    {
        settings_common fresh; // never shown: the offscreen platform cannot resize a shown fixed window
        const QSize before = fresh.size();
        fresh.SetCoord(500, 400);
        QCOMPARE(fresh.pos(), QPoint(382, 257));
        QVERIFY(fresh.minimumSize() == before && fresh.maximumSize() == before);
    }
};

QTEST_MAIN(TestSettingsCommon)
#include "tst_settings_common.moc"
