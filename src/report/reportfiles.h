#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "report/filewrite.h"

class QSettings;

// Where the files of one report live, and the rules for its PDF's name.
//
// A report's PDF is named "<report folder>_report.pdf" with every ".D_" replaced by "_", as it
// always was, when that name is free or already belongs to the report. Two report folders can
// map to one such name ("X.D_1" and "X_1.D"); the second then gets "<report folder>_report.pdf"
// unchanged, which no other folder can have. The name is recorded in report.ini and claimed
// under "reports/.pdfnames/" with a file that holds the report folder's name, created
// exclusively, so that two workstations never take the same name.
namespace ReportFiles {

QString premadePage(const QString& folder, const QString& probeCode);
QString fullTablePage(const QString& folder, const QString& probeCode);
QString finalPage(const QString& folder, const QString& probeCode);
QString rawData(const QString& folder);
// "<folder>/<probe code>_img_<type>.bmp"
QString chart(const QString& folder, const QString& probeCode, int typeImage);

// "<folder>/versions/v<version>_<yyyyMMdd-HHmmss>.pdf": a released PDF that a later version
// replaced, named by its version and the time it was replaced.
QString archivedVersion(const QString& folder, int version, const QDateTime& replacedAt);

// The name the PDF of a report folder had before names were recorded.
QString legacyPdfName(const QString& reportFolderName);
// The name used when the legacy name belongs to another report.
QString distinctPdfName(const QString& reportFolderName);

// The one place that says where a report's PDF is: the name recorded in report.ini, or for a
// record made before names were recorded, the legacy name of its ProbeNamePDF (the report
// folder's name when that is missing too). Empty when no report folder is given.
QString pdfPath(const QString& pdfDir, const QString& reportFolderName, const QString& iniPath);
// The file name part of that, from an open record.
QString pdfName(const QSettings& record, const QString& reportFolderName);

// Chooses and claims the PDF name of a report folder that has none recorded yet.
// ownsLegacyPdf: the folder's record says it finished a report under the legacy name before
// names were recorded, so a PDF found under that name is its own.
FileWrite::Result claimPdfName(const QString& reportsDir, const QString& pdfDir,
                               const QString& reportFolderName, bool ownsLegacyPdf, QString* name);

// A PDF counts only when whole: its header, a cross-reference pointer and the end-of-file
// marker are there.
bool pdfComplete(const QByteArray& pdf);
// The same for a file, reading only its first and last bytes.
bool pdfFileComplete(const QString& path);

} // namespace ReportFiles
