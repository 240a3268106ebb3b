#pragma once

#include <QString>

#include "report/filewrite.h"

class QSettings;

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

struct PrintValues
{
    QString probeName, probeId, patient, conclusion;
};

// The four keys ending in Print; empty texts where absent.
PrintValues readPrint(const QString& iniPath);
// The four keys ending in Default; empty texts where absent.
PrintValues readDefaults(const QString& iniPath);

QString readProbeCode(const QString& iniPath);
QString readProbeNamePdf(const QString& iniPath);
QString readFolderPath(const QString& iniPath);
bool readReportExist(const QString& iniPath);
// Of the Report group: the production whose report the folder holds (its transaction), the
// current version (1 where none is kept) and the hash the history must end with.
QString readProducedTx(const QString& iniPath);
int readVersion(const QString& iniPath);
QString readHistoryHead(const QString& iniPath);

// Edits of an open record; the report unit alone makes them, on the record it stages.
// The produced data: probe code, report folder name, and the Default/Print pairs of probe
// code, sample phrase and patient.
void putCalculation(QSettings& ini, const QString& probeCode, const QString& reportFolderName,
                    const QString& samplePhrase, const QString& patient);
// ConclusionDefault and ConclusionPrint.
void putConclusion(QSettings& ini, const QString& conclusion);
// The four keys ending in Print.
void putPrint(QSettings& ini, const PrintValues& values);
void putReportExist(QSettings& ini, bool exists = true);

} // namespace ReportRecord

// debug.ini: how far the last report run got.
namespace Breadcrumb {

// Writes [Debug] DebugStage = checkpoint modulo 256 into "<appDir>/debug.ini".
void save(const QString& appDir, int checkpoint);

} // namespace Breadcrumb
