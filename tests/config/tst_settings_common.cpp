#include "app/filedialog.h"
#include "app/messagebox.h"
#include "config/settings_common.h"

#include <QCheckBox>
#include <QComboBox>
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

// A remote-version file with every key set.
void writeRemoteFile(const QString& appDir)
{
    QSettings ini(appDir + "/settings/settings.ini", QSettings::IniFormat);
    ini.setValue("NetworkSettings/NetworkIP", "10.0.0.5");
    ini.setValue("NetworkSettings/NetworkLV", false);
    ini.setValue("NetworkSettings/NetworkID", "ABCD-EFGH-IJKL");
    ini.setValue("NetworkSettings/NetworkPort", "8080");
    ini.setValue("PathSettings/Directory", "/data/lab");
    ini.setValue("PathSettings/DeepFolderSearch", true);
    ini.setValue("OperatorsSettings/Count", 2);
    ini.setValue("OperatorsSettings/Operator_0", "Ivan");
    ini.setValue("OperatorsSettings/Operator_1", "Anna");
    ini.setValue("Language/Count", 2);
    ini.setValue("Language/Current", 1);
    ini.setValue("Language/Lang_0", "English");
    ini.setValue("Language/Lang_1", "Russian");
}

QVariant stored(const QString& appDir, const char* key)
{
    QSettings ini(appDir + "/settings/settings.ini", QSettings::IniFormat);
    return ini.value(QString::fromUtf8(key));
}
}

class TestSettingsCommon : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void missingFileWritesDefaults();
    void loadFillsFormAndAccessors();
    void unreadableAddressShowsDefault_data();
    void unreadableAddressShowsDefault();
    void operatorCountModulo_data();
    void operatorCountModulo();
    void validationRefuses_data();
    void validationRefuses();
    void okSavesAndSignals();
    void localVersionKeepsIdAndPortOut();
    void cancelDropsEdits();
    void folderChooser();
    void operatorsPage();
    void saveListOperators();
    void operatorsPageLimit();
    void languageTexts();
    void coordinates();

private:
    QWidget* w(const char* name) { return dlg->findChild<QWidget*>(QString::fromUtf8(name)); }
    template <class T> T* get(const char* name)
    {
        T* found = dlg->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("missing widget %s", name);
        return found;
    }
    QString lastText() const { return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text; }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<settings_common> dlg;
};

void TestSettingsCommon::init()
{
    MessageBox::setAutoAnswer(true);
    MessageBox::clearShown();
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    dlg.reset(new settings_common);
    dlg->SetappDir(dir->path());
}

void TestSettingsCommon::missingFileWritesDefaults()
{
    QVERIFY(!dlg->LoadSettings());
    QVERIFY(QFile::exists(dir->path() + "/settings/settings.ini"));
    QSettings ini(dir->path() + "/settings/settings.ini", QSettings::IniFormat);
    QStringList keys = ini.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"Language/Count", "Language/Current", "Language/Lang_0",
                                "Language/Lang_1", "NetworkSettings/NetworkIP",
                                "NetworkSettings/NetworkLV", "OperatorsSettings/Count",
                                "OperatorsSettings/Operator_0", "PathSettings/DeepFolderSearch",
                                "PathSettings/Directory"}));
    QCOMPARE(ini.value("NetworkSettings/NetworkIP").toString(), QStringLiteral("192.168.1.1"));
    QCOMPARE(ini.value("OperatorsSettings/Operator_0").toString(), u("Оператор"));
    QCOMPARE(ini.value("Language/Lang_1").toString(), u("Russian (Русский)"));

    QCOMPARE(dlg->is_nw_IP(), QStringLiteral("192.168.1.1"));
    QVERIFY(dlg->is_nw_LocalVersion());
    QCOMPARE(dlg->is_pt_Path(), QStringLiteral("C:/"));
    QVERIFY(!dlg->is_pt_DeepSearch());
    QCOMPARE(dlg->is_op_List(), QStringList{u("Оператор")});
    QCOMPARE(dlg->is_loc_List(), QStringList({u("English (Английский)"), u("Russian (Русский)")}));
    QCOMPARE(get<QLineEdit>("nw_le_IP")->displayText(), QStringLiteral("192.168.001.001"));
    QVERIFY(!w("nw_le_ID")->isEnabled());
    QVERIFY(!w("nw_lb_Port")->isEnabled());
    // A second start finds the file.
    QVERIFY(dlg->LoadSettings());
}

