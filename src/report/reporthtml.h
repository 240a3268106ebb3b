#pragma once

#include "report/markerrow.h"

#include <QString>

// Report pages are made from HTML templates by substituting "$" placeholders. These are
// pure text functions; the callers read and write the files and report.ini.
namespace ReportHtml {

// Template text decoded as UTF-8, cut at the first NUL byte; empty when unreadable.
QString readTemplate(const QString& path);

// C's "%g": 6 significant digits, exponent form outside 1e-5 .. 1e6.
QString formatNumber(double v);

// A result as the report prints it: "10000000+" for exactly 10000000 (the device's ceiling),
// otherwise formatNumber().
QString resultText(double result);

// "&", "<", ">", double and single quotes and "$" as entities.
QString escape(const QString& text);

// "%1/Shablon_type_%2_eng.html" for language 0, "_rus" otherwise.
QString templatePath(const QString& docsDir, int templateType, unsigned char language);
// "%1/Shablon_type_%2.html"
QString fullTableTemplatePath(const QString& docsDir, int templateType);

struct PremadeParams
{
    QString operatorName, day, month, year, probeCode;
    int templateType = 1;
    unsigned char typeCode = 0; // calculation type code; 18 is feces
    unsigned char language = 0;
};

constexpr unsigned char FecesTypeCode = 18;

// Premade report: rows in display order, operator line, chart names, colours. Evaluates the
// highlight rule for rows shown at positions 0..56 and sets their highlighted field.
// Identity placeholders are left for fillIdentity().
QString fillPremade(QString page, MarkerTable& table, const PremadeParams& params);

// Full-table report: the same filling with rows in table order 0..57, "$Image0" kept and
// only "$Image1" filled (template type 3).
QString fillFullTable(QString page, MarkerTable& table, const PremadeParams& params);

// Conclusion text as stored in report.ini (not escaped): names of highlighted rows 0..56 in
// row order, or the feces note for type code 18; line feeds become "<br>".
QString conclusion(const MarkerTable& table, unsigned char typeCode, unsigned char language);

struct IdentityValues
{
    QString probeName, probeId, patient, conclusion;
    // The line that marks an amended report; empty for the first version.
    QString amendment;
};

// Final report: fills "$TypeProbe", "$ProbeID", "$PatientID", "$Conclusion" and "$Amendment" in a
// single pass over the premade text, so a value that contains placeholder text is never substituted
// again. Values are HTML-escaped; "<br>" in the conclusion stays a line break.
QString fillIdentity(const QString& premade, const IdentityValues& values);

} // namespace ReportHtml
