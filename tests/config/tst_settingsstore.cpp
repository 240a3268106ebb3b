#include "config/settingsstore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace SettingsStore;

namespace {
QString iniPath(const QTemporaryDir& dir)
{
    return dir.path() + QStringLiteral("/settings/settings.ini");
}

QString u(const char* text)
{
    return QString::fromUtf8(text);
}
}

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void displayAddress_data();
    void displayAddress();
    void normaliseAddress_data();
    void normaliseAddress();
    void check_data();
    void check();
    void messages_data();
    void messages();
    void defaultsFileHasExactlyTheDefaultKeys();
    void localVersionDecidesIdAndPort_data();
    void localVersionDecidesIdAndPort();
    void missingKeys();
    void listCountIsOneByte_data();
    void listCountIsOneByte();
    void currentLanguageLowByte();
    void saveOperatorsTouchesOnlyItsGroup();
};

void TestSettingsStore::displayAddress_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("typical") << "192.168.1.1" << "192.168.001.001";
    QTest::newRow("two digits") << "10.20.99.100" << "010.020.099.100";
    QTest::newRow("zeros and max") << "0.0.9.255" << "000.000.009.255";
    QTest::newRow("already padded") << "010.000.001.255" << "010.000.001.255";
    QTest::newRow("empty") << "" << "192.168.001.001";
    QTest::newRow("three parts") << "10.0.1" << "192.168.001.001";
    QTest::newRow("five parts") << "1.2.3.4.5" << "192.168.001.001";
    QTest::newRow("empty part") << "10..1.1" << "192.168.001.001";
    QTest::newRow("part too large") << "10.0.1.256" << "192.168.001.001";
    QTest::newRow("not a number") << "10.0.x.1" << "192.168.001.001";
}

void TestSettingsStore::displayAddress()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(SettingsStore::displayAddress(stored), shown);
}

void TestSettingsStore::normaliseAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("padded") << "192.168.001.001" << "192.168.1.1";
    QTest::newRow("zeros") << "000.010.100.255" << "0.10.100.255";
    QTest::newRow("unpadded") << "8.8.4.4" << "8.8.4.4";
    QTest::newRow("missing parts") << "7.6" << "7.6.0.0";
    QTest::newRow("empty parts") << "..." << "0.0.0.0";
}

void TestSettingsStore::normaliseAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QCOMPARE(SettingsStore::normaliseAddress(typed), stored);
}

void TestSettingsStore::check_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("local");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("operators");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("page");

    const QString id14 = QStringLiteral("ABCD-EFGH-IJKL");
    const QString id13 = QStringLiteral("ABCD-EFGH-IJK");
    QTest::newRow("all fine, local") << "192.168.001.001" << true << "" << "" << 1 << "C:/" << 0 << 0;
    QTest::newRow("all fine, remote") << "10.0.0.1" << false << id14 << "80" << 2 << "/d" << 0 << 0;
    QTest::newRow("octet 255") << "255.255.255.255" << true << "" << "" << 1 << "C:/" << 0 << 0;
    QTest::newRow("octet 256") << "192.168.1.256" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("empty part") << "192..1.1" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("three parts") << "192.168.1" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("five parts") << "1.2.3.4.5" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("sign") << "+1.2.3.4" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("overflowing part") << "99999999999.1.1.1" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("empty address") << "" << true << "" << "" << 1 << "C:/" << 1 << 0;
    QTest::newRow("id 13, remote") << "1.1.1.1" << false << id13 << "80" << 1 << "C:/" << 2 << 0;
    QTest::newRow("id 13, local") << "1.1.1.1" << true << id13 << "80" << 1 << "C:/" << 0 << 0;
    QTest::newRow("id 15, remote") << "1.1.1.1" << false << id14 + "X" << "80" << 1 << "C:/" << 2 << 0;
    QTest::newRow("no port, remote") << "1.1.1.1" << false << id14 << "" << 1 << "C:/" << 3 << 0;
    QTest::newRow("no port, local") << "1.1.1.1" << true << id14 << "" << 1 << "C:/" << 0 << 0;
    QTest::newRow("no operators") << "1.1.1.1" << true << "" << "" << 0 << "C:/" << 4 << 1;
    QTest::newRow("no directory") << "1.1.1.1" << true << "" << "" << 1 << "" << 5 << 2;
    QTest::newRow("address before the rest") << "1.1.1" << false << "" << "" << 0 << "" << 1 << 0;
    QTest::newRow("id before port") << "1.1.1.1" << false << "" << "" << 0 << "" << 2 << 0;
    QTest::newRow("operators before dir") << "1.1.1.1" << true << "" << "" << 0 << "" << 4 << 1;
}

void TestSettingsStore::check()
{
    QFETCH(QString, ip);
    QFETCH(bool, local);
    QFETCH(QString, id);
    QFETCH(QString, port);
    QFETCH(int, operators);
    QFETCH(QString, dir);
    QFETCH(int, rule);
    QFETCH(int, page);

    SettingsValues form;
    form.ip = ip;
    form.localVersion = local;
    form.userId = id;
    form.port = port;
    for (int i = 0; i < operators; ++i)
        form.operators << QStringLiteral("op%1").arg(i);
    form.directory = dir;
    const CheckResult result = SettingsStore::check(form);
    QCOMPARE(result.rule, rule);
    QCOMPARE(result.passed(), rule == 0);
    if (rule != 0)
        QCOMPARE(static_cast<int>(result.page), page);
}

