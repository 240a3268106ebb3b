#pragma once

#include <QString>
#include <QStringList>

// The parsed quantitation export of one analysis.
struct ExportData
{
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

// The device takes each raw value as eight hexadecimal digits.
constexpr qint64 MaxRawValue = 0xFFFFFFFFLL;

enum class Problem { None, TooFewRows, ShortRow, NoTableEnd, ValueOutOfRange };

// Why an export cannot be sent: the problem, the 1-based line it concerns (the short row,
// the closing line of a too short table, the last line of a file without one, the row of
// a value out of range) and, for a value out of range, that value.
struct Refusal
{
    Problem problem = Problem::None;
    int line = 0;
    QString value;
};

// True unless the text is a decimal number outside 0..MaxRawValue; text that is no
// number at all is sent as 0.
bool fitsDevice(const QString& value);

// Fills operator, probe code, date, patient and raw values from the split lines. On a
// refusal the raw value list is left empty.
Refusal readData(ExportData& d, const QString& folderName, const QString& currentOperator);

// User-facing explanation, English for language 0, Russian otherwise; empty for None.
// It names the analysis folder first and ends with the file's path on a line of its own.
QString problemMessage(const Refusal& r, const QString& filePath, unsigned char language);

} // namespace ExportReader
