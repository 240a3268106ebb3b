#include "exportreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

} // namespace

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
    return word == QLatin1String("Quantitation") || word == QString::fromUtf8("Количественный");
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

bool fitsDevice(const QString& value)
{
    bool ok = false;
    const qint64 v = value.toLongLong(&ok, 10);
    if (ok)
        return v >= 0 && v <= MaxRawValue;
    // Digits too many for 64 bits are a number too, and far out of range.
    static const QRegularExpression digits(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return !digits.match(value).hasMatch();
}

Refusal readData(ExportData& d, const QString& folderName, const QString& currentOperator)
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
    auto refuse = [&](Problem p, int line, const QString& value = QString()) {
        Refusal r{p, line, value}; // before the clear: value may be one of the raw values
        d.rawValues.clear();
        return r;
    };
    // The closing line first: without it every row check would name the wrong fault.
    int end = FirstDataLine + 1;
    while (end < lineCount && !d.trimmedLines.at(end).startsWith(TableEnd))
        ++end;
    if (end >= lineCount)
        return refuse(Problem::NoTableEnd, qMax(lineCount, 1));
    for (int i = FirstDataLine; i < end; ++i) {
        const QString& row = d.sourceLines.at(i);
        if (row.size() <= ValueColumn)
            return refuse(Problem::ShortRow, i + 1);
        d.rawValues.append(valueAtColumn(row));
    }
    if (d.rawValues.size() < MinDataRows)
        return refuse(Problem::TooFewRows, end + 1);
    for (int k = 0; k < MinDataRows; ++k) {
        if (!fitsDevice(d.rawValues.at(k)))
            return refuse(Problem::ValueOutOfRange, FirstDataLine + k + 1, d.rawValues.at(k));
    }
    return Refusal();
}

QString problemMessage(const Refusal& r, const QString& filePath, unsigned char language)
{
    const bool en = language == 0;
    const QString folder = QFileInfo(filePath).dir().dirName();
    const QString line = QString::number(r.line);
    QString text;
    switch (r.problem) {
    case Problem::None:
        return QString();
    case Problem::TooFewRows:
        text =
            (en ? QStringLiteral(
                      "Analysis \"%1\": the table of the export has fewer than %2 data rows "
                      "(it closes at line %3). Process stopped.")
                : QStringLiteral("Анализ \"%1\": в таблице файла экспорта меньше %2 строк данных "
                                 "(она заканчивается в строке %3). Процесс остановлен."))
                .arg(folder, QString::number(MinDataRows), line);
        break;
    case Problem::ShortRow:
        text =
            (en ? QStringLiteral(
                      "Analysis \"%1\": line %2 of the export is shorter than %3 characters "
                      "and holds no value. Process stopped.")
                : QStringLiteral("Анализ \"%1\": строка %2 файла экспорта короче %3 символов и не "
                                 "содержит значения. Процесс остановлен."))
                .arg(folder, line, QString::number(ValueColumn + 1));
        break;
    case Problem::NoTableEnd:
        text =
            (en ? QStringLiteral("Analysis \"%1\": the table of the export has no closing line of "
                                 "hyphens. Process stopped.")
                : QStringLiteral("Анализ \"%1\": у таблицы файла экспорта нет закрывающей строки "
                                 "дефисов. Процесс остановлен."))
                .arg(folder);
        break;
    case Problem::ValueOutOfRange:
        text =
            (en ? QStringLiteral(
                      "Analysis \"%1\": line %2 of the export holds the value %3, which the "
                      "device cannot take (it takes 0 to %4). Process stopped.")
                : QStringLiteral(
                      "Анализ \"%1\": строка %2 файла экспорта содержит значение %3, которое "
                      "аппаратная часть не принимает (допустимо от 0 до %4). Процесс остановлен."))
                .arg(folder, line, r.value, QString::number(MaxRawValue));
        break;
    }
    // A long path wraps badly inside a sentence; on its own line it stays readable.
    return text + QStringLiteral("\n\n") + filePath;
}

} // namespace ExportReader
