#include "reportrecord.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace ReportRecord {

namespace {

// Keys of the [General] group; QSettings stores that group as "[%General]".
const QString FolderPathKey = QStringLiteral("General/FolderPath");
const QString ReportExistKey = QStringLiteral("General/ReportExist");
const QString DataGroup = QStringLiteral("ReportData");

QString dataKey(const char* key)
{
    return DataGroup + QLatin1Char('/') + QLatin1String(key);
}

PrintValues readPair(const QString& iniPath, const char* suffix)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(DataGroup);
    auto text = [&](const char* base) {
        return ini.value(QLatin1String(base) + QLatin1String(suffix), QString()).toString();
    };
    PrintValues v;
    v.probeName = text("ProbeName");
    v.probeId = text("ProbeID");
    v.patient = text("Patient");
    v.conclusion = text("Conclusion");
    ini.endGroup();
    return v;
}

}  // namespace

QString iniPath(const QString& reportsDir, const QString& reportFolderName)
{
    return QStringLiteral("%1/%2/report.ini").arg(reportsDir, reportFolderName);
}

QString chooseFolder(const QString& reportsDir, const QString& folderName, const QString& folderPath)
{
    QString candidate = folderName;
    for (qint64 counter = 1;; ++counter) {
        const QString dir = QStringLiteral("%1/%2").arg(reportsDir, candidate);
        const QFileInfo info(dir);
        if (!info.exists()) {
            QDir().mkpath(dir);
            return candidate;
        }
        if (info.isDir()) {
            const QString ini = iniPath(reportsDir, candidate);
            if (!QFileInfo::exists(ini) || readFolderPath(ini) == folderPath)
                return candidate;
        }
        candidate = QStringLiteral("%1_%2").arg(folderName, QString::number(counter));
    }
}

void writeFolderPathIfMissing(const QString& iniPath, const QString& folderPath)
{
    if (QFileInfo::exists(iniPath))
        return;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(FolderPathKey, folderPath);
    ini.sync();
}

void saveCalc(const QString& iniPath, const QString& probeCode, const QString& reportFolderName,
              const QString& samplePhrase, const QString& patient)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(DataGroup);
    ini.setValue(QStringLiteral("ProbeCode"), probeCode);
    ini.setValue(QStringLiteral("ProbeNamePDF"), reportFolderName);
    ini.setValue(QStringLiteral("ProbeIDDefault"), probeCode);
    ini.setValue(QStringLiteral("ProbeIDPrint"), probeCode);
    ini.setValue(QStringLiteral("ProbeNameDefault"), samplePhrase);
    ini.setValue(QStringLiteral("ProbeNamePrint"), samplePhrase);
    ini.setValue(QStringLiteral("PatientDefault"), patient);
    ini.setValue(QStringLiteral("PatientPrint"), patient);
    ini.endGroup();
    ini.sync();
}

void saveConclusion(const QString& iniPath, const QString& conclusion)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(dataKey("ConclusionDefault"), conclusion);
    ini.setValue(dataKey("ConclusionPrint"), conclusion);
    ini.sync();
}

PrintValues readPrint(const QString& iniPath)
{
    return readPair(iniPath, "Print");
}

PrintValues readDefaults(const QString& iniPath)
{
    return readPair(iniPath, "Default");
}

void writePrint(const QString& iniPath, const PrintValues& values)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(dataKey("ProbeNamePrint"), values.probeName);
    ini.setValue(dataKey("ProbeIDPrint"), values.probeId);
    ini.setValue(dataKey("PatientPrint"), values.patient);
    ini.setValue(dataKey("ConclusionPrint"), values.conclusion);
    ini.sync();
}

QString readProbeCode(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(dataKey("ProbeCode"), QString()).toString();
}

QString readProbeNamePdf(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(dataKey("ProbeNamePDF"), QString()).toString();
}

void setReportExist(const QString& iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(ReportExistKey, true);
    ini.sync();
}

QString readFolderPath(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(FolderPathKey, QString()).toString();
}

bool readReportExist(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(ReportExistKey, false).toBool();
}

}  // namespace ReportRecord

namespace Breadcrumb {

void save(const QString& appDir, int checkpoint)
{
    QSettings ini(QStringLiteral("%1/debug.ini").arg(appDir), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Debug"));
    ini.setValue(QStringLiteral("DebugStage"), ((checkpoint % 256) + 256) % 256);
    ini.endGroup();
    ini.sync();
}

}  // namespace Breadcrumb
