#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// One marker as the report prints it. row is the marker's index in the marker table, the same
// in both languages, so it names the marker to a laboratory information system (LIS).
struct LisMarker
{
    int row = 0;
    QString name;
    QString result;    // as printed ("10000000+", "1e+06", ...)
    QString reference; // as printed
    bool highlighted = false;
};

// Everything a released version of a report tells the LIS.
struct LisReport
{
    QString reportFolder;                             // report folder name, for the messages window
    QString analysisCode;                             // as printed
    QString patient;                                  // as printed
    QString sampleCode;                               // two-letter material code ("BL")
    QString sampleName;                               // material name in the report's language
    QString analysisDay, analysisMonth, analysisYear; // from the export
    QDateTime reportTime;                             // when this version was released
    int version = 1;                                  // 1: first release; above 1: a correction
    QVector<LisMarker> markers; // in the report's display order, without the sum row
    QString conclusion;         // as printed, line breaks as "\n"
    unsigned char language = 0; // the report's language: 0 English, 1 Russian
    QByteArray pdf;             // the report's PDF
};

#include "report/filewrite.h"
#include "report/markerrow.h"

// The results file of a report folder ("results.tsv", written with the report): one line per
// marker in display order, "row<TAB>name<TAB>result<TAB>reference<TAB>0|1", the texts as the
// report prints them. A later version of the report reads its results from here.
namespace LisReports {

QString resultsPath(const QString& reportFolder);
// The 57 markers of a table as its report prints and marks them (the feces report marks none).
QVector<LisMarker> printedMarkers(const MarkerTable& table, unsigned char typeCode);
QByteArray resultsFile(const QVector<LisMarker>& markers);

// What the current version of a report tells the LIS: its record, its results file and its
// PDF. False with the reason when one of them cannot be read; a report made before results
// were kept has none, which is told apart by *noResults.
bool fromReportFolder(const QString& reportFolder, const QString& pdfPath, LisReport* report,
                      FileWrite::Result* error, bool* noResults);

} // namespace LisReports