void TestSettingsCommon::loadFillsFormAndAccessors()
{
    writeRemoteFile(dir->path());
    QVERIFY(dlg->LoadSettings());
    QCOMPARE(get<QLineEdit>("nw_le_IP")->displayText(), QStringLiteral("010.000.000.005"));
    QCOMPARE(get<QLineEdit>("nw_le_ID")->text(), QStringLiteral("ABCD-EFGH-IJKL"));
    QCOMPARE(get<QLineEdit>("nw_le_Port")->text(), QStringLiteral("8080"));
    for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
        QVERIFY2(w(name)->isEnabled(), name);
    QVERIFY(!get<QCheckBox>("nw_cb_LocalVersion")->isChecked());
    QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/data/lab"));
    QVERIFY(get<QCheckBox>("pt_cb_DeepScan")->isChecked());
    QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 2);
    QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->item(0)->text(), QStringLiteral("Ivan"));
    QCOMPARE(get<QComboBox>("loc_cb_Language")->currentIndex(), 1);
    QCOMPARE(get<QToolBox>("tb_Settings")->currentIndex(), 0);

    QCOMPARE(dlg->is_nw_IP(), QStringLiteral("10.0.0.5"));
    QCOMPARE(dlg->is_nw_ID(), QStringLiteral("ABCD-EFGH-IJKL"));
    QCOMPARE(dlg->is_nw_Port(), QStringLiteral("8080"));
    QVERIFY(!dlg->is_nw_LocalVersion());
    QCOMPARE(dlg->is_op_List(), QStringList({"Ivan", "Anna"}));
    QCOMPARE(int(dlg->is_loc_Current()), 1);

    // Toggling the local version locks the ID and port fields.
    get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
    for (const char* name : {"nw_le_ID", "nw_le_Port", "nw_lb_ID", "nw_lb_Port"})
        QVERIFY2(!w(name)->isEnabled(), name);
}

void TestSettingsCommon::unreadableAddressShowsDefault_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << "";
    QTest::newRow("three parts") << "10.0.1";
    QTest::newRow("words") << "localhost";
}

void TestSettingsCommon::unreadableAddressShowsDefault()
{
    QFETCH(QString, address);
    writeRemoteFile(dir->path());
    QSettings(dir->path() + "/settings/settings.ini", QSettings::IniFormat)
        .setValue("NetworkSettings/NetworkIP", address);
    QVERIFY(dlg->LoadSettings());
    QCOMPARE(get<QLineEdit>("nw_le_IP")->displayText(), QStringLiteral("192.168.001.001"));
    QCOMPARE(dlg->is_nw_IP(), address);
}

void TestSettingsCommon::operatorCountModulo_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::newRow("256") << 256 << 0;
    QTest::newRow("257") << 257 << 1;
}

void TestSettingsCommon::operatorCountModulo()
{
    QFETCH(int, count);
    QFETCH(int, rows);
    writeRemoteFile(dir->path());
    {
        QSettings ini(dir->path() + "/settings/settings.ini", QSettings::IniFormat);
        ini.setValue("OperatorsSettings/Count", count);
        for (int i = 0; i < count; ++i)
            ini.setValue(QStringLiteral("OperatorsSettings/Operator_%1").arg(i), QString::number(i));
    }
    QVERIFY(dlg->LoadSettings());
    QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), rows);
    QCOMPARE(dlg->is_op_List().size(), rows);
}