void TestSettingsStore::messages_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 en") << 1 << 0 << "Invalid IP address.";
    QTest::newRow("1 ru") << 1 << 1 << u("Неправильно введен IP адрес.");
    QTest::newRow("2 en") << 2 << 0 << "Invalid user ID.";
    QTest::newRow("2 ru") << 2 << 1 << u("Неправильно введен ID пользователя.");
    QTest::newRow("3 en") << 3 << 0 << "Invalid server port.";
    QTest::newRow("3 ru") << 3 << 1 << u("Неправильно введен порт сервера.");
    QTest::newRow("4 en") << 4 << 0 << "Incorrectly filled a list of operators.";
    QTest::newRow("4 ru") << 4 << 1 << u("Неправильно заполнен список  операторов.");
    QTest::newRow("5 en") << 5 << 0 << "Incorrectly filled path to data analyzes.";
    QTest::newRow("5 ru") << 5 << 1 << u("Неправильно заполнен путь к данным анализов.");
    QTest::newRow("unknown language is English") << 3 << 7 << "Invalid server port.";
    QTest::newRow("255 is English") << 5 << 255 << "Incorrectly filled path to data analyzes.";
}

void TestSettingsStore::messages()
{
    QFETCH(int, rule);
    QFETCH(int, lang);
    QFETCH(QString, text);
    const uchar l = static_cast<uchar>(lang);
    QCOMPARE(checkMessage(rule, l), text);
    const bool ru = lang == 1;
    QCOMPARE(warningTitle(l), ru ? u("Внимание") : u("Attention"));
    QCOMPARE(okButton(l), ru ? u("Ок") : u("Ok"));
    QCOMPARE(renameQuestion(QStringLiteral("a"), QStringLiteral("%1b"), l),
             ru ? u("Заменить \"a\" на \"%1b\"?") : u("Replace \"a\" with \"%1b\"?"));
}

void TestSettingsStore::defaultsFileHasExactlyTheDefaultKeys()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!fileExists(dir.path()));
    SettingsValues d = defaults();
    d.userId = QStringLiteral("ABCD-EFGH-IJKL"); // must not reach the file
    d.port = QStringLiteral("8080");
    QVERIFY(save(dir.path(), d));
    QVERIFY(fileExists(dir.path()));
    QCOMPARE(filePath(dir.path()), iniPath(dir));

    QSettings ini(iniPath(dir), QSettings::IniFormat);
    QStringList keys = ini.allKeys();
    keys.sort();
    QCOMPARE(keys, QStringList({"Language/Count", "Language/Current", "Language/Lang_0",
                                "Language/Lang_1", "NetworkSettings/NetworkIP",
                                "NetworkSettings/NetworkLV", "OperatorsSettings/Count",
                                "OperatorsSettings/Operator_0", "PathSettings/DeepFolderSearch",
                                "PathSettings/Directory"}));
    QCOMPARE(ini.value("NetworkSettings/NetworkIP").toString(), QStringLiteral("192.168.1.1"));
    QCOMPARE(ini.value("NetworkSettings/NetworkLV").toString(), QStringLiteral("true"));
    QCOMPARE(ini.value("PathSettings/Directory").toString(), QStringLiteral("C:/"));
    QCOMPARE(ini.value("PathSettings/DeepFolderSearch").toString(), QStringLiteral("false"));
    QCOMPARE(ini.value("OperatorsSettings/Count").toString(), QStringLiteral("1"));
    QCOMPARE(ini.value("OperatorsSettings/Operator_0").toString(), u("Оператор"));
    QCOMPARE(ini.value("Language/Count").toString(), QStringLiteral("2"));
    QCOMPARE(ini.value("Language/Current").toString(), QStringLiteral("0"));
    QCOMPARE(ini.value("Language/Lang_0").toString(), u("English (Английский)"));
    QCOMPARE(ini.value("Language/Lang_1").toString(), u("Russian (Русский)"));
}

void TestSettingsStore::localVersionDecidesIdAndPort_data()
{
    QTest::addColumn<bool>("local");
    QTest::newRow("remote") << false;
    QTest::newRow("local") << true;
}

