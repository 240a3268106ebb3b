#include "exportreader.h"

#include <QFile>
#include <QTextCodec>

namespace ExportReader {

namespace {

const QLatin1String TableEnd("-------");

QStringList simplifiedWords(const QString& line)
{
    return line.simplified().split(QLatin1Char(' '));
}

// The run of non-blank characters ending at the value column. Only the space counts as a
// blank; the walk stops at the start of the line when there is none.
QString valueAtColumn(const QString& line)
{
    const QChar blank(QLatin1Char(' '));
    if (line.at(ValueColumn) == blank)
        return QStringLiteral("0");
    int start = ValueColumn;
    while (start > 0 && line.at(start - 1) != blank)
        --start;
    return line.mid(start, ValueColumn - start + 1);
}

QString monthNumber(const QString& month)
{
    static const char* const names[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString lower = month.toLower();
    for (int m = 0; m < 12; ++m) {
        if (lower == QLatin1String(names[m]))
            return QStringLiteral("%1").arg(m + 1, 2, 10, QLatin1Char('0'));
    }
    return month;
}

}  // namespace

QString readSource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Read in chunks: asking for the whole cap at once would reserve it for every file.
    QByteArray bytes;
    while (bytes.size() < MaxSourceBytes) {
        const QByteArray chunk = file.read(qMin<qint64>(64 * 1024, MaxSourceBytes - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    file.close();

    QTextCodec* fallback = QTextCodec::codecForName("cp1251");
    if (!fallback)
        fallback = QTextCodec::codecForName("windows-1251");
    QTextCodec* codec = fallback ? QTextCodec::codecForUtfText(bytes, fallback)
                                 : QTextCodec::codecForUtfText(bytes);
    QString text = codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
    // A byte order mark the codec kept is not part of the text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

bool hasLanguageMarker(const QString& source)
{
    const int eol = source.indexOf(QLatin1Char('\n'));
    const QString first = eol < 0 ? source : source.left(eol);
    const QString word = simplifiedWords(first).constFirst();
    return word == QLatin1String("Quantitation")
        || word == QString::fromUtf8("Количественный");
}

void splitLines(ExportData& d)
{
    d.sourceLines = d.sourceText.split(QLatin1Char('\n'));
    d.trimmedLines.clear();
    d.trimmedLines.reserve(d.sourceLines.size());
    // Empty lines share one string instead of allocating a copy each.
    const QString crlf = QStringLiteral("\r\n");
    for (const QString& line : qAsConst(d.sourceLines)) {
        const QString s = line.simplified();
        d.trimmedLines.append(s.isEmpty() ? crlf : QString(s + crlf));
    }
}

Problem readData(ExportData& d, const QString& folderName, const QString& currentOperator,
                 int* problemLine)
{
    d.reportOperator = currentOperator;

    d.probeCode = folderName;
    d.probeCode.remove(QLatin1String(".D"));
    d.probeCode = d.probeCode.trimmed().toUpper();

    d.day = QStringLiteral("01");
    d.month = QStringLiteral("Jan");
    d.year = QStringLiteral("2010");
    if (d.trimmedLines.size() > 4) {
        const QStringList w = simplifiedWords(d.trimmedLines.at(4));
        if (w.size() > 6) {
            d.day = w.at(3);
            d.month = w.at(4);
            d.year = w.at(5);
        }
    }

    d.patient = QStringLiteral("patient");
    if (d.trimmedLines.size() > 6) {
        const QStringList w = simplifiedWords(d.trimmedLines.at(6));
        if (w.size() > 3)
            d.patient = w.mid(3).join(QLatin1Char(' '));
    }

    d.month = monthNumber(d.month);

    d.rawValues.clear();
    const int lineCount = qMin(d.sourceLines.size(), d.trimmedLines.size());
    auto fail = [&](Problem p, int line) {
        d.rawValues.clear();
        if (problemLine)
            *problemLine = line;
        return p;
    };
    for (int i = FirstDataLine;; ++i) {
        if (i >= lineCount)
            return fail(Problem::NoTableEnd, lineCount);
        const QString& row = d.sourceLines.at(i);
        if (row.size() <= ValueColumn)
            return fail(Problem::ShortRow, i + 1);
        d.rawValues.append(valueAtColumn(row));
        if (i + 1 >= lineCount)
            return fail(Problem::NoTableEnd, lineCount);
        if (d.trimmedLines.at(i + 1).startsWith(TableEnd))
            break;
    }
    if (d.rawValues.size() < MinDataRows)
        return fail(Problem::TooFewRows, FirstDataLine + d.rawValues.size() + 1);
    if (problemLine)
        *problemLine = 0;
    return Problem::None;
}

QString problemMessage(Problem p, const QString& filePath, int line, unsigned char language)
{
    const bool en = language == 0;
    switch (p) {
    case Problem::None:
        return QString();
    case Problem::TooFewRows:
        return (en ? QStringLiteral("The export file \"%1\" has fewer than %2 data rows: its "
                                    "table closes at line %3. Process stopped.")
                   : QString::fromUtf8("В файле \"%1\" меньше %2 строк данных: таблица "
                                       "заканчивается в строке %3. Процесс остановлен."))
            .arg(filePath, QString::number(MinDataRows), QString::number(line));
    case Problem::ShortRow:
        return (en ? QStringLiteral("Line %2 of the export file \"%1\" is shorter than %3 "
                                    "characters and holds no value. Process stopped.")
                   : QString::fromUtf8("Строка %2 файла \"%1\" короче %3 символов и не "
                                       "содержит значения. Процесс остановлен."))
            .arg(filePath, QString::number(line), QString::number(ValueColumn + 1));
    case Problem::NoTableEnd:
        return (en ? QStringLiteral("The export file \"%1\" ends at line %2 without the line "
                                    "of hyphens that closes its table. Process stopped.")
                   : QString::fromUtf8("Файл \"%1\" заканчивается в строке %2 без строки "
                                       "дефисов, закрывающей таблицу. Процесс остановлен."))
            .arg(filePath, QString::number(line));
    }
    return QString();
}

}  // namespace ExportReader