void TestSettingsCommon::validationRefuses_data()
{
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("page");

    const QString ip = QStringLiteral("ip"), id = QStringLiteral("id"), port = QStringLiteral("port");
    const QString ops = QStringLiteral("ops"), path = QStringLiteral("path");
    QTest::newRow("address 256 en") << 0 << ip << "10.0.0.256" << "Invalid IP address." << 0;
    QTest::newRow("address gap ru") << 1 << ip << "10..0.1" << u("Неправильно введен IP адрес.") << 0;
    QTest::newRow("id 13 en") << 0 << id << "ABCD-EFGH-IJK" << "Invalid user ID." << 0;
    QTest::newRow("id ru") << 1 << id << "" << u("Неправильно введен ID пользователя.") << 0;
    QTest::newRow("port en") << 0 << port << "" << "Invalid server port." << 0;
    QTest::newRow("port ru") << 1 << port << "" << u("Неправильно введен порт сервера.") << 0;
    QTest::newRow("operators en") << 0 << ops << "" << "Incorrectly filled a list of operators." << 1;
    QTest::newRow("operators ru") << 1 << ops << "" << u("Неправильно заполнен список  операторов.") << 1;
    QTest::newRow("path en") << 0 << path << "" << "Incorrectly filled path to data analyzes." << 2;
    QTest::newRow("path ru") << 1 << path << "" << u("Неправильно заполнен путь к данным анализов.") << 2;
    QTest::newRow("path, language 9") << 9 << path << "" << "Incorrectly filled path to data analyzes." << 2;
}

void TestSettingsCommon::validationRefuses()
{
    QFETCH(int, lang);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    QFETCH(int, page);

    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    dlg->SetLang(static_cast<uchar>(lang));
    get<QToolBox>("tb_Settings")->setCurrentIndex(3);
    if (field == QLatin1String("ip"))
        get<QLineEdit>("nw_le_IP")->setText(value);
    else if (field == QLatin1String("id"))
        get<QLineEdit>("nw_le_ID")->setText(value);
    else if (field == QLatin1String("port"))
        get<QLineEdit>("nw_le_Port")->setText(value);
    else if (field == QLatin1String("ops"))
        get<QListWidget>("op_lt_OperatorsList")->clear();
    else
        get<QLineEdit>("pt_le_path")->setText(value);
    get<QLineEdit>("pt_le_path")->setText(field == QLatin1String("path") ? value : QStringLiteral("/new"));

    QSignalSpy path(dlg.get(), &settings_common::NewPath);
    QSignalSpy ip(dlg.get(), &settings_common::NewIp);
    get<QPushButton>("pb_ok")->click();

    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown box = MessageBox::shown().first();
    QCOMPARE(box.kind, MessageBox::Warning);
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, lang == 1 ? u("Внимание") : u("Attention"));
    QCOMPARE(box.buttons, QStringList{lang == 1 ? u("Ок") : u("Ok")});
    QCOMPARE(get<QToolBox>("tb_Settings")->currentIndex(), page);
    QCOMPARE(path.count(), 0);
    QCOMPARE(ip.count(), 0);
    QVERIFY(dlg->isVisible());
    QCOMPARE(stored(dir->path(), "PathSettings/Directory").toString(), QStringLiteral("/data/lab"));
    QCOMPARE(dlg->is_pt_Path(), QStringLiteral("/data/lab"));
}

