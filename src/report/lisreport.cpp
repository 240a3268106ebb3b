#include "report/lisreport.h"

#include "catalogue/sampletypes.h"
#include "report/reporthtml.h"
#include "report/reportrecord.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

namespace LisReports {

namespace {

// The report's material in its language without the code in brackets: "Blood", "Кровь".
QString materialName(unsigned char typeCode, unsigned char lang)
{
    QString name = SampleTypes::name(typeCode, lang);
    const int bracket = name.lastIndexOf(QLatin1String(" ("));
    return bracket > 0 ? name.left(bracket) : name;
}

bool readAll(const QString& path, QByteArray* bytes, FileWrite::Result* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = FileWrite::failure(path, f.errorString());
        error->reading = true;
        return false;
    }
    *bytes = f.readAll();
    return true;
}

QString field(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QString resultsPath(const QString& reportFolder)
{
    return reportFolder + QLatin1String("/results.tsv");
}

QVector<LisMarker> printedMarkers(const MarkerTable& table, unsigned char typeCode)
{
    QVector<LisMarker> markers;
    for (int p = 0; p < DeviceMarkerCount; ++p) {
        const int row = displayOrder().at(p);
        if (row >= table.size())
            continue;
        const MarkerRow& m = table.at(row);
        markers.append({row, m.name, ReportHtml::resultText(m.result),
                        ReportHtml::formatNumber(m.norm),
                        m.highlighted && typeCode != ReportHtml::FecesTypeCode});
    }
    return markers;
}

QByteArray resultsFile(const QVector<LisMarker>& markers)
{
    QStringList lines;
    for (const LisMarker& m : markers)
        lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                     .arg(QString::number(m.row), field(m.name), field(m.result),
                          field(m.reference),
                          m.highlighted ? QStringLiteral("1") : QStringLiteral("0"));
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

bool fromReportFolder(const QString& reportFolder, const QString& pdfPath, LisReport* report,
                      FileWrite::Result* error, bool* noResults)
{
    *noResults = !QFile::exists(resultsPath(reportFolder));
    if (*noResults)
        return false;
    QByteArray results;
    if (!readAll(resultsPath(reportFolder), &results, error) ||
        !readAll(pdfPath, &report->pdf, error))
        return false;
    for (const QByteArray& line : results.split('\n')) {
        const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
        if (f.size() == 5)
            report->markers.append({f[0].toInt(), f[1], f[2], f[3], f[4] == QLatin1String("1")});
    }
    const QString ini = reportFolder + QLatin1String("/report.ini");
    const ReportRecord::PrintValues print = ReportRecord::readPrint(ini);
    const QSettings record(ini, QSettings::IniFormat);
    const unsigned char typeCode =
        static_cast<unsigned char>(record.value(QStringLiteral("Report/TypeCode")).toUInt());
    report->language =
        static_cast<unsigned char>(record.value(QStringLiteral("Report/Language")).toUInt());
    report->reportFolder = reportFolder.section(QLatin1Char('/'), -1);
    report->analysisCode = print.probeId;
    report->patient = print.patient;
    report->conclusion =
        QString(print.conclusion).replace(QLatin1String("<br>"), QLatin1String("\n"));
    report->sampleCode =
        typeCode < SampleTypes::Count ? SampleTypes::table().at(typeCode).code : QString();
    report->sampleName = materialName(typeCode, report->language);
    const QStringList date =
        record.value(QStringLiteral("Report/AnalysisDate")).toString().split(QLatin1Char('.'));
    report->analysisDay = date.value(0);
    report->analysisMonth = date.value(1);
    report->analysisYear = date.value(2);
    report->reportTime = record.value(QStringLiteral("Report/Released")).toDateTime();
    report->version = qMax(1, record.value(QStringLiteral("Report/Version"), 1).toInt());
    return true;
}

} // namespace LisReports
