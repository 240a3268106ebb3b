#include "reportfolder.h"

#include <QFile>
#include <QSettings>

#include "report/filewrite.h"
#include "report/reportfiles.h"
#include "report/reportrecord.h"

QString ReportFolder::write() const
{
    const QString folder = reportsDir + QLatin1Char('/') + name;
    const QString ini = ReportRecord::iniPath(reportsDir, name);
    const bool ok =
        FileWrite::makePath(folder) &&
        FileWrite::ini(ini,
                       [&](QSettings& s) {
                           s.setValue(QStringLiteral("General/FolderPath"), analysisPath);
                           ReportRecord::putCalculation(s, code, name, samplePhrase, patient);
                           ReportRecord::putConclusion(s, conclusion);
                           ReportRecord::putReportExist(s);
                       }) &&
        (premade.isEmpty() ||
         FileWrite::text(folder + '/' + code + "_report_premade.html", premade)) &&
        FileWrite::text(folder + '/' + code + "_report.html", finalPage) &&
        (!pdf ||
         (FileWrite::makePath(reportsDir + "/../reportsPDF") &&
          FileWrite::bytes(reportsDir + "/../reportsPDF/" + ReportFiles::legacyPdfName(name),
                           "%PDF-1.4\n% test\nstartxref\n0\n%%EOF\n")));
    return ok ? folder : QString();
}

QString readUtf8(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(f.readAll()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
