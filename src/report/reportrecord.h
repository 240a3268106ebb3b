#pragma once

#include <QString>

#include "report/filewrite.h"

// report.ini of a report folder. FolderPath and ReportExist are "General/..." keys (stored as
// "[%General]" by QSettings, as the folder scanner reads them); FolderName lives in Report,
// the rest in ReportData.
namespace ReportRecord {

// "<reportsDir>/<reportFolderName>/report.ini"
QString iniPath(const QString& reportsDir, const QString& reportFolderName);

// The report folder of the analysis folder <folderPath>/<folderName>: the folder name, or the
// name with "_1", "_2", ... appended, whichever first is free or already this analysis'.
// Several processes may choose at once (workstations sharing the application directory): a
// free name is taken with mkdir, which fails for all but one of them, and a folder is this
// analysis' only once its report.ini says so. That record is written aside and linked into
// place with General/FolderPath and Report/FolderName, so of two claims exactly one wins.
// A folder counts only under its exact name as listed on disk (a case-insensitive share
// finds "BL12.D" for "bl12.D"), and its record must give this folder path, and this folder
// name or none (records made before the name was kept). A plain file, another analysis'
// folder or another spelling is passed over. The reports folder is made when missing;
// *folder receives the name.
FileWrite::Result chooseFolder(const QString& reportsDir, const QString& folderName,
                               const QString& folderPath, QString* folder);

// The report folder that records this analysis folder, by the same rules, walking the same
// names up to the first where nothing exists; empty when there is none. Creates nothing.
QString findFolder(const QString& reportsDir, const QString& folderName, const QString& folderPath);

// Creates the record with General/FolderPath when the file does not exist yet.
FileWrite::Result writeFolderPathIfMissing(const QString& iniPath, const QString& folderPath);

// The produced report data: probe code, report folder name, and the Default/Print pairs of
// probe code, sample phrase and patient.
FileWrite::Result saveCalc(const QString& iniPath, const QString& probeCode,
                           const QString& reportFolderName, const QString& samplePhrase,
                           const QString& patient);

// ConclusionDefault and ConclusionPrint.
FileWrite::Result saveConclusion(const QString& iniPath, const QString& conclusion);

struct PrintValues
{
    QString probeName, probeId, patient, conclusion;
};

// The four keys ending in Print; empty texts where absent.
PrintValues readPrint(const QString& iniPath);
// The four keys ending in Default; empty texts where absent.
PrintValues readDefaults(const QString& iniPath);
// Only into an existing record: an editor must never create one.
FileWrite::Result writePrint(const QString& iniPath, const PrintValues& values);

QString readProbeCode(const QString& iniPath);
QString readProbeNamePdf(const QString& iniPath);
FileWrite::Result setReportExist(const QString& iniPath, bool exists = true);
QString readFolderPath(const QString& iniPath);
bool readReportExist(const QString& iniPath);

} // namespace ReportRecord

// debug.ini: how far the last report run got.
namespace Breadcrumb {

// Writes [Debug] DebugStage = checkpoint modulo 256 into "<appDir>/debug.ini".
void save(const QString& appDir, int checkpoint);

} // namespace Breadcrumb