void TestSettingsStore::localVersionDecidesIdAndPort()
{
    QFETCH(bool, local);
    QTemporaryDir dir;
    // A previous file holding ID and port: a full save rewrites from nothing.
    {
        QSettings ini(iniPath(dir), QSettings::IniFormat);
        ini.setValue("NetworkSettings/NetworkID", "OLDX-OLDX-OLDX");
        ini.setValue("NetworkSettings/NetworkPort", "1");
        ini.setValue("Stale/Key", 5);
    }
    SettingsValues v = defaults();
    v.localVersion = local;
    v.userId = QStringLiteral("ABCD-EFGH-IJKL");
    v.port = QStringLiteral("9761");
    v.ip = QStringLiteral("10.1.2.3");
    v.directory = QStringLiteral("/data/runs");
    v.deepSearch = true;
    v.operators = QStringList{QStringLiteral("Boris"), QStringLiteral("Anna")};
    v.currentLanguage = 1;
    QVERIFY(save(dir.path(), v));

    QSettings raw(iniPath(dir), QSettings::IniFormat);
    QCOMPARE(raw.contains("NetworkSettings/NetworkID"), !local);
    QCOMPARE(raw.contains("NetworkSettings/NetworkPort"), !local);
    QVERIFY(!raw.contains("Stale/Key"));

    const SettingsValues back = load(dir.path());
    QCOMPARE(back.ip, QStringLiteral("10.1.2.3"));
    QCOMPARE(back.localVersion, local);
    QCOMPARE(back.userId, local ? QString() : QStringLiteral("ABCD-EFGH-IJKL"));
    QCOMPARE(back.port, local ? QString() : QStringLiteral("9761"));
    QCOMPARE(back.directory, QStringLiteral("/data/runs"));
    QCOMPARE(back.deepSearch, true);
    QCOMPARE(back.operators, QStringList({"Boris", "Anna"}));
    QCOMPARE(back.languages.size(), 2);
    QCOMPARE(int(back.currentLanguage), 1);
}

void TestSettingsStore::missingKeys()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/settings");
    QFile f(iniPath(dir));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Other]\nx=1\n");
    f.close();
    const SettingsValues v = load(dir.path());
    QVERIFY(v.ip.isEmpty());
    QVERIFY(v.userId.isEmpty());
    QVERIFY(v.port.isEmpty());
    QCOMPARE(v.localVersion, false);
    QVERIFY(v.directory.isEmpty());
    QCOMPARE(v.deepSearch, false);
    QVERIFY(v.operators.isEmpty());
    QVERIFY(v.languages.isEmpty());
    QCOMPARE(int(v.currentLanguage), 0);
}

void TestSettingsStore::listCountIsOneByte_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("loaded");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("255") << 255 << 255;
    QTest::newRow("256") << 256 << 0;
    QTest::newRow("257") << 257 << 1;
    QTest::newRow("missing key reads 0") << -1000 << 0;
}

void TestSettingsStore::listCountIsOneByte()
{
    QFETCH(int, count);
    QFETCH(int, loaded);
    QTemporaryDir dir;
    {
        QSettings ini(iniPath(dir), QSettings::IniFormat);
        for (int i = 0; i < 260; ++i) {
            ini.setValue(QStringLiteral("OperatorsSettings/Operator_%1").arg(i),
                         QStringLiteral("name%1").arg(i));
            ini.setValue(QStringLiteral("Language/Lang_%1").arg(i), QStringLiteral("lang%1").arg(i));
        }
        if (count != -1000) {
            ini.setValue("OperatorsSettings/Count", count);
            ini.setValue("Language/Count", count);
        }
    }
    const SettingsValues v = load(dir.path());
    QCOMPARE(v.operators.size(), loaded);
    QCOMPARE(v.languages.size(), loaded);
    if (loaded > 0) {
        QCOMPARE(v.operators.first(), QStringLiteral("name0"));
        QCOMPARE(v.operators.last(), QStringLiteral("name%1").arg(loaded - 1));
        QCOMPARE(v.languages.last(), QStringLiteral("lang%1").arg(loaded - 1));
    }
}

void TestSettingsStore::currentLanguageLowByte()
{
    QTemporaryDir dir;
    {
        QSettings ini(iniPath(dir), QSettings::IniFormat);
        ini.setValue("Language/Current", 257);
    }
    QCOMPARE(int(load(dir.path()).currentLanguage), 1);
}

void TestSettingsStore::saveOperatorsTouchesOnlyItsGroup()
{
    QTemporaryDir dir;
    SettingsValues v = defaults();
    v.operators = QStringList{"a", "b", "c", "d", "e"};
    v.directory = QStringLiteral("/keep/me");
    QVERIFY(save(dir.path(), v));

    const QStringList written = saveOperators(dir.path(), {"x", "y", "z"});
    QCOMPARE(written, QStringList({"x", "y", "z"}));
    {
        QSettings ini(iniPath(dir), QSettings::IniFormat);
        QCOMPARE(ini.value("OperatorsSettings/Count").toInt(), 3);
        // Names beyond the count stay in the file and are ignored on load.
        QCOMPARE(ini.value("OperatorsSettings/Operator_4").toString(), QStringLiteral("e"));
    }
    const SettingsValues back = load(dir.path());
    QCOMPARE(back.operators, QStringList({"x", "y", "z"}));
    QCOMPARE(back.directory, QStringLiteral("/keep/me"));
    QCOMPARE(back.ip, QStringLiteral("192.168.1.1"));
    QCOMPARE(back.languages.size(), 2);

    QStringList many;
    for (int i = 0; i < 257; ++i)
        many << QStringLiteral("n%1").arg(i);
    QCOMPARE(saveOperators(dir.path(), many), QStringList({"n0"}));
    QCOMPARE(load(dir.path()).operators, QStringList({"n0"}));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
