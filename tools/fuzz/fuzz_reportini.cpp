// report.ini as the report editor reads it, and the editor's Apply written back into it.
//
// Input: the file's bytes, then optionally a NUL and the four values Apply stores (analysis
// name, analysis code, patient, conclusion as UTF-8), separated by NULs. A value not given
// is stored as it was read, as Apply does with a field the user left alone.
//
// Held: no reader fails hard on any file; a file the editor accepts takes the values and
// gives them back exactly, keeps every other key, and stays readable.
#include "fuzz_common.h"
#include "report/filewrite.h"
#include "report/reportrecord.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

using Fuzz::require;

namespace {

struct Snapshot
{
    ReportRecord::PrintValues printed, defaults;
    QString probeCode, pdfName, folderPath;
    bool reportExist = false;
};

Snapshot read(const QString& path)
{
    Snapshot s;
    s.printed = ReportRecord::readPrint(path);
    s.defaults = ReportRecord::readDefaults(path);
    s.probeCode = ReportRecord::readProbeCode(path);
    s.pdfName = ReportRecord::readProbeNamePdf(path);
    s.folderPath = ReportRecord::readFolderPath(path);
    s.reportExist = ReportRecord::readReportExist(path);
    return s;
}

bool same(const ReportRecord::PrintValues& a, const ReportRecord::PrintValues& b)
{
    return a.probeName == b.probeName && a.probeId == b.probeId && a.patient == b.patient &&
           a.conclusion == b.conclusion;
}

QString describe(const ReportRecord::PrintValues& v)
{
    return QStringList{v.probeName, v.probeId, v.patient, v.conclusion}.join(QLatin1String(" | "));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApp();
    static QTemporaryDir dir;
    static int serial = 0;
    // A new name each time: QSettings keeps what it parsed of a path and would not see a file
    // rewritten within the same instant with the same size.
    const QString path = dir.path() + QStringLiteral("/report-%1.ini").arg(++serial);

    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    const int nul = input.indexOf('\0');
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly), "cannot write the scratch file");
        file.write(nul < 0 ? input : input.left(nul));
    }

    const FileWrite::Result readable = FileWrite::checkIniReadable(path, true);
    const Snapshot before = read(path);
    if (readable) {
        ReportRecord::PrintValues values = before.printed;
        const QList<QByteArray> given =
            nul < 0 ? QList<QByteArray>() : input.mid(nul + 1).split('\0');
        QString* fields[] = {&values.probeName, &values.probeId, &values.patient,
                             &values.conclusion};
        for (int i = 0; i < 4 && i < given.size(); ++i)
            *fields[i] = QString::fromUtf8(given.at(i));

        const FileWrite::Result stored = FileWrite::ini(
            path, [&](QSettings& ini) { ReportRecord::putPrint(ini, values); },
            FileWrite::IniMode::UpdateExisting);
        require(stored.ok, "a record the editor accepts refused Apply", stored.reason);
        require(FileWrite::checkIniReadable(path, true).ok,
                "Apply left a record that cannot be read");
        const Snapshot after = read(path);
        require(same(after.printed, values), "values changed on their way through report.ini",
                describe(values) + QLatin1String(" => ") + describe(after.printed));
        require(same(after.defaults, before.defaults) && after.probeCode == before.probeCode &&
                    after.pdfName == before.pdfName && after.folderPath == before.folderPath &&
                    after.reportExist == before.reportExist,
                "Apply changed a key it does not own");
    }
    QFile::remove(path);
    return 0;
}