void TestSettingsCommon::okSavesAndSignals()
{
    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    get<QLineEdit>("nw_le_IP")->setText(QStringLiteral("172.016.005.200"));
    get<QLineEdit>("nw_le_Port")->setText(QStringLiteral("9000"));
    get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/mnt/new"));
    get<QCheckBox>("pt_cb_DeepScan")->setChecked(false);
    get<QComboBox>("loc_cb_Language")->setCurrentIndex(0);

    QSignalSpy path(dlg.get(), &settings_common::NewPath);
    QSignalSpy ip(dlg.get(), &settings_common::NewIp);
    get<QPushButton>("pb_ok")->click();

    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(path.count(), 1);
    QCOMPARE(ip.count(), 1);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(stored(dir->path(), "NetworkSettings/NetworkIP").toString(), QStringLiteral("172.16.5.200"));
    QCOMPARE(stored(dir->path(), "NetworkSettings/NetworkPort").toString(), QStringLiteral("9000"));
    QCOMPARE(stored(dir->path(), "NetworkSettings/NetworkID").toString(), QStringLiteral("ABCD-EFGH-IJKL"));
    QCOMPARE(stored(dir->path(), "PathSettings/DeepFolderSearch").toString(), QStringLiteral("false"));
    QCOMPARE(stored(dir->path(), "Language/Current").toInt(), 0);
    QCOMPARE(dlg->is_nw_IP(), QStringLiteral("172.16.5.200"));
    QCOMPARE(dlg->is_nw_Port(), QStringLiteral("9000"));
    QCOMPARE(dlg->is_pt_Path(), QStringLiteral("/mnt/new"));
    QVERIFY(!dlg->is_pt_DeepSearch());
    // The language member follows the file at the next load only.
    QCOMPARE(int(dlg->is_loc_Current()), 1);
    dlg->LoadSettings();
    QCOMPARE(int(dlg->is_loc_Current()), 0);
}

void TestSettingsCommon::localVersionKeepsIdAndPortOut()
{
    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    get<QCheckBox>("nw_cb_LocalVersion")->setChecked(true);
    get<QLineEdit>("nw_le_ID")->setText(QStringLiteral("WXYZ-WXYZ-WX"));
    get<QLineEdit>("nw_le_Port")->clear();
    QSignalSpy path(dlg.get(), &settings_common::NewPath);
    get<QPushButton>("pb_ok")->click();

    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(path.count(), 1);
    QVERIFY(!stored(dir->path(), "NetworkSettings/NetworkID").isValid());
    QVERIFY(!stored(dir->path(), "NetworkSettings/NetworkPort").isValid());
    QCOMPARE(stored(dir->path(), "NetworkSettings/NetworkLV").toString(), QStringLiteral("true"));
    QVERIFY(dlg->is_nw_LocalVersion());
    QCOMPARE(dlg->is_nw_ID(), QStringLiteral("ABCD-EFGH-IJKL"));
    QCOMPARE(dlg->is_nw_Port(), QStringLiteral("8080"));
}

void TestSettingsCommon::cancelDropsEdits()
{
    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    get<QLineEdit>("pt_le_path")->setText(QStringLiteral("/elsewhere"));
    get<QListWidget>("op_lt_OperatorsList")->clear();
    QSignalSpy path(dlg.get(), &settings_common::NewPath);
    get<QPushButton>("pb_cancel")->click();
    QVERIFY(!dlg->isVisible());
    QCOMPARE(path.count(), 0);
    QCOMPARE(stored(dir->path(), "PathSettings/Directory").toString(), QStringLiteral("/data/lab"));
    dlg->ShowWindow();
    QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/data/lab"));
    QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 2);
}

void TestSettingsCommon::folderChooser()
{
    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    FileDialog::setNextDirectory(QStringLiteral("/srv/runs"));
    get<QPushButton>("pt_pb_Find")->click();
    QCOMPARE(get<QLineEdit>("pt_le_path")->text(), QStringLiteral("/srv/runs"));
    QCOMPARE(FileDialog::lastTitle(), QStringLiteral("Open Directory"));
    QCOMPARE(FileDialog::lastStartDir(), QStringLiteral("/home"));

    FileDialog::setNextDirectory(QString()); // cancelled
    get<QPushButton>("pt_pb_Find")->click();
    QVERIFY(get<QLineEdit>("pt_le_path")->text().isEmpty());
    get<QPushButton>("pb_ok")->click();
    QCOMPARE(lastText(), u("Неправильно заполнен путь к данным анализов."));
    QCOMPARE(get<QToolBox>("tb_Settings")->currentIndex(), 2);
}

