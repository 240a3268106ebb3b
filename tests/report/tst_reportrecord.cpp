#include "report/reportrecord.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace ReportRecord;

namespace {
QStringList texts(const PrintValues& p)
{
    return {p.probeName, p.probeId, p.patient, p.conclusion};
}
} // namespace

class TestReportRecord : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

    QString reports() const { return tmp.filePath(QStringLiteral("reports")); }

  private slots:
    void init()
    {
        QDir(reports()).removeRecursively();
        QDir().mkpath(reports());
    }

    // A production's edits over an edited record, with a text the file must escape and quote.
    // The editor's tests read the Print and Default pairs back through its window.
    void productionRun()
    {
        const QString text = QStringLiteral("Иванов, \"Иван\"; =x [y] #z");
        QString folder;
        QVERIFY(chooseFolder(reports(), QStringLiteral("001F.D"), text, &folder));
        const QString ini = iniPath(reports(), folder);
        QVERIFY(!readReportExist(ini));
        QVERIFY(FileWrite::ini(ini, [](QSettings& s) {
            putPrint(s, {"edited", "edited", "edited", "edited"});
        }));
        QVERIFY(FileWrite::ini(ini, [&](QSettings& s) {
            putCalculation(s, QStringLiteral("001F"), folder, text, text + "!");
            putConclusion(s, "Line one<br>" + text);
            putReportExist(s);
        }));

        QSettings s(ini, QSettings::IniFormat);
        QStringList keys = s.allKeys();
        keys.sort();
        QCOMPARE(
            keys.join(' '),
            QStringLiteral("General/FolderPath General/ReportExist Report/FolderName "
                           "ReportData/ConclusionDefault "
                           "ReportData/ConclusionPrint ReportData/PatientDefault "
                           "ReportData/PatientPrint ReportData/ProbeCode ReportData/ProbeIDDefault "
                           "ReportData/ProbeIDPrint ReportData/ProbeNameDefault "
                           "ReportData/ProbeNamePDF ReportData/ProbeNamePrint"));
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QVERIFY(std::all_of(raw.begin(), raw.end(),
                            [](char c) { return uchar(c) < 128; })); // no codec: escapes
        QCOMPARE(QStringList({readFolderPath(ini), readProbeCode(ini), readProbeNamePdf(ini)}),
                 QStringList({text, "001F", folder}));
        QVERIFY(readReportExist(ini));
        const QStringList produced{text, "001F", text + "!", "Line one<br>" + text};
        QCOMPARE(texts(readPrint(ini)), produced);
        QCOMPARE(texts(readDefaults(ini)), produced);
    }

    // Production finds or makes the report folder; the editor, View and Print only find it.
    void chooseAndFindFolder()
    {
        auto produce = [&](const QString& name, const QString& path) {
            QString folder;
            const bool ok = bool(chooseFolder(reports(), name, path, &folder));
            return ok ? folder : QStringLiteral("<failed>");
        };
        const QString n = QStringLiteral("S1.D");
        QCOMPARE(findFolder(reports(), n, QStringLiteral("/data/b")), QString());
        QCOMPARE(produce(n, QStringLiteral("/data/a")), n);
        QCOMPARE(produce(n, QStringLiteral("/data/b")), QStringLiteral("S1.D_1"));
        QCOMPARE(produce(n, QStringLiteral("/data/c")), QStringLiteral("S1.D_2"));
        QCOMPARE(produce(n, QStringLiteral("/data/b")), QStringLiteral("S1.D_1"));
        QCOMPARE(produce(n, QStringLiteral("/data/c/")),
                 QStringLiteral("S1.D_3")); // paths match exactly
        QCOMPARE(findFolder(reports(), n, QStringLiteral("/data/c")), QStringLiteral("S1.D_2"));
        QCOMPARE(findFolder(reports(), n, QStringLiteral("/data/d")), QString());
        QCOMPARE(QDir(reports()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);

        // A folder without a record is adopted; a stray file in the way is passed over, also when
        // looking the folder up.
        QDir().mkpath(reports() + QStringLiteral("/Q.D"));
        QCOMPARE(produce(QStringLiteral("Q.D"), QStringLiteral("/other")), QStringLiteral("Q.D"));
        QFile stray(reports() + QStringLiteral("/Q.D_1"));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        QCOMPARE(produce(QStringLiteral("Q.D"), QStringLiteral("/p")), QStringLiteral("Q.D_2"));
        QCOMPARE(findFolder(reports(), QStringLiteral("Q.D"), QStringLiteral("/p")),
                 QStringLiteral("Q.D_2"));
        QVERIFY(QFileInfo(reports() + QStringLiteral("/Q.D_2")).isDir());
    }

    // Only a folder listed under exactly the name asked for, whose record names this analysis
    // (or no folder name, as records of earlier versions), is this analysis' folder.
    void foldersAreMatchedByExactNameAndRecord()
    {
        QString folder;
        // A record without a folder name: only the name on disk tells the two apart.
        QVERIFY(QDir().mkpath(reports() + "/BL12.D"));
        QSettings(iniPath(reports(), "BL12.D"), QSettings::IniFormat)
            .setValue("General/FolderPath", "/data");
        // A case-insensitive share finds BL12.D when asked for bl12.D; a link does the same here.
        QVERIFY(QFile::link("BL12.D", reports() + "/bl12.D"));
        QCOMPARE(findFolder(reports(), "bl12.D", "/data"), QString());
        QVERIFY(chooseFolder(reports(), "bl12.D", "/data", &folder));
        QCOMPARE(folder, QStringLiteral("bl12.D_1"));
        QCOMPARE(QStringList({findFolder(reports(), "bl12.D", "/data"),
                              findFolder(reports(), "BL12.D", "/data")}),
                 QStringList({"bl12.D_1", "BL12.D"}));

        QVERIFY(QDir().mkpath(reports() + "/Old.D"));
        QSettings(iniPath(reports(), "Old.D"), QSettings::IniFormat)
            .setValue("General/FolderPath", "/p");
        QCOMPARE(findFolder(reports(), "Old.D", "/p"), QStringLiteral("Old.D"));
        QSettings(iniPath(reports(), "Old.D"), QSettings::IniFormat)
            .setValue("Report/FolderName", "Other.D");
        QVERIFY(chooseFolder(reports(), "Old.D", "/p", &folder) && folder == "Old.D_1");
    }
};

QTEST_GUILESS_MAIN(TestReportRecord)
#include "tst_reportrecord.moc"
