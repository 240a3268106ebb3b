#pragma once

#include <QString>
#include <QStringList>

// The parsed quantitation export of one analysis.
struct ExportData {
    QString sourceText;
    QStringList sourceLines, trimmedLines, rawValues;
    QString probeCode, day, month, year, patient, reportOperator;
};

namespace ExportReader {

// Exports are a few kilobytes; anything beyond this is not read at all, so a huge or
// binary file cannot exhaust memory.
constexpr qint64 MaxSourceBytes = 16 * 1024 * 1024;
// The device takes values 0..69, so fewer rows cannot be sent.
constexpr int MinDataRows = 70;
// A data row's value ends at this character column (counted from 0).
constexpr int ValueColumn = 54;
// 0-based index of the first data row (line 21 of the file).
constexpr int FirstDataLine = 20;

// Whole export decoded as code page 1251 unless a UTF-8/UTF-16/UTF-32 byte order mark says
// otherwise; CR LF arrives as LF. At most MaxSourceBytes are read. Empty when the file
// cannot be opened.
QString readSource(const QString& path);

// True when the first word of the first line is "Quantitation" or "Количественный".
bool hasLanguageMarker(const QString& source);

// Fills sourceLines (split at LF) and trimmedLines (simplified, followed by CR LF).
void splitLines(ExportData& d);

enum class Problem { None, TooFewRows, ShortRow, NoTableEnd };

// Fills operator, probe code, date, patient and raw values from the split lines.
// On a problem the raw value list is left empty and *problemLine (1-based) names the
// offending line: the short row, the closing line of a too short table, or the last line
// of a file without a closing line.
Problem readData(ExportData& d, const QString& folderName, const QString& currentOperator,
                 int* problemLine = nullptr);

// User-facing explanation, English for language 0, Russian otherwise; empty for None.
QString problemMessage(Problem p, const QString& filePath, int line, unsigned char language);

}  // namespace ExportReader
