#include "report/reportrecord.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestReportRecord : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

    QString reports() const { return tmp.filePath(QStringLiteral("reports")); }
    static QByteArray fileBytes(const QString& path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void init()
    {
        QDir(reports()).removeRecursively();
        QDir().mkpath(reports());
    }

    void completeRun()
    {
        const QString folder = ReportRecord::chooseFolder(reports(), QStringLiteral("001F.D"), QStringLiteral("/data/a"));
        QCOMPARE(folder, QStringLiteral("001F.D"));
        const QString ini = ReportRecord::iniPath(reports(), folder);
        QCOMPARE(ini, reports() + QStringLiteral("/001F.D/report.ini"));
        ReportRecord::writeFolderPathIfMissing(ini, QStringLiteral("/data/a"));
        ReportRecord::writeFolderPathIfMissing(ini, QStringLiteral("/data/other"));  // kept as is
        ReportRecord::saveCalc(ini, QStringLiteral("001F"), folder, QStringLiteral("in blood"),
                               QStringLiteral("Ivanov, Ivan"));
        ReportRecord::saveConclusion(ini, QStringLiteral("Line one<br>line two, with comma"));
        ReportRecord::setReportExist(ini);

        QSettings s(ini, QSettings::IniFormat);
        QCOMPARE(s.childKeys().size(), 0);
        QCOMPARE(s.childGroups(), (QStringList{QStringLiteral("General"), QStringLiteral("ReportData")}));
        s.beginGroup(QStringLiteral("General"));
        QCOMPARE(s.childKeys().size(), 2);
        QCOMPARE(s.value(QStringLiteral("FolderPath")).toString(), QStringLiteral("/data/a"));
        QVERIFY(s.value(QStringLiteral("ReportExist")).toBool());
        s.endGroup();
        s.beginGroup(QStringLiteral("ReportData"));
        const QStringList keys = s.childKeys();
        QCOMPARE(keys.size(), 10);
        for (const QString& key : keys) {
            if (key.endsWith(QLatin1String("Print"))) {
                QString partner = key;
                partner.replace(QLatin1String("Print"), QLatin1String("Default"));
                QVERIFY2(keys.contains(partner), qPrintable(key));
                QCOMPARE(s.value(key).toString(), s.value(partner).toString());
            }
        }
        s.endGroup();
        const QByteArray raw = fileBytes(ini);
        QVERIFY(raw.contains("[%General]"));
        QVERIFY(raw.contains("[ReportData]"));

        QCOMPARE(ReportRecord::readFolderPath(ini), QStringLiteral("/data/a"));
        QVERIFY(ReportRecord::readReportExist(ini));
        QCOMPARE(ReportRecord::readProbeCode(ini), QStringLiteral("001F"));
        QCOMPARE(ReportRecord::readProbeNamePdf(ini), folder);
        const ReportRecord::PrintValues p = ReportRecord::readPrint(ini);
        QCOMPARE(p.probeId, QStringLiteral("001F"));
        QCOMPARE(p.probeName, QStringLiteral("in blood"));
        QCOMPARE(p.patient, QStringLiteral("Ivanov, Ivan"));
        QCOMPARE(p.conclusion, QStringLiteral("Line one<br>line two, with comma"));
    }

    void emptyRecord()
    {
        const QString ini = ReportRecord::iniPath(reports(), QStringLiteral("none"));
        QCOMPARE(ReportRecord::readFolderPath(ini), QString());
        QVERIFY(!ReportRecord::readReportExist(ini));
        QCOMPARE(ReportRecord::readPrint(ini).patient, QString());
        QCOMPARE(ReportRecord::readProbeNamePdf(ini), QString());
    }

    void editsAndDefaults()
    {
        const QString ini = ReportRecord::iniPath(reports(), QStringLiteral("x"));
        QDir().mkpath(reports() + QStringLiteral("/x"));
        ReportRecord::saveCalc(ini, QStringLiteral("X"), QStringLiteral("x"), QStringLiteral("in urina"),
                               QStringLiteral("patient"));
        ReportRecord::saveConclusion(ini, QStringLiteral("c"));
        ReportRecord::writePrint(ini, {QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("pat"),
                                       QStringLiteral("concl")});
        const ReportRecord::PrintValues p = ReportRecord::readPrint(ini);
        const ReportRecord::PrintValues d = ReportRecord::readDefaults(ini);
        QCOMPARE(p.probeName, QStringLiteral("name"));
        QCOMPARE(p.probeId, QStringLiteral("id"));
        QCOMPARE(p.patient, QStringLiteral("pat"));
        QCOMPARE(p.conclusion, QStringLiteral("concl"));
        QCOMPARE(d.probeName, QStringLiteral("in urina"));
        QCOMPARE(d.probeId, QStringLiteral("X"));
        QCOMPARE(d.patient, QStringLiteral("patient"));
        QCOMPARE(d.conclusion, QStringLiteral("c"));
        // A new run overwrites the edits.
        ReportRecord::saveCalc(ini, QStringLiteral("X"), QStringLiteral("x"), QStringLiteral("in urina"),
                               QStringLiteral("patient"));
        QCOMPARE(ReportRecord::readPrint(ini).patient, QStringLiteral("patient"));
    }

    void textsSurvive_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("cyrillic") << QString::fromUtf8("Иванов Иван Иванович");
        QTest::newRow("phrase") << QString::fromUtf8("в аспирате из матки");
        QTest::newRow("commas") << QStringLiteral("a, b, c");
        QTest::newRow("quotes and semicolon") << QStringLiteral("say \"hi\"; =x [y] #z");
        QTest::newRow("mixed") << QString::fromUtf8("Петров, П. = 5%");
    }
    void textsSurvive()
    {
        QFETCH(QString, value);
        const QString ini = ReportRecord::iniPath(reports(), QStringLiteral("t"));
        QDir().mkpath(reports() + QStringLiteral("/t"));
        ReportRecord::writeFolderPathIfMissing(ini, value);
        ReportRecord::saveCalc(ini, value, QStringLiteral("t"), value, value);
        QCOMPARE(ReportRecord::readFolderPath(ini), value);
        QCOMPARE(ReportRecord::readPrint(ini).patient, value);
        QCOMPARE(ReportRecord::readDefaults(ini).probeName, value);
        QCOMPARE(ReportRecord::readProbeCode(ini), value);
        // Without a codec the file stays ASCII, escapes included.
        const QByteArray raw = fileBytes(ini);
        for (char c : raw)
            QVERIFY(uchar(c) < 128);
        QSettings fresh(ini, QSettings::IniFormat);
        QCOMPARE(fresh.value(QStringLiteral("ReportData/PatientPrint")).toString(), value);
    }

    void chooseFolder()
    {
        const QString a = QStringLiteral("/data/a");
        const QString b = QStringLiteral("/data/b");
        const QString n = QStringLiteral("S1.D");
        auto produce = [&](const QString& path) {
            const QString name = ReportRecord::chooseFolder(reports(), n, path);
            ReportRecord::writeFolderPathIfMissing(ReportRecord::iniPath(reports(), name), path);
            return name;
        };
        QCOMPARE(produce(a), n);
        QVERIFY(QFileInfo(reports() + QStringLiteral("/S1.D")).isDir());
        QCOMPARE(produce(b), QStringLiteral("S1.D_1"));
        QVERIFY(QFileInfo(reports() + QStringLiteral("/S1.D_1")).isDir());
        QCOMPARE(produce(a), n);
        QCOMPARE(produce(b), QStringLiteral("S1.D_1"));
        QCOMPARE(produce(QStringLiteral("/data/c")), QStringLiteral("S1.D_2"));
        QCOMPARE(ReportRecord::readFolderPath(ReportRecord::iniPath(reports(), QStringLiteral("S1.D_1"))), b);

        ReportRecord::saveCalc(ReportRecord::iniPath(reports(), QStringLiteral("S1.D_1")), QStringLiteral("S1"),
                               QStringLiteral("S1.D_1"), QString(), QString());
        QCOMPARE(ReportRecord::readProbeNamePdf(ReportRecord::iniPath(reports(), QStringLiteral("S1.D_1"))),
                 QStringLiteral("S1.D_1"));
    }

    void chooseFolderAdoptsAndSkips()
    {
        // A folder without a record is adopted.
        QDir().mkpath(reports() + QStringLiteral("/Q.D"));
        QCOMPARE(ReportRecord::chooseFolder(reports(), QStringLiteral("Q.D"), QStringLiteral("/p")), QStringLiteral("Q.D"));
        // Another analysis' folder and a stray file are skipped.
        ReportRecord::writeFolderPathIfMissing(ReportRecord::iniPath(reports(), QStringLiteral("Q.D")), QStringLiteral("/other"));
        QFile stray(reports() + QStringLiteral("/Q.D_1"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        QCOMPARE(ReportRecord::chooseFolder(reports(), QStringLiteral("Q.D"), QStringLiteral("/p")), QStringLiteral("Q.D_2"));
        QVERIFY(QFileInfo(reports() + QStringLiteral("/Q.D_2")).isDir());
        // FolderPath must match exactly.
        ReportRecord::writeFolderPathIfMissing(ReportRecord::iniPath(reports(), QStringLiteral("Q.D_2")), QStringLiteral("/p/"));
        QCOMPARE(ReportRecord::chooseFolder(reports(), QStringLiteral("Q.D"), QStringLiteral("/p")), QStringLiteral("Q.D_3"));
    }

    void breadcrumb_data()
    {
        QTest::addColumn<int>("checkpoint");
        QTest::addColumn<int>("stored");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("19") << 19 << 19;
        QTest::newRow("255") << 255 << 255;
        QTest::newRow("256 wraps") << 256 << 0;
        QTest::newRow("300") << 300 << 44;
        QTest::newRow("-1") << -1 << 255;
    }
    void breadcrumb()
    {
        QFETCH(int, checkpoint);
        QFETCH(int, stored);
        Breadcrumb::save(tmp.path(), 7);
        Breadcrumb::save(tmp.path(), checkpoint);
        const QString path = tmp.filePath(QStringLiteral("debug.ini"));
        QSettings s(path, QSettings::IniFormat);
        QCOMPARE(s.childGroups(), QStringList{QStringLiteral("Debug")});
        QCOMPARE(s.value(QStringLiteral("Debug/DebugStage")).toInt(), stored);
        QVERIFY(fileBytes(path).contains(QByteArray("DebugStage=") + QByteArray::number(stored)));
    }
};

QTEST_GUILESS_MAIN(TestReportRecord)
#include "tst_reportrecord.moc"
