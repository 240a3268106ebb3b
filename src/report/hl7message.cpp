#include "report/hl7message.h"

#include <QDate>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

namespace Hl7 {

namespace {

const char kStart = 0x0B;
const char kEnd = 0x1C;
const char kReturn = 0x0D;

// A segment built by field number; missing fields stay empty.
class Segment
{
  public:
    explicit Segment(const char* name) { m_fields.append(QLatin1String(name)); }
    Segment& set(int field, const QString& value)
    {
        while (m_fields.size() <= field)
            m_fields.append(QString());
        m_fields[field] = value;
        return *this;
    }
    QString text() const { return m_fields.join(QLatin1Char('|')) + QLatin1Char('\r'); }

  private:
    QStringList m_fields;
};

QString base36(quint64 value, int width)
{
    return QString::number(value, 36).toUpper().rightJustified(width, QLatin1Char('0'));
}

// YYYYMMDD of the analysis date, or empty when the export's date is not one.
QString analysisDate(const LisReport& r)
{
    bool dayOk = false, monthOk = false, yearOk = false;
    const int day = r.analysisDay.toInt(&dayOk);
    const int month = r.analysisMonth.toInt(&monthOk);
    int year = r.analysisYear.toInt(&yearOk);
    if (yearOk && r.analysisYear.size() == 2)
        year += 2000;
    const QDate date(year, month, day);
    if (!dayOk || !monthOk || !yearOk || !date.isValid())
        return QString();
    return date.toString(QStringLiteral("yyyyMMdd"));
}

bool isNameWord(const QString& word)
{
    static const QRegularExpression pattern(QStringLiteral("^[\\p{L}][\\p{L}'.-]*$"));
    return pattern.match(word).hasMatch();
}

QString components(const QStringList& parts)
{
    QStringList escaped;
    for (const QString& part : parts)
        escaped.append(escape(part));
    return escaped.join(QLatin1Char('^'));
}

// Fields of a segment of an answer, split at its own field separator.
QStringList fieldsOf(const QString& segment, QChar separator)
{
    return segment.split(separator);
}

} // namespace

QString applicationName()
{
    return QStringLiteral("MarkerReport");
}

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '|':
            out += QLatin1String("\\F\\");
            break;
        case '^':
            out += QLatin1String("\\S\\");
            break;
        case '~':
            out += QLatin1String("\\R\\");
            break;
        case '\\':
            out += QLatin1String("\\E\\");
            break;
        case '&':
            out += QLatin1String("\\T\\");
            break;
        case '\r':
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\\.br\\");
            break;
        case '\n':
            out += QLatin1String("\\.br\\");
            break;
        default:
            out += (c.unicode() < 0x20 || c.unicode() == 0x7F) ? QChar(QLatin1Char(' ')) : c;
        }
    }
    return out;
}

QString unescape(const QString& text)
{
    QString out;
    int i = 0;
    while (i < text.size()) {
        const int start = text.indexOf(QLatin1Char('\\'), i);
        const int end = start < 0 ? -1 : text.indexOf(QLatin1Char('\\'), start + 1);
        if (end < 0) {
            out += text.midRef(i);
            break;
        }
        out += text.midRef(i, start - i);
        const QString sequence = text.mid(start + 1, end - start - 1);
        static const QStringList names{"F", "S", "R", "E", "T", ".br"};
        static const QString chars = QStringLiteral("|^~\\&\n");
        const int known = names.indexOf(sequence);
        if (known >= 0)
            out += chars.at(known);
        i = end + 1;
    }
    return out;
}

