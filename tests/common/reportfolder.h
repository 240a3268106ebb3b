#pragma once

#include <QString>

// A report folder as production leaves it, written through production's own record writer:
// report.ini with [General] FolderPath and ReportExist and the ReportData pairs, the premade
// page, the final page and the PDF under the name a report made before names were recorded has.
// Returns the folder's path; empty when something could not be written.
struct ReportFolder
{
    QString reportsDir;
    QString name;         // folder name under reportsDir
    QString code;         // probe code, which names the pages
    QString analysisPath; // FolderPath
    QString premade;      // premade page text; empty: no premade page
    QString finalPage = QStringLiteral("ORIGINAL PAGE");
    QString samplePhrase = QString::fromUtf8("в крови");
    QString patient = QString::fromUtf8("Иванов И.И.");
    QString conclusion = QStringLiteral("first line<br>second line");
    bool pdf = true; // a finished report has its PDF; a small complete one stands for it

    QString write() const;
};

// The file's bytes decoded as UTF-8 with CR LF read as LF; "<unreadable>" when it cannot be read.
QString readUtf8(const QString& path);
