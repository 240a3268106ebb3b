#include "config/settingsstore.h"
#include "settings_test_util.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace SettingsStore;

Q_DECLARE_METATYPE(SettingsValues)

namespace {
QString iniPath(const QTemporaryDir& dir)
{
    return dir.path() + QStringLiteral("/settings/settings.ini");
}
}

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    // Display form pads each part to three digits; stored form drops the padding.
    void addressForms_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        const QString fallback = QStringLiteral("192.168.001.001");
        QTest::newRow("typical") << "192.168.1.1" << "192.168.001.001" << "192.168.1.1";
        QTest::newRow("padded") << "010.000.001.255" << "010.000.001.255" << "10.0.1.255";
        QTest::newRow("zeros and max") << "0.0.9.255" << "000.000.009.255" << "0.0.9.255";
        QTest::newRow("missing parts") << "7.6" << fallback << "7.6.0.0";
        QTest::newRow("empty parts") << "..." << fallback << "0.0.0.0";
        for (const char* bad : {"", "1.2.3.4.5", "10.0.1.256", "10.0.x.1"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << fallback << QString();
    }
    void addressForms()
    {
        QFETCH(QString, input);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QCOMPARE(displayAddress(input), shown);
        if (!stored.isEmpty())
            QCOMPARE(normaliseAddress(input), stored);
    }

    // Rules are checked in order; the first failure is reported with its page.
    void check_data()
    {
        QTest::addColumn<SettingsValues>("form");
        QTest::addColumn<int>("rule");
        const auto form = [](const char* ip, bool local, const QString& id, const char* port, int ops, const char* dir) {
            SettingsValues v{ip, id, port, local, dir, false, {}, {}, 0};
            for (int i = 0; i < ops; ++i)
                v.operators << QStringLiteral("op%1").arg(i);
            return v;
        };
        const QString id14 = QStringLiteral("ABCD-EFGH-IJKL"), id13 = QStringLiteral("ABCD-EFGH-IJK");
        QTest::newRow("fine, local") << form("192.168.001.001", true, "", "", 1, "C:/") << 0;
        QTest::newRow("fine, remote") << form("10.0.0.1", false, id14, "80", 2, "/d") << 0;
        QTest::newRow("octet 255") << form("255.255.255.255", true, "", "", 1, "C:/") << 0;
        for (const char* bad : {"192.168.1.256", "192..1.1", "192.168.1", "1.2.3.4.5", "+1.2.3.4", "99999999999.1.1.1"})
            QTest::newRow(bad) << form(bad, true, "", "", 1, "C:/") << 1;
        QTest::newRow("id 13, remote") << form("1.1.1.1", false, id13, "80", 1, "C:/") << 2;
        QTest::newRow("id 15, remote") << form("1.1.1.1", false, id14 + "X", "80", 1, "C:/") << 2;
        QTest::newRow("no port, remote") << form("1.1.1.1", false, id14, "", 1, "C:/") << 3;
        QTest::newRow("id 13, no port, local") << form("1.1.1.1", true, id13, "", 1, "C:/") << 0;
        QTest::newRow("no operators") << form("1.1.1.1", true, "", "", 0, "C:/") << 4;
        QTest::newRow("no directory") << form("1.1.1.1", true, "", "", 1, "") << 5;
        QTest::newRow("address first") << form("1.1.1", false, "", "", 0, "") << 1;
        QTest::newRow("id before port") << form("1.1.1.1", false, "", "", 0, "") << 2;
        QTest::newRow("operators before dir") << form("1.1.1.1", true, "", "", 0, "") << 4;
    }
    void check()
    {
        QFETCH(SettingsValues, form);
        QFETCH(int, rule);
        const CheckResult result = SettingsStore::check(form);
        QCOMPARE(result.rule, rule);
        QCOMPARE(result.passed(), rule == 0);
        if (rule != 0)
            QCOMPARE(static_cast<int>(result.page), rule < 4 ? 0 : rule - 3);
    }

    void renameQuestionKeepsPercentSigns()
    {
        QCOMPARE(renameQuestion(QStringLiteral("a"), QStringLiteral("%1b"), 1), u("Заменить \"a\" на \"%1b\"?"));
        QCOMPARE(renameQuestion(QStringLiteral("%1"), QStringLiteral("b"), 255), u("Replace \"%1\" with \"b\"?"));
    }

    void saveDefaults_writesExactlyTheDefaultKeys()
    {
        QTemporaryDir dir;
        QVERIFY(!fileExists(dir.path()));
        SettingsValues d = defaults();
        d.userId = QStringLiteral("ABCD-EFGH-IJKL"); // must not reach the file
        d.port = QStringLiteral("8080");
        QVERIFY(save(dir.path(), d));
        QVERIFY(fileExists(dir.path()));
        QCOMPARE(filePath(dir.path()), iniPath(dir));
        verifyDefaultFile(iniPath(dir));
    }

    // The remote case (ID and port written and read back) runs through the settings window tests.
    void localVersionLeavesIdAndPortOut()
    {
        QTemporaryDir dir;
        // A full save rewrites from nothing: old ID, port and stray keys go.
        {
            QSettings ini(iniPath(dir), QSettings::IniFormat);
            ini.setValue("NetworkSettings/NetworkID", "OLDX-OLDX-OLDX");
            ini.setValue("NetworkSettings/NetworkPort", "1");
            ini.setValue("Stale/Key", 5);
        }
        SettingsValues v = defaults();
        v = {"10.1.2.3", "ABCD-EFGH-IJKL", "9761", true, "/data/runs", true, {"Boris", "Anna"}, v.languages, 1};
        QVERIFY(save(dir.path(), v));

        QSettings raw(iniPath(dir), QSettings::IniFormat);
        QVERIFY(!raw.contains("NetworkSettings/NetworkID") && !raw.contains("NetworkSettings/NetworkPort"));
        QVERIFY(!raw.contains("Stale/Key"));

        const SettingsValues back = load(dir.path());
        QVERIFY(back.userId.isEmpty() && back.port.isEmpty());
        QCOMPARE(QStringList({back.ip, back.directory}), QStringList({v.ip, v.directory}));
        QVERIFY(back.localVersion && back.deepSearch);
        QCOMPARE(back.operators, v.operators);
        QCOMPARE(back.languages, v.languages);
        QCOMPARE(int(back.currentLanguage), 1);
    }

    void loadMissingKeys_givesEmptyValues()
    {
        QTemporaryDir dir;
        QSettings(iniPath(dir), QSettings::IniFormat).setValue("Other/x", 1);
        const SettingsValues v = load(dir.path());
        QVERIFY(v.ip.isEmpty() && v.userId.isEmpty() && v.port.isEmpty() && v.directory.isEmpty());
        QVERIFY(!v.localVersion && !v.deepSearch);
        QVERIFY(v.operators.isEmpty() && v.languages.isEmpty());
        QCOMPARE(int(v.currentLanguage), 0);
    }

    // Counts and the current language are one byte in the file.
    void countsAreOneByte_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("loaded");
        QTest::newRow("255") << 255 << 255;
        QTest::newRow("256") << 256 << 0;
        QTest::newRow("257") << 257 << 1;
        QTest::newRow("missing key reads 0") << -1 << 0;
    }
    void countsAreOneByte()
    {
        QFETCH(int, count);
        QFETCH(int, loaded);
        QTemporaryDir dir;
        {
            QSettings ini(iniPath(dir), QSettings::IniFormat);
            for (int i = 0; i < 260; ++i) {
                ini.setValue(QStringLiteral("OperatorsSettings/Operator_%1").arg(i), QStringLiteral("name%1").arg(i));
                ini.setValue(QStringLiteral("Language/Lang_%1").arg(i), QStringLiteral("lang%1").arg(i));
            }
            if (count >= 0) {
                ini.setValue("OperatorsSettings/Count", count);
                ini.setValue("Language/Count", count);
            }
        }
        const SettingsValues v = load(dir.path());
        QCOMPARE(QList<int>({v.operators.size(), v.languages.size()}), QList<int>({loaded, loaded}));
        if (loaded > 0)
            QCOMPARE(QStringList({v.operators.first(), v.operators.last(), v.languages.last()}),
                     QStringList({"name0", QStringLiteral("name%1").arg(loaded - 1), QStringLiteral("lang%1").arg(loaded - 1)}));
    }

    void saveOperatorsTouchesOnlyItsGroup()
    {
        QTemporaryDir dir;
        SettingsValues v = defaults();
        v.operators = QStringList{"a", "b", "c", "d", "e"};
        v.directory = QStringLiteral("/keep/me");
        QVERIFY(save(dir.path(), v));

        QCOMPARE(saveOperators(dir.path(), {"x", "y", "z"}), QStringList({"x", "y", "z"}));
        {
            QSettings ini(iniPath(dir), QSettings::IniFormat);
            QCOMPARE(ini.value("OperatorsSettings/Count").toInt(), 3);
            // Names beyond the count stay in the file and are ignored on load.
            QCOMPARE(ini.value("OperatorsSettings/Operator_4").toString(), QStringLiteral("e"));
        }
        const SettingsValues back = load(dir.path());
        QCOMPARE(back.operators, QStringList({"x", "y", "z"}));
        QCOMPARE(QStringList({back.directory, back.ip}), QStringList({"/keep/me", "192.168.1.1"}));

        QStringList many;
        for (int i = 0; i < 257; ++i)
            many << QStringLiteral("n%1").arg(i);
        QCOMPARE(saveOperators(dir.path(), many), QStringList({"n0"}));
        QCOMPARE(load(dir.path()).operators, QStringList({"n0"}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
