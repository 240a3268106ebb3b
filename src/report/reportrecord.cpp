#include "reportrecord.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
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

FileWrite::Result chooseFolder(const QString& reportsDir, const QString& folderName,
                               const QString& folderPath, QString* folder)
{
    QString candidate = folderName;
    for (qint64 counter = 1;; ++counter) {
        const QString dir = QStringLiteral("%1/%2").arg(reportsDir, candidate);
        const QFileInfo info(dir);
        if (!info.exists()) {
            *folder = candidate;
            return FileWrite::makePath(dir);
        }
        if (info.isDir()) {
            const QString ini = iniPath(reportsDir, candidate);
            if (!QFileInfo::exists(ini) || readFolderPath(ini) == folderPath) {
                *folder = candidate;
                return FileWrite::success();
            }
        }
        candidate = QStringLiteral("%1_%2").arg(folderName, QString::number(counter));
    }
}

QString findFolder(const QString& reportsDir, const QString& folderName, const QString& folderPath)
{
    QString candidate = folderName;
    for (qint64 counter = 1;; ++counter) {
        const QString dir = QStringLiteral("%1/%2").arg(reportsDir, candidate);
        if (!QFileInfo(dir).isDir())
            return QString();
        const QString ini = iniPath(reportsDir, candidate);
        if (QFileInfo::exists(ini) && readFolderPath(ini) == folderPath)
            return candidate;
        candidate = QStringLiteral("%1_%2").arg(folderName, QString::number(counter));
    }
}

FileWrite::Result writeFolderPathIfMissing(const QString& iniPath, const QString& folderPath)
{
    if (QFileInfo::exists(iniPath))
        return FileWrite::success();
    return FileWrite::ini(iniPath, [&](QSettings& ini) { ini.setValue(FolderPathKey, folderPath); });
}

FileWrite::Result saveCalc(const QString& iniPath, const QString& probeCode,
                           const QString& reportFolderName, const QString& samplePhrase,
                           const QString& patient)
{
    return FileWrite::ini(iniPath, [&](QSettings& ini) {
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
    }, FileWrite::IniMode::UpdateExisting);
}

FileWrite::Result saveConclusion(const QString& iniPath, const QString& conclusion)
{
    return FileWrite::ini(iniPath, [&](QSettings& ini) {
        ini.setValue(dataKey("ConclusionDefault"), conclusion);
        ini.setValue(dataKey("ConclusionPrint"), conclusion);
    }, FileWrite::IniMode::UpdateExisting);
}

PrintValues readPrint(const QString& iniPath)
{
    return readPair(iniPath, "Print");
}

PrintValues readDefaults(const QString& iniPath)
{
    return readPair(iniPath, "Default");
}

FileWrite::Result writePrint(const QString& iniPath, const PrintValues& values)
{
    return FileWrite::ini(
        iniPath,
        [&](QSettings& ini) {
            ini.setValue(dataKey("ProbeNamePrint"), values.probeName);
            ini.setValue(dataKey("ProbeIDPrint"), values.probeId);
            ini.setValue(dataKey("PatientPrint"), values.patient);
            ini.setValue(dataKey("ConclusionPrint"), values.conclusion);
        },
        FileWrite::IniMode::UpdateExisting);
}

QString readProbeCode(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(dataKey("ProbeCode"), QString()).toString();
}

QString readProbeNamePdf(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(dataKey("ProbeNamePDF"), QString()).toString();
}

FileWrite::Result setReportExist(const QString& iniPath, bool exists)
{
    return FileWrite::ini(iniPath, [exists](QSettings& ini) { ini.setValue(ReportExistKey, exists); },
                          FileWrite::IniMode::UpdateExisting);
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
    // A trace that nothing reads: written whole each time (so a damaged file is simply
    // replaced), without a sync, and never a reason to stop.
    const QString path = appDir + QLatin1String("/debug.ini");
    const QString temp = FileWrite::tempPathBeside(path);
    QFile file(temp);
    const QByteArray text = "[Debug]\nDebugStage=" + QByteArray::number(((checkpoint % 256) + 256) % 256) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        file.remove();
        return;
    }
    file.close();
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
        QFile::remove(temp);
}

}  // namespace Breadcrumb
