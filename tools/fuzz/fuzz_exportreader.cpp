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
    int line = -1;
    const ExportReader::Problem p = ExportReader::readData(d, folderName, QStringLiteral("op"), &line);
    if (p == ExportReader::Problem::None) {
        if (d.rawValues.size() < ExportReader::MinDataRows)
            abort();
    } else {
        if (!d.rawValues.isEmpty() || line < 0)
            abort();
        ExportReader::problemMessage(p, QStringLiteral("f"), line, 0);
        ExportReader::problemMessage(p, QStringLiteral("f"), line, 1);
    }
    for (const QString& v : qAsConst(d.rawValues)) {
        if (v.isEmpty() || v.size() > ExportReader::ValueColumn + 1)
            abort();
    }
}

}  // namespace

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
