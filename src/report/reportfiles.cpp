#include "report/reportfiles.h"

#include "report/syscalls.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>

namespace ReportFiles {

QString premadePage(const QString& folder, const QString& probeCode)
{
    return QStringLiteral("%1/%2_report_premade.html").arg(folder, probeCode);
}

QString fullTablePage(const QString& folder, const QString& probeCode)
{
    return QStringLiteral("%1/%2_report_premade_debug.html").arg(folder, probeCode);
}

QString finalPage(const QString& folder, const QString& probeCode)
{
    return QStringLiteral("%1/%2_report.html").arg(folder, probeCode);
}

QString rawData(const QString& folder)
{
    return folder + QLatin1String("/RawData.txt");
}

QString chart(const QString& folder, const QString& probeCode, int typeImage)
{
    return QStringLiteral("%1/%2_img_%3.bmp").arg(folder, probeCode, QString::number(typeImage));
}

QString archivedVersion(const QString& folder, int version, const QDateTime& replacedAt)
{
    return QStringLiteral("%1/versions/v%2_%3.pdf")
        .arg(folder, QString::number(version),
             replacedAt.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString legacyPdfName(const QString& reportFolderName)
{
    return QString(reportFolderName + QLatin1String("_report.pdf"))
        .replace(QLatin1String(".D_"), QLatin1String("_"));
}

QString distinctPdfName(const QString& reportFolderName)
{
    return reportFolderName + QLatin1String("_report.pdf");
}

QString pdfName(const QSettings& record, const QString& reportFolderName)
{
    const QString name = record.value(QStringLiteral("Report/PdfName")).toString();
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')))
        return name;
    const QString legacy = record.value(QStringLiteral("ReportData/ProbeNamePDF")).toString();
    return legacyPdfName(legacy.isEmpty() || legacy.contains(QLatin1Char('/')) ? reportFolderName
                                                                               : legacy);
}

QString pdfPath(const QString& pdfDir, const QString& reportFolderName, const QString& iniPath)
{
    if (reportFolderName.isEmpty())
        return QString();
    return pdfDir + QLatin1Char('/') +
           pdfName(QSettings(iniPath, QSettings::IniFormat), reportFolderName);
}

namespace {

QString claimPath(const QString& reportsDir, const QString& pdfName)
{
    return reportsDir + QLatin1String("/.pdfnames/") + pdfName;
}

QString ownerOf(const QString& claim)
{
    QFile f(claim);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

} // namespace

FileWrite::Result claimPdfName(const QString& reportsDir, const QString& pdfDir,
                               const QString& reportFolderName, bool ownsLegacyPdf, QString* name)
{
    const QString legacy = legacyPdfName(reportFolderName);
    *name = distinctPdfName(reportFolderName);
    if (legacy == *name)
        return FileWrite::success(); // no ".D_" in it: nobody else can map to this name
    // A PDF under the legacy name that no claim covers was made before names were claimed:
    // it belongs to whichever folder finished it then, which only that folder's record knows.
    if (QFileInfo::exists(pdfDir + QLatin1Char('/') + legacy) && !ownsLegacyPdf &&
        !QFileInfo::exists(claimPath(reportsDir, legacy)))
        return FileWrite::success();
    const QString claims = reportsDir + QLatin1String("/.pdfnames");
    const FileWrite::Result dir = FileWrite::makePath(claims);
    if (!dir)
        return dir;
    const QString claim = claimPath(reportsDir, legacy);
    const int e = Sys::writeFile(claim, reportFolderName.toUtf8(), true);
    if (e == EEXIST) {
        if (ownerOf(claim) == reportFolderName)
            *name = legacy;
        return FileWrite::success();
    }
    if (e != 0) {
        QFile::remove(claim);
        return FileWrite::fromErrno(claim, e);
    }
    *name = legacy;
    return FileWrite::fromErrno(claims, Sys::syncDir(claims));
}

bool pdfComplete(const QByteArray& pdf)
{
    if (!pdf.startsWith("%PDF-"))
        return false;
    const QByteArray tail = pdf.right(1024);
    return tail.contains("startxref") && tail.trimmed().endsWith("%%EOF");
}

bool pdfFileComplete(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 16)
        return false;
    const QByteArray head = f.read(8);
    if (!f.seek(qMax<qint64>(0, f.size() - 1024)))
        return false;
    return pdfComplete(head + f.readAll());
}

} // namespace ReportFiles
