// Feeds arbitrary bytes through the export decoding and parsing paths.
#include "report/exportreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString scratchFile()
{
    static QTemporaryDir dir;
    return dir.path() + QStringLiteral("/epatemp.txt");
}

void parse(const QString& text, const QString& folderName)
{
    ExportData d;
    d.sourceText = text;
    ExportReader::hasLanguageMarker(d.sourceText);
    ExportReader::splitLines(d);
    const ExportReader::Refusal r = ExportReader::readData(d, folderName, QStringLiteral("op"));
    if (r.problem == ExportReader::Problem::None) {
        if (d.rawValues.size() < ExportReader::MinDataRows)
            abort();
    } else {
        if (!d.rawValues.isEmpty() || r.line < 1)
            abort();
        ExportReader::problemMessage(r, QStringLiteral("f"), 0);
        ExportReader::problemMessage(r, QStringLiteral("f"), 1);
    }
    for (const QString& v : qAsConst(d.rawValues)) {
        if (v.isEmpty() || v.size() > ExportReader::ValueColumn + 1)
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_exportreader";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));

    // Through the file path: codec choice, byte order marks, CR LF folding.
    const QString path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
    }
    const QString text = ExportReader::readSource(path);
    parse(text, QString::fromLatin1(bytes.left(12)) + QStringLiteral(".D"));

    // Directly as Latin-1 text too, so columns and hyphen lines are easy to reach.
    parse(QString::fromLatin1(bytes), QStringLiteral("a.d"));
    return 0;
}
