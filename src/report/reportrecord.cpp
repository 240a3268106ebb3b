#include "reportrecord.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <QSettings>

#include "report/rawfile.h"
#include "report/syscalls.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace ReportRecord {

namespace {

// Keys of the [General] group; QSettings stores that group as "[%General]".
const QString FolderPathKey = QStringLiteral("General/FolderPath");
const QString ReportExistKey = QStringLiteral("General/ReportExist");
const QString DataGroup = QStringLiteral("ReportData");

const QString FolderNameKey = QStringLiteral("Report/FolderName");

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

// Whether the listing of `dir` holds a folder named exactly `name`. A case-insensitive share
// finds "BL12.D" when asked for "bl12.D"; only the listing gives the name as it is on disk.
bool listedAsFolder(const QString& dir, const QString& name)
{
    DIR* d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return false;
    const QByteArray wanted = QFile::encodeName(name);
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        if (wanted != e->d_name)
            continue;
        struct stat st;
        found = e->d_type == DT_DIR ||
                (e->d_type == DT_UNKNOWN &&
                 ::lstat(QFile::encodeName(dir % QLatin1Char('/') % name).constData(), &st) == 0 &&
                 S_ISDIR(st.st_mode));
        break;
    }
    ::closedir(d);
    return found;
}

// A folder (not a file, nor another spelling of the name, nor a link) that may hold a report.
bool isReportFolder(const QString& reportsDir, const QString& name)
{
    return QFileInfo(reportsDir % QLatin1Char('/') % name).isDir() &&
           listedAsFolder(reportsDir, name);
}

// Records made before FolderName was kept have only FolderPath.
bool recordsAnalysis(const QString& ini, const QString& folderPath, const QString& folderName)
{
    if (!QFileInfo(ini).isFile())
        return false;
    QSettings record(ini, QSettings::IniFormat);
    const QVariant name = record.value(FolderNameKey);
    return record.value(FolderPathKey, QString()).toString() == folderPath &&
           (!name.isValid() || name.toString() == folderName);
}

// Makes report.ini of `dir` record this analysis unless it exists: written aside, synced, and
// linked into place, so that of two processes exactly one claims the folder. *mine says
// whether the record (ours or found) is this analysis'.
FileWrite::Result claimRecord(const QString& dir, const QString& folderPath,
                              const QString& folderName, bool* mine)
{
    const QString ini = dir + QLatin1String("/report.ini");
    *mine = false;
    if (QFileInfo::exists(ini)) {
        *mine = recordsAnalysis(ini, folderPath, folderName);
        return FileWrite::success();
    }
    const QString temp = FileWrite::tempPathBeside(ini);
    {
        QSettings record(temp, QSettings::IniFormat);
        record.setValue(FolderPathKey, folderPath);
        record.setValue(FolderNameKey, folderName);
        record.sync();
        if (record.status() != QSettings::NoError) {
            QFile::remove(temp);
            // QSettings does not say why; a file of our own does.
            const FileWrite::Result probe = RawFile::createExclusive(temp, "0", true);
            QFile::remove(temp);
            return probe ? FileWrite::fromErrno(ini, EIO) : probe;
        }
    }
    const FileWrite::Result linked = RawFile::linkInPlace(temp, ini, true);
    if (linked || linked.error == EEXIST) {
        *mine = recordsAnalysis(ini, folderPath, folderName);
        return FileWrite::success();
    }
    return linked;
}

} // namespace

QString iniPath(const QString& reportsDir, const QString& reportFolderName)
{
    return QStringLiteral("%1/%2/report.ini").arg(reportsDir, reportFolderName);
}