void TestSettingsCommon::operatorsPage()
{
    writeRemoteFile(dir->path());
    dlg->ShowWindow();
    auto* list = get<QListWidget>("op_lt_OperatorsList");
    auto* line = get<QLineEdit>("op_le_CurrentOperator");
    auto* newButton = get<QPushButton>("op_pb_NewOperator");
    auto* edit = get<QPushButton>("op_pb_EditOperator");
    auto* del = get<QPushButton>("op_pb_DeleteOperator");
    auto texts = [list] {
        QStringList all;
        for (int i = 0; i < list->count(); ++i)
            all << list->item(i)->text();
        return all;
    };
    auto clickRow = [list](int row) {
        list->setCurrentRow(row);
        emit list->clicked(list->model()->index(row, 0));
    };

    newButton->click(); // empty text adds nothing
    line->setText(QStringLiteral("Anna"));
    newButton->click(); // duplicate, silently ignored
    QVERIFY(line->text().isEmpty());
    line->setText(QStringLiteral("anna"));
    newButton->click();
    QCOMPARE(texts(), QStringList({"Ivan", "Anna", "anna"}));
    QVERIFY(MessageBox::shown().isEmpty());

    clickRow(0);
    QCOMPARE(line->text(), QStringLiteral("Ivan"));
    QVERIFY(edit->isEnabled() && del->isEnabled());
    edit->click(); // unchanged: no question
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(line->text().isEmpty());
    QVERIFY(!edit->isEnabled());

    dlg->SetLang(0);
    clickRow(0);
    line->setText(QStringLiteral("Pyotr"));
    MessageBox::setNextAnswer(MessageBox::No);
    edit->click();
    QCOMPARE(MessageBox::shown().last().text, QStringLiteral("Replace \"Ivan\" with \"Pyotr\"?"));
    QCOMPARE(MessageBox::shown().last().title, QStringLiteral("Confirmation"));
    QCOMPARE(MessageBox::shown().last().buttons, QStringList({"Yes", "No"}));
    QCOMPARE(texts().first(), QStringLiteral("Ivan"));

    dlg->SetLang(1);
    MessageBox::setNextAnswer(MessageBox::Yes);
    line->setText(QString());
    edit->click(); // rename to an empty text after confirmation
    QCOMPARE(MessageBox::shown().last().text, u("Заменить \"Ivan\" на \"\"?"));
    QCOMPARE(texts(), QStringList({"", "Anna", "anna"}));
    QVERIFY(!edit->isEnabled() && !del->isEnabled());

    clickRow(2);
    del->click();
    QCOMPARE(texts(), QStringList({"", "Anna"}));
    QVERIFY(!del->isEnabled());

    get<QPushButton>("pb_ok")->click();
    QCOMPARE(stored(dir->path(), "OperatorsSettings/Count").toInt(), 2);
    QCOMPARE(stored(dir->path(), "OperatorsSettings/Operator_0").toString(), QString());
    QCOMPARE(dlg->is_op_List(), QStringList({"", "Anna"}));
}

void TestSettingsCommon::saveListOperators()
{
    writeRemoteFile(dir->path());
    QVERIFY(dlg->LoadSettings());
    dlg->SaveListOperators({"Boris", "Oleg", "Zoya"});
    QCOMPARE(dlg->is_op_List(), QStringList({"Boris", "Oleg", "Zoya"}));
    QCOMPARE(get<QListWidget>("op_lt_OperatorsList")->count(), 3);
    QCOMPARE(stored(dir->path(), "OperatorsSettings/Count").toInt(), 3);
    QCOMPARE(stored(dir->path(), "OperatorsSettings/Operator_2").toString(), QStringLiteral("Zoya"));
    QCOMPARE(stored(dir->path(), "NetworkSettings/NetworkPort").toString(), QStringLiteral("8080"));
    QCOMPARE(stored(dir->path(), "PathSettings/Directory").toString(), QStringLiteral("/data/lab"));
}

