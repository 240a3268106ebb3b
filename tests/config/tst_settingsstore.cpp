#include "config/settingsstore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace SettingsStore;

class TestSettingsStore : public QObject
{
    Q_OBJECT

  private slots:
    // Display form pads each part to three digits; stored form drops the padding. Only four
    // parts of 0..255 pass the check; anything else shows as the default address.
    void addressForms_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("valid");
        const QString fallback = QStringLiteral("192.168.001.001");
        QTest::newRow("typical") << "192.168.1.1"
                                 << "192.168.001.001"
                                 << "192.168.1.1" << true;
        QTest::newRow("padded") << "010.000.001.255"
                                << "010.000.001.255"
                                << "10.0.1.255" << true;
        QTest::newRow("zeros and max") << "0.0.9.255"
                                       << "000.000.009.255"
                                       << "0.0.9.255" << true;
        QTest::newRow("missing parts") << "7.6" << fallback << "7.6.0.0" << false;
        QTest::newRow("empty parts") << "10..0.1" << fallback << "10.0.0.1" << false;
        for (const char* bad :
             {"", "1.2.3.4.5", "10.0.1.256", "10.0.x.1", "+1.2.3.4", "99999999999.1.1.1"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << fallback << QString() << false;
    }
    void addressForms()
    {
        QFETCH(QString, input);
        QFETCH(QString, stored);
        QTEST(displayAddress(input), "shown");
        if (!stored.isEmpty())
            QCOMPARE(normaliseAddress(input), stored);
        SettingsValues form = defaults();
        form.ip = input;
        QTEST(check(form).rule != RuleAddress, "valid");
    }

    void renameQuestionKeepsPercentSigns()
    {
        QCOMPARE(renameQuestion("a", "%1b", 1), QStringLiteral("Заменить \"a\" на \"%1b\"?"));
        QCOMPARE(renameQuestion("%1", "b", 255), QStringLiteral("Replace \"%1\" with \"b\"?"));
    }

    // Counts and the current language are one byte in the file; missing keys read as empty, false
    // or 0.
    void loadReadsOneByteCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("language"); // only a low byte of 1 is Russian
        QTest::newRow("255") << 255 << 255 << 0;
        QTest::newRow("256") << 256 << 0 << 0;
        QTest::newRow("257") << 257 << 1 << 1;
        QTest::newRow("missing keys") << -1 << 0 << 0;
    }
    void loadReadsOneByteCounts()
    {
        QFETCH(int, count);
        QFETCH(int, loaded);
        QTemporaryDir dir;
        {
            QSettings ini(filePath(dir.path()), QSettings::IniFormat);
            for (const char* key :
                 {"OperatorsSettings/Count", "Language/Count", "Language/Current"})
                if (count >= 0)
                    ini.setValue(key, count);
        }
        const SettingsValues v = load(dir.path());
        QCOMPARE(QList<int>({v.operators.size(), v.languages.size()}),
                 QList<int>({loaded, loaded}));
        QTEST(int(v.currentLanguage), "language");
        QVERIFY(v.ip.isEmpty() && v.userId.isEmpty() && v.port.isEmpty() && v.directory.isEmpty());
        QVERIFY(!v.localVersion && !v.deepSearch);
    }

    // The LIS settings as stored: each way of sending needs what it sends to; a mode that is no
    // number, or beyond 3, is refused rather than guessed.
    void lisRules_data()
    {
        QTest::addColumn<QString>("mode"); // as stored; "-" for a missing key
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("rule");
        QTest::newRow("missing: off") << "-"
                                      << ""
                                      << ""
                                      << "" << int(RulePassed);
        QTest::newRow("off ignores the rest") << "0"
                                              << ""
                                              << ""
                                              << "x" << int(RulePassed);
        QTest::newRow("folder") << "1"
                                << "/srv/lis"
                                << ""
                                << "" << int(RulePassed);
        QTest::newRow("folder missing") << "1"
                                        << " "
                                        << "lis"
                                        << "2575" << int(RuleLisFolder);
        QTest::newRow("mllp") << "2"
                              << ""
                              << "lis"
                              << "65535" << int(RulePassed);
        QTest::newRow("mllp without host") << "2"
                                           << "/srv"
                                           << ""
                                           << "2575" << int(RuleLisHost);
        QTest::newRow("port 0") << "2"
                                << ""
                                << "lis"
                                << "0" << int(RuleLisPort);
        QTest::newRow("port 65536") << "3"
                                    << "/srv"
                                    << "lis"
                                    << "65536" << int(RuleLisPort);
        QTest::newRow("port not a number") << "3"
                                           << "/srv"
                                           << "lis"
                                           << "25x" << int(RuleLisPort);
        QTest::newRow("both, folder first") << "3"
                                            << ""
                                            << ""
                                            << "" << int(RuleLisFolder);
        QTest::newRow("mode 4") << "4"
                                << "/srv"
                                << "lis"
                                << "1" << int(RuleLisMode);
        QTest::newRow("mode not a number") << "folder"
                                           << "/srv"
                                           << "lis"
                                           << "1" << int(RuleLisMode);
    }
    void lisRules()
    {
        QFETCH(QString, mode);
        QFETCH(QString, folder);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QTemporaryDir dir;
        {
            QSettings ini(filePath(dir.path()), QSettings::IniFormat);
            if (mode != "-")
                ini.setValue("LisSettings/Mode", mode);
            ini.setValue("LisSettings/Folder", folder);
            ini.setValue("LisSettings/Host", host);
            ini.setValue("LisSettings/Port", port);
        }
        SettingsValues v = load(dir.path());
        QCOMPARE(QStringList({v.lis.folder, v.lis.host, v.lis.port}),
                 QStringList({folder, host, port}));
        QTEST(checkLis(v.lis), "rule");
        SettingsValues form = defaults();
        form.lis = v.lis;
        QCOMPARE(check(form).page, checkLis(v.lis) == RulePassed ? Page::Network : Page::Lis);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