FileWrite::Result chooseFolder(const QString& reportsDir, const QString& folderName,
                               const QString& folderPath, QString* folder)
{
    const FileWrite::Result reports = FileWrite::makePath(reportsDir);
    if (!reports)
        return reports;
    QString candidate = folderName;
    int raced = 0;
    for (qint64 counter = 1;;) {
        const QString dir = reportsDir % QLatin1Char('/') % candidate;
        const QByteArray native = QFile::encodeName(dir);
        struct stat st;
        bool mine = false;
        if (::lstat(native.constData(), &st) != 0) {
            if (errno != ENOENT)
                return FileWrite::fromErrno(dir, errno);
            // mkdir, not mkpath: "exists" means that another process has just made it, and
            // whose it is must be looked at again.
            const int made = Sys::mkdir(dir);
            if (made == 0) {
                const FileWrite::Result claimed = claimRecord(dir, folderPath, folderName, &mine);
                if (!claimed)
                    return claimed;
            } else if (made != EEXIST) {
                return FileWrite::fromErrno(dir, made);
            } else if (++raced < 3) {
                continue;
            }
        } else if (isReportFolder(reportsDir, candidate)) {
            const FileWrite::Result claimed = claimRecord(dir, folderPath, folderName, &mine);
            if (!claimed)
                return claimed;
        }
        if (mine) {
            *folder = candidate;
            return FileWrite::success();
        }
        candidate = QStringLiteral("%1_%2").arg(folderName, QString::number(counter++));
        raced = 0;
    }
}

QString findFolder(const QString& reportsDir, const QString& folderName, const QString& folderPath)
{
    QString candidate = folderName;
    for (qint64 counter = 1;; ++counter) {
        const QString dir = reportsDir % QLatin1Char('/') % candidate;
        struct stat st;
        if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
            return QString();
        if (isReportFolder(reportsDir, candidate) &&
            recordsAnalysis(dir + QLatin1String("/report.ini"), folderPath, folderName))
            return candidate;
        candidate = QStringLiteral("%1_%2").arg(folderName, QString::number(counter));
    }
}

void putCalculation(QSettings& ini, const QString& probeCode, const QString& reportFolderName,
                    const QString& samplePhrase, const QString& patient)
{
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
}

void putConclusion(QSettings& ini, const QString& conclusion)
{
    ini.setValue(dataKey("ConclusionDefault"), conclusion);
    ini.setValue(dataKey("ConclusionPrint"), conclusion);
}

void putPrint(QSettings& ini, const PrintValues& values)
{
    ini.setValue(dataKey("ProbeNamePrint"), values.probeName);
    ini.setValue(dataKey("ProbeIDPrint"), values.probeId);
    ini.setValue(dataKey("PatientPrint"), values.patient);
    ini.setValue(dataKey("ConclusionPrint"), values.conclusion);
}

void putReportExist(QSettings& ini, bool exists)
{
    ini.setValue(ReportExistKey, exists);
}

PrintValues readPrint(const QString& iniPath)
{
    return readPair(iniPath, "Print");
}

PrintValues readDefaults(const QString& iniPath)
{
    return readPair(iniPath, "Default");
}

QString readProbeCode(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat)
        .value(dataKey("ProbeCode"), QString())
        .toString();
}

QString readProbeNamePdf(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat)
        .value(dataKey("ProbeNamePDF"), QString())
        .toString();
}

QString readFolderPath(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(FolderPathKey, QString()).toString();
}

bool readReportExist(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat).value(ReportExistKey, false).toBool();
}

QString readProducedTx(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat)
        .value(QStringLiteral("Report/Produced"))
        .toString();
}

int readVersion(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat)
        .value(QStringLiteral("Report/Version"), 1)
        .toInt();
}

QString readHistoryHead(const QString& iniPath)
{
    return QSettings(iniPath, QSettings::IniFormat)
        .value(QStringLiteral("Report/HistoryHead"))
        .toString();
}

} // namespace ReportRecord

namespace Breadcrumb {

void save(const QString& appDir, int checkpoint)
{
    // A trace that nothing reads: written whole each time (so a damaged file is simply
    // replaced), without a sync, and never a reason to stop.
    const QString path = appDir + QLatin1String("/debug.ini");
    const QString temp = FileWrite::tempPathBeside(path);
    QFile file(temp);
    const QByteArray text =
        "[Debug]\nDebugStage=" + QByteArray::number(((checkpoint % 256) + 256) % 256) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        file.remove();
        return;
    }
    file.close();
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
        QFile::remove(temp);
}

} // namespace Breadcrumb
