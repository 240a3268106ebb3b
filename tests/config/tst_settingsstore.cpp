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
        QTest::newRow("typical") << "192.168.1.1" << "192.168.001.001" << "192.168.1.1" << true;
        QTest::newRow("padded") << "010.000.001.255" << "010.000.001.255" << "10.0.1.255" << true;
        QTest::newRow("zeros and max") << "0.0.9.255" << "000.000.009.255" << "0.0.9.255" << true;
        QTest::newRow("missing parts") << "7.6" << fallback << "7.6.0.0" << false;
        QTest::newRow("empty parts") << "10..0.1" << fallback << "10.0.0.1" << false;
        for (const char* bad : {"", "1.2.3.4.5", "10.0.1.256", "10.0.x.1", "+1.2.3.4", "99999999999.1.1.1"})
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

    // Counts and the current language are one byte in the file; missing keys read as empty, false or 0.
    void loadReadsOneByteCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("language");  // only a low byte of 1 is Russian
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
            for (const char* key : {"OperatorsSettings/Count", "Language/Count", "Language/Current"})
                if (count >= 0)
                    ini.setValue(key, count);
        }
        const SettingsValues v = load(dir.path());
        QCOMPARE(QList<int>({v.operators.size(), v.languages.size()}), QList<int>({loaded, loaded}));
        QTEST(int(v.currentLanguage), "language");
        QVERIFY(v.ip.isEmpty() && v.userId.isEmpty() && v.port.isEmpty() && v.directory.isEmpty());
        QVERIFY(!v.localVersion && !v.deepSearch);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
