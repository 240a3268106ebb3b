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
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList values(const ReportRecord::PrintValues& p)
    {
        return {p.probeName, p.probeId, p.patient, p.conclusion};
    }

private slots:
    void init()
    {
        QDir(reports()).removeRecursively();
        QDir().mkpath(reports());
    }

    void completeRunWritesEveryKey()
    {
        QString folder;
        QVERIFY(ReportRecord::chooseFolder(reports(), QStringLiteral("001F.D"), QStringLiteral("/data/a"), &folder));
        const QString ini = ReportRecord::iniPath(reports(), folder);
        QCOMPARE(ini, reports() + QStringLiteral("/001F.D/report.ini"));
        QVERIFY(!ReportRecord::readReportExist(ini));
        // The editor's writer never creates a record.
        QVERIFY(!ReportRecord::writePrint(ini, {}));
        QVERIFY(!QFile::exists(ini));
        QVERIFY(ReportRecord::writeFolderPathIfMissing(ini, QStringLiteral("/data/a")));
        QVERIFY(ReportRecord::writeFolderPathIfMissing(ini, QStringLiteral("/data/other")));  // kept as is
        QVERIFY(ReportRecord::saveCalc(ini, QStringLiteral("001F"), folder, QStringLiteral("in blood"),
                                       QStringLiteral("Ivanov, Ivan")));
        QVERIFY(ReportRecord::saveConclusion(ini, QStringLiteral("Line one<br>line two, with comma")));
        QVERIFY(ReportRecord::setReportExist(ini));

        QSettings s(ini, QSettings::IniFormat);
        QCOMPARE(s.childKeys().size(), 0);
        QCOMPARE(s.childGroups(), (QStringList{QStringLiteral("General"), QStringLiteral("ReportData")}));
        s.beginGroup(QStringLiteral("General"));
        QCOMPARE(s.childKeys(), (QStringList{QStringLiteral("FolderPath"), QStringLiteral("ReportExist")}));
        s.endGroup();
        s.beginGroup(QStringLiteral("ReportData"));
        QStringList keys = s.childKeys();
        keys.sort();
        QCOMPARE(keys.join(QLatin1Char(' ')),
                 QStringLiteral("ConclusionDefault ConclusionPrint PatientDefault PatientPrint ProbeCode "
                                "ProbeIDDefault ProbeIDPrint ProbeNameDefault ProbeNamePDF ProbeNamePrint"));
        s.endGroup();
        QVERIFY(fileBytes(ini).contains("[%General]"));

        QCOMPARE(ReportRecord::readFolderPath(ini), QStringLiteral("/data/a"));
        QVERIFY(ReportRecord::readReportExist(ini));
        QCOMPARE(ReportRecord::readProbeCode(ini), QStringLiteral("001F"));
        QCOMPARE(ReportRecord::readProbeNamePdf(ini), folder);
        const QStringList saved{QStringLiteral("in blood"), QStringLiteral("001F"), QStringLiteral("Ivanov, Ivan"),
                                QStringLiteral("Line one<br>line two, with comma")};
        QCOMPARE(values(ReportRecord::readPrint(ini)), saved);

        // Edits go to the Print keys only; a new run overwrites them.
        const QStringList edited{QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("pat"), QStringLiteral("c")};
        QVERIFY(ReportRecord::writePrint(ini, {edited[0], edited[1], edited[2], edited[3]}));
        QCOMPARE(values(ReportRecord::readPrint(ini)), edited);
        QCOMPARE(values(ReportRecord::readDefaults(ini)), saved);
        ReportRecord::saveCalc(ini, QStringLiteral("001F"), folder, QStringLiteral("in blood"), QStringLiteral("P"));
        QCOMPARE(ReportRecord::readPrint(ini).patient, QStringLiteral("P"));
    }

    void textsSurvive_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("cyrillic") << QString::fromUtf8("Иванов Иван Иванович");
        QTest::newRow("commas") << QStringLiteral("a, b, c");
        QTest::newRow("quotes and semicolon") << QStringLiteral("say \"hi\"; =x [y] #z");
    }
    void textsSurvive()
    {
        QFETCH(QString, value);
        const QString ini = ReportRecord::iniPath(reports(), QStringLiteral("t"));
        QDir().mkpath(reports() + QStringLiteral("/t"));
        QVERIFY(ReportRecord::writeFolderPathIfMissing(ini, value));
        QVERIFY(ReportRecord::saveCalc(ini, value, QStringLiteral("t"), value, value));
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

    // Production finds or makes the report folder; the editor, View and Print only find it.
    void chooseAndFindFolder()
    {
        auto produce = [&](const QString& name, const QString& path) {
            QString folder;
            if (!ReportRecord::chooseFolder(reports(), name, path, &folder)
                || !ReportRecord::writeFolderPathIfMissing(ReportRecord::iniPath(reports(), folder), path))
                return QStringLiteral("<failed>");
            return folder;
        };
        const QString n = QStringLiteral("S1.D");
        QCOMPARE(ReportRecord::findFolder(reports(), n, QStringLiteral("/data/b")), QString());
        QCOMPARE(produce(n, QStringLiteral("/data/a")), n);
        QCOMPARE(produce(n, QStringLiteral("/data/b")), QStringLiteral("S1.D_1"));
        QCOMPARE(produce(n, QStringLiteral("/data/c")), QStringLiteral("S1.D_2"));
        QCOMPARE(produce(n, QStringLiteral("/data/b")), QStringLiteral("S1.D_1"));
        QCOMPARE(produce(n, QStringLiteral("/data/c/")), QStringLiteral("S1.D_3"));  // paths match exactly
        QCOMPARE(ReportRecord::findFolder(reports(), n, QStringLiteral("/data/c")), QStringLiteral("S1.D_2"));
        QCOMPARE(ReportRecord::findFolder(reports(), n, QStringLiteral("/data/d")), QString());
        QCOMPARE(QDir(reports()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);

        // A folder without a record is adopted; a stray file in the way is skipped.
        QDir().mkpath(reports() + QStringLiteral("/Q.D"));
        QCOMPARE(produce(QStringLiteral("Q.D"), QStringLiteral("/other")), QStringLiteral("Q.D"));
        QFile stray(reports() + QStringLiteral("/Q.D_1"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        QCOMPARE(produce(QStringLiteral("Q.D"), QStringLiteral("/p")), QStringLiteral("Q.D_2"));
        QVERIFY(QFileInfo(reports() + QStringLiteral("/Q.D_2")).isDir());
    }

    void breadcrumb_data()
    {
        QTest::addColumn<int>("checkpoint");
        QTest::addColumn<int>("stored");
        QTest::newRow("255") << 255 << 255;
        QTest::newRow("256 wraps") << 256 << 0;
        QTest::newRow("-1") << -1 << 255;
    }
    void breadcrumb()
    {
        QFETCH(int, checkpoint);
        QFETCH(int, stored);
        QVERIFY(Breadcrumb::save(tmp.path(), 7));
        QVERIFY(Breadcrumb::save(tmp.path(), checkpoint));
        const QString path = tmp.filePath(QStringLiteral("debug.ini"));
        QSettings s(path, QSettings::IniFormat);
        QCOMPARE(s.childGroups(), QStringList{QStringLiteral("Debug")});
        QCOMPARE(s.value(QStringLiteral("Debug/DebugStage")).toInt(), stored);
        QVERIFY(fileBytes(path).contains(QByteArray("DebugStage=") + QByteArray::number(stored)));
    }
};

QTEST_GUILESS_MAIN(TestReportRecord)
#include "tst_reportrecord.moc"