QString timestamp(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = qAbs(offset);
    return time.toString(QStringLiteral("yyyyMMddHHmmss")) % QLatin1Char(offset < 0 ? '-' : '+') %
           QStringLiteral("%1%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString newControlId()
{
    // 56 bits always fit 11 base-36 digits (36^11 > 2^56; 2^57 does not).
    const quint64 random = QRandomGenerator::system()->generate64() >> 8;
    return base36(quint64(QDateTime::currentMSecsSinceEpoch()), 9).right(9) + base36(random, 11);
}

QString personName(const QString& printed)
{
    const QString name = printed.simplified();
    const int comma = name.indexOf(QLatin1Char(','));
    if (comma > 0 && name.indexOf(QLatin1Char(','), comma + 1) < 0) {
        const QStringList family = name.left(comma).split(QLatin1Char(' '));
        const QStringList given =
            name.mid(comma + 1).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool words = std::all_of(family.begin(), family.end(), isNameWord) &&
                           std::all_of(given.begin(), given.end(), isNameWord);
        if (words && !given.isEmpty() && given.size() <= 2)
            return components(QStringList{name.left(comma)} + given);
    }
    const QStringList words = name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 2 && words.size() <= 3 &&
        std::all_of(words.begin(), words.end(), isNameWord))
        return components(words);
    return escape(name);
}

Value resultValue(const QString& printed)
{
    static const QRegularExpression plain(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    static const QRegularExpression exponent(QStringLiteral("^[+-]?[0-9.]+[eE][+-]?[0-9]+$"));
    static const QRegularExpression atLeast(QStringLiteral("^([0-9]+)\\+$"));
    if (plain.match(printed).hasMatch())
        return {QStringLiteral("NM"), printed};
    if (exponent.match(printed).hasMatch()) {
        bool ok = false;
        const double v = printed.toDouble(&ok);
        if (ok && qAbs(v) < 1e15) {
            QString text = QString::number(v, 'f', 6);
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
            return {QStringLiteral("NM"), text};
        }
    }
    const QRegularExpressionMatch bound = atLeast.match(printed);
    if (bound.hasMatch())
        return {QStringLiteral("SN"), QLatin1String(">=^") + bound.captured(1)};
    return {QStringLiteral("ST"), escape(printed)};
}

QString markerCode(int row, const QString& sampleCode)
{
    const bool sebum = sampleCode == QLatin1String("EA") && (row == 4 || row == 11);
    return QLatin1String(sebum ? "SB" : "MM") +
           QStringLiteral("%1").arg(row, 2, 10, QLatin1Char('0'));
}

QByteArray encodeResult(const LisReport& r, const Envelope& e)
{
    const QString status = r.version > 1 ? QStringLiteral("C") : QStringLiteral("F");
    const bool russian = r.language == 1;
    QString out;
    out.reserve(r.pdf.size() * 4 / 3 + 16384);

    // MSH-1 is the field separator itself, so MSH-2 is field 1 of the joined list.
    out += Segment("MSH")
               .set(1, QStringLiteral("^~\\&"))
               .set(2, applicationName())
               .set(3, escape(e.sendingFacility))
               .set(4, escape(e.receivingApplication))
               .set(5, escape(e.receivingFacility))
               .set(6, timestamp(e.messageTime))
               .set(8, QStringLiteral("ORU^R01^ORU_R01"))
               .set(9, escape(e.controlId))
               .set(10, QStringLiteral("P"))
               .set(11, QStringLiteral("2.5.1"))
               .set(17, QStringLiteral("UNICODE UTF-8"))
               .text();
    out += Segment("PID")
               .set(1, QStringLiteral("1"))
               .set(3, escape(r.analysisCode))
               .set(5, personName(r.patient))
               .text();

    const QString panelName =
        (russian ? QString::fromUtf8("Микробные маркеры") : QStringLiteral("Microbial markers")) %
        QLatin1String(" (") % r.sampleName % QLatin1Char(')');
    out +=
        Segment("OBR")
            .set(1, QStringLiteral("1"))
            .set(3, escape(r.analysisCode))
            .set(4,
                 components({QLatin1String("MM") + r.sampleCode, panelName, QStringLiteral("L")}))
            .set(7, analysisDate(r))
            .set(22, timestamp(r.reportTime))
            .set(25, status)
            .text();
    // Notes on the whole order come right after OBR; after an OBX they would belong to it.
    if (!r.conclusion.isEmpty())
        out += Segment("NTE")
                   .set(1, QStringLiteral("1"))
                   .set(2, QStringLiteral("L"))
                   .set(3, escape(r.conclusion))
                   .text();

    int setId = 0;
    for (const LisMarker& m : r.markers) {
        const Value value = resultValue(m.result);
        out +=
            Segment("OBX")
                .set(1, QString::number(++setId))
                .set(2, value.type)
                .set(3, components({markerCode(m.row, r.sampleCode), m.name, QStringLiteral("L")}))
                .set(5, value.text)
                .set(7, escape(m.reference))
                .set(8, m.highlighted ? QStringLiteral("H") : QString())
                .set(11, status)
                .text();
    }
    // The printed report, as laboratories forward it: ED with the PDF in Base64.
    const QString pdfName =
        russian ? QString::fromUtf8("Отчет (PDF)") : QStringLiteral("Report (PDF)");
    out += Segment("OBX")
               .set(1, QString::number(++setId))
               .set(2, QStringLiteral("ED"))
               .set(3, components({QStringLiteral("PDF"), pdfName, QStringLiteral("L")}))
               .set(5, QLatin1String("^AP^PDF^Base64^") + QLatin1String(r.pdf.toBase64()))
               .set(11, status)
               .text();
    return out.toUtf8();
}

QString controlIdOf(const QByteArray& message)
{
    const QString msh = QString::fromUtf8(message.left(message.indexOf('\r')));
    return unescape(msh.section(QLatin1Char('|'), 9, 9));
}

QByteArray withControlId(const QByteArray& message, const QString& controlId)
{
    int end = message.indexOf('\r');
    if (end < 0)
        end = message.size();
    QList<QByteArray> fields = message.left(end).split('|');
    while (fields.size() <= 9)
        fields.append(QByteArray());
    fields[9] = escape(controlId).toUtf8();
    return fields.join('|') + message.mid(end);
}

bool Ack::delivered() const
{
    return code == QLatin1String("AA") || code == QLatin1String("CA");
}

bool Ack::refused() const
{
    static const QStringList refusals{"AE", "AR", "CE", "CR"};
    return refusals.contains(code);
}

Ack parseAck(const QByteArray& message)
{
    Ack ack;
    QString text = QString::fromUtf8(message);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    // The answer names its own separators in its MSH.
    const QChar separator =
        text.startsWith(QLatin1String("MSH")) && text.size() > 3 ? text.at(3) : QLatin1Char('|');
    QString errorText;
    for (const QString& segment : text.split(QLatin1Char('\r'), Qt::SkipEmptyParts)) {
        const QStringList f = fieldsOf(segment, separator);
        if (f.first() == QLatin1String("MSA") && ack.code.isEmpty()) {
            ack.code = f.value(1).trimmed().toUpper();
            ack.controlId = unescape(f.value(2));
            ack.text = unescape(f.value(3)).trimmed();
        } else if (f.first() == QLatin1String("ERR") && errorText.isEmpty()) {
            // ERR-8 is the message for the user; ERR-3 the error's code and its text.
            errorText = unescape(f.value(8)).trimmed();
            if (errorText.isEmpty())
                errorText = unescape(f.value(3).section(QLatin1Char('^'), 1, 1)).trimmed();
        }
    }
    if (ack.text.isEmpty())
        ack.text = errorText;
    return ack;
}

QByteArray frame(const QByteArray& message)
{
    QByteArray framed;
    framed.reserve(message.size() + 3);
    framed += kStart;
    framed += message;
    framed += kEnd;
    framed += kReturn;
    return framed;
}

bool takeFrame(QByteArray& buffer, QByteArray* message)
{
    const int start = buffer.indexOf(kStart);
    if (start < 0) {
        buffer.clear();
        return false;
    }
    if (start > 0)
        buffer.remove(0, start);
    const int end = buffer.indexOf(QByteArray(1, kEnd) + kReturn);
    if (end < 0)
        return false;
    *message = buffer.mid(1, end - 1);
    buffer.remove(0, end + 2);
    return true;
}

} // namespace Hl7
