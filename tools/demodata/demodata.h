#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

// Builds demo data directories: analysis folders ("*.D") holding quantitation
// exports "epatemp.txt" in code page 1251, shaped like the chromatography export.
namespace DemoData {

enum class Language { English, Russian };

struct ExportContent
{
    Language language = Language::English;
    QDate date = QDate(2019, 3, 7);
    QString patient = QStringLiteral("Ivanov D.A.");
    QString dataFile = QStringLiteral("SAMPLE.D"); // shown in the header only
    QString title;                                 // line 1; empty: the language's report title
    QVector<qint64> values;                        // one data row each, written as given
    QStringList extraRows;                         // written verbatim after the closing line

    ExportContent(); // 70 values from a fixed seed
};

constexpr int DataFirstLine = 21;  // 1-based line of the first data row
constexpr int ValueEndColumn = 54; // 0-based column of a value's last character
constexpr int StandardValueCount = 70;

// A content with deterministic values for seed; other fields default.
ExportContent makeContent(Language language, quint32 seed, const QString& patient = QString());

// The export text encoded in cp1251, lines ending CR LF. Line 1 title, line 5 date
// ("... : 07 MAR 2019 10:15"), line 7 "Patient name : <patient>", data rows from line 21
// with each value ending at column 54, then a line of hyphens and the extra rows.
QByteArray makeExport(const ExportContent& content);

// Creates parentDir/folderName and its epatemp.txt.
bool writeAnalysis(const QString& parentDir, const QString& folderName,
                   const ExportContent& content);

// Writes reportsDir/reportFolder/report.ini with General/FolderPath and General/ReportExist.
bool writeReportRecord(const QString& reportsDir, const QString& reportFolder,
                       const QString& folderPath, bool reportExist);

// A small realistic data directory: folders of many sample types in both languages,
// shallow and nested in plain sub-folders, folders without export, an unreadable
// export (mode 000, and one whose epatemp.txt is a directory), a non-quantitation
// export, lower-case ".d" folders, an analysis folder inside another, a hidden folder.
bool makeDemoTree(const QString& root);

// count analysis folders for benchmarks; nested spreads them over year/month
// sub-folders. With reportsDir, every second folder gets a report record there.
bool makeLargeTree(const QString& root, int count, bool nested,
                   const QString& reportsDir = QString());

} // namespace DemoData