void TestSettingsCommon::operatorsPageLimit()
{
    QStringList names;
    for (int i = 0; i < 255; ++i)
        names << QString::number(i);
    QVERIFY(!dlg->LoadSettings());
    dlg->SaveListOperators(names);
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

void TestSettingsCommon::languageTexts()
{
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(dlg->windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint);
    QCOMPARE(dlg->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dlg->minimumSize(), QSize(236, 286));
    QCOMPARE(get<QLineEdit>("nw_le_IP")->inputMask(), QStringLiteral("000.000.000.000;_"));
    QCOMPARE(get<QLineEdit>("nw_le_ID")->inputMask(), QStringLiteral("AAAA-AAAA-AAAA;_"));
    QCOMPARE(get<QLineEdit>("nw_le_Port")->inputMask(), QStringLiteral("00000;_"));
    QCOMPARE(get<QLineEdit>("nw_le_ID")->maxLength(), 14);
    auto* box = get<QToolBox>("tb_Settings");
    QCOMPARE(box->widget(0)->objectName(), QStringLiteral("nwPage"));
    QCOMPARE(box->widget(1)->objectName(), QStringLiteral("opPage"));
    QCOMPARE(box->widget(2)->objectName(), QStringLiteral("pathPage"));
    QCOMPARE(box->widget(3)->objectName(), QStringLiteral("locPage"));
    QCOMPARE(box->itemText(0), u("Сетевые настройки"));
    QCOMPARE(get<QPushButton>("pb_ok")->text(), u("Сохранить"));
    QCOMPARE(get<QCheckBox>("pt_cb_DeepScan")->text(), u("Анализировать вложенные папки"));

    dlg->SetLang(0);
    const QStringList pages{"Network settings", "Operators list", "Path settings", "Interface language"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(box->itemText(i), pages.at(i));
    QCOMPARE(get<QLabel>("nw_lb_IP")->text(), QStringLiteral("IP adress"));
    QCOMPARE(get<QCheckBox>("nw_cb_LocalVersion")->text(), QStringLiteral("Local version"));
    QCOMPARE(get<QLabel>("nw_lb_ID")->text(), QStringLiteral("User ID"));
    QCOMPARE(get<QLabel>("nw_lb_Port")->text(), QStringLiteral("Server port"));
    QCOMPARE(get<QPushButton>("op_pb_NewOperator")->text(), QStringLiteral("New"));
    QCOMPARE(get<QPushButton>("op_pb_EditOperator")->text(), QStringLiteral("Edit"));
    QCOMPARE(get<QPushButton>("op_pb_DeleteOperator")->text(), QStringLiteral("Delete"));
    QCOMPARE(get<QCheckBox>("pt_cb_DeepScan")->text(), QStringLiteral("Analyze subfolders"));
    QCOMPARE(get<QPushButton>("pb_ok")->text(), QStringLiteral("Save"));
    QCOMPARE(get<QPushButton>("pb_cancel")->text(), QStringLiteral("Cancel"));

    // Back to Russian: texts stay English, messages switch at once.
    dlg->SetLang(1);
    QCOMPARE(get<QPushButton>("pb_ok")->text(), QStringLiteral("Save"));
    dlg->LoadSettings();
    get<QLineEdit>("pt_le_path")->clear();
    QVERIFY(!dlg->CheckSettings());
    QCOMPARE(lastText(), u("Неправильно заполнен путь к данным анализов."));
}

void TestSettingsCommon::coordinates()
{
    const QSize before = dlg->size();
    QCOMPARE(before, QSize(236, 312));
    dlg->SetCoord(500, 400);
    QCOMPARE(dlg->pos(), QPoint(382, 257));
    QCOMPARE(dlg->minimumSize(), before);
    QCOMPARE(dlg->maximumSize(), before);
}

QTEST_MAIN(TestSettingsCommon)
#include "tst_settings_common.moc"
