// Report pages filled from a template with fuzzed values: the premade and full-table fills,
// then the identity fill of the final report.
//
// Input: fields separated by NUL bytes: settings (template type, language, template mode,
// calculation type code), operator, day, month, year, probe code, analysis name, analysis
// code, patient, conclusion, template, result and reference picks, marker names (one a line).
//
// Free mode takes the template as it stands: no "<" may come from a value, except the line
// breaks of the conclusion. Built mode reads "$" and the character after it as one of the
// placeholders (and a third character as the row position), so that the page can be
// predicted exactly: every placeholder filled, values escaped, and a value that looks like
// a placeholder never filled again.
#include "fuzz_common.h"
#include "report/reporthtml.h"

#include <QList>
#include <QVector>

#include <cmath>
#include <cstdio>
#include <limits>

using Fuzz::require;

namespace {

enum Kind {
    OperatorAndDate,
    Image0,
    Image1,
    ProbeId,
    TypeProbe,
    PatientId,
    Conclusion,
    Name,
    Res,
    Nor,
    DiffNor,
    Colour,
    KindCount
};

struct Part
{
    QString literal;
    int kind = -1;
    int position = 0;
};

QString escaped(const QString& s)
{
    QString out;
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        case '$':
            out += QLatin1String("&#36;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// C's "%g", except that zero has no sign on a report.
QString number(double v)
{
    if (v == 0)
        v = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return QString::fromLatin1(text);
}

QString imageName(QString probeCode, int image)
{
    probeCode.replace(QLatin1Char('%'), QLatin1String("%25"));
    probeCode.replace(QLatin1Char('#'), QLatin1String("%23"));
    probeCode.replace(QLatin1Char('?'), QLatin1String("%3F"));
    return escaped(probeCode + QLatin1String("_img_") + QString::number(image));
}

QString twoDigits(int p)
{
    return QString::asprintf("%02d", p);
}

QString placeholder(const Part& part)
{
    static const char* const fixed[] = {"$OperatorAndDate", "$Image0",    "$Image1",    "$ProbeID",
                                        "$TypeProbe",       "$PatientID", "$Conclusion"};
    switch (part.kind) {
    case Name:
        return QLatin1String("$Name") + twoDigits(part.position);
    case Res:
        return QLatin1String("$Res") + twoDigits(part.position);
    case Nor:
        return QLatin1String("$Nor") + twoDigits(part.position);
    case DiffNor:
        return QLatin1String("$_Nor") + twoDigits(part.position);
    case Colour:
        return QLatin1String("bgcolor=\"$Color") + twoDigits(part.position) + QLatin1Char('"');
    default:
        return QLatin1String(fixed[part.kind]);
    }
}

struct Case
{
    ReportHtml::PremadeParams params;
    ReportHtml::IdentityValues identity;
    MarkerTable table;
    QString templateText;
    bool built = false;
};

const double Picks[] = {0,
                        1,
                        2,
                        0.5,
                        -1,
                        1000000,
                        10000000,
                        9999999,
                        1e-5,
                        123456.5,
                        1e300,
                        -1e300,
                        std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        2000,
                        4000,
                        9.3e18,
                        -0.0,
                        37};
const int PickCount = int(sizeof(Picks) / sizeof(Picks[0]));

Case parse(const QByteArray& input)
{
    QList<QByteArray> f = input.split('\0');
    while (f.size() < 14)
        f.append(QByteArray());
    auto text = [&](int i) { return QString::fromUtf8(f.at(i)); };
    Case c;
    const uchar flags = f.at(0).isEmpty() ? 0 : uchar(f.at(0).at(0));
    c.params.templateType = 1 + flags % 3;
    c.params.language = (flags >> 2) & 1;
    c.built = (flags >> 3) & 1;
    c.params.typeCode = f.at(0).size() > 1 ? uchar(f.at(0).at(1)) : 0;
    c.params.operatorName = text(1);
    c.params.day = text(2);
    c.params.month = text(3);
    c.params.year = text(4);
    c.params.probeCode = text(5);
    c.identity = {text(6), text(7), text(8), text(9)};
    c.templateText = text(10);
    const QByteArray& picks = f.at(11);
    const QStringList names = text(12).split(QLatin1Char('\n'));
    c.table.resize(MarkerTableSize);
    for (int r = 0; r < MarkerTableSize; ++r) {
        MarkerRow& row = c.table[r];
        row.name = r < names.size() ? names.at(r) : QStringLiteral("M%1").arg(r);
        row.result = 2 * r < picks.size() ? Picks[uchar(picks.at(2 * r)) % PickCount] : 3.0 * r;
        row.norm =
            2 * r + 1 < picks.size() ? Picks[uchar(picks.at(2 * r + 1)) % PickCount] : double(r);
        row.highlighted = ((flags >> 4) & 1) && r % 7 == 0;
    }
    return c;
}

// Built mode: "$" and the character after it name a placeholder, a third gives the position.
QList<Part> partsOf(const QString& text)
{
    QList<Part> parts;
    Part literal;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('$')) {
            literal.literal += text.at(i);
            continue;
        }
        if (!literal.literal.isEmpty())
            parts.append(literal);
        literal = Part();
        Part p;
        p.kind = i + 1 < text.size() ? text.at(++i).unicode() % KindCount : 0;
        if (p.kind >= Name)
            p.position = i + 1 < text.size() ? text.at(++i).unicode() % (SumRow + 1) : 0;
        parts.append(p);
    }
    if (!literal.literal.isEmpty())
        parts.append(literal);
    return parts;
}

// What a placeholder becomes in the premade (or full-table) page; the table is the one the
// fill left behind, which says which rows it found highlighted.
QString premadeText(const Part& part, const Case& c, const MarkerTable& table,
                    const QVector<int>& order, bool fullTable)
{
    const int type = c.params.templateType;
    const MarkerRow& row = table.at(order.value(part.position));
    switch (part.kind) {
    case OperatorAndDate:
        return escaped(c.params.operatorName + QLatin1Char(' ') + c.params.day + QLatin1Char('.') +
                       c.params.month + QLatin1Char('.') + c.params.year);
    case Image0:
        return fullTable ? placeholder(part) : imageName(c.params.probeCode, type == 2 ? 1 : 0);
    case Image1:
        return type == 3 ? imageName(c.params.probeCode, 2) : placeholder(part);
    case Name:
        return escaped(row.name);
    case Res:
        return row.result == 10000000.0 ? QStringLiteral("10000000+") : number(row.result);
    case Nor:
        return number(row.norm);
    case DiffNor:
        return type == 3 ? number(row.result - row.norm) : placeholder(part);
    case Colour:
        if (part.position == SumRow)
            return placeholder(part);
        return row.highlighted && c.params.typeCode != ReportHtml::FecesTypeCode
                   ? QStringLiteral("bgcolor=\"Gold\"")
                   : QString();
    default:
        return placeholder(part); // the identity placeholders wait for the final fill
    }
}

QString finalText(const Part& part, const Case& c)
{
    switch (part.kind) {
    case ProbeId:
        return escaped(c.identity.probeId);
    case TypeProbe:
        return escaped(c.identity.probeName);
    case PatientId:
        return escaped(c.identity.patient);
    case Conclusion:
        return escaped(c.identity.conclusion)
            .replace(QLatin1String("&lt;br&gt;"), QLatin1String("<br>"));
    default:
        return QString();
    }
}

bool identityKind(int kind)
{
    return kind >= ProbeId && kind <= Conclusion;
}

void checkBuilt(const Case& c, bool fullTable)
{
    const QList<Part> parts = partsOf(c.templateText);
    QString page;
    for (const Part& p : parts)
        page += p.kind < 0 ? p.literal : placeholder(p);
    QVector<int> order = displayOrder();
    if (fullTable)
        for (int i = 0; i < order.size(); ++i)
            order[i] = i;

    MarkerTable table = c.table;
    const QString premade = fullTable ? ReportHtml::fillFullTable(page, table, c.params)
                                      : ReportHtml::fillPremade(page, table, c.params);
    QString expected, expectedFinal;
    for (const Part& p : parts) {
        const QString text = p.kind < 0 ? p.literal : premadeText(p, c, table, order, fullTable);
        expected += text;
        expectedFinal += identityKind(p.kind) ? finalText(p, c) : text;
    }
    require(premade == expected, fullTable ? "full-table page differs" : "premade page differs",
            page + QLatin1String("\n=> ") + premade + QLatin1String("\nexpected ") + expected);
    const QString final = ReportHtml::fillIdentity(premade, c.identity);
    require(final == expectedFinal, "final page differs",
            premade + QLatin1String("\n=> ") + final + QLatin1String("\nexpected ") +
                expectedFinal);
}

int lessThanSigns(const QString& s)
{
    return s.count(QLatin1Char('<'));
}

void checkFree(const Case& c)
{
    MarkerTable table = c.table;
    const QString premade = ReportHtml::fillPremade(c.templateText, table, c.params);
    require(lessThanSigns(premade) == lessThanSigns(c.templateText),
            "a value brought \"<\" into the premade page", premade);
    MarkerTable fullTable = c.table;
    const QString full = ReportHtml::fillFullTable(c.templateText, fullTable, c.params);
    require(lessThanSigns(full) == lessThanSigns(c.templateText),
            "a value brought \"<\" into the full-table page", full);
    // The conclusion may bring line breaks and nothing else that opens a tag.
    const QString final = ReportHtml::fillIdentity(premade, c.identity);
    auto loose = [](const QString& s) { return lessThanSigns(s) - s.count(QLatin1String("<br>")); };
    require(loose(final) <= loose(premade), "a value brought \"<\" into the final page", final);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fuzz::ensureApp();
    const Case c = parse(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    if (c.built) {
        checkBuilt(c, false);
        checkBuilt(c, true);
    } else {
        checkFree(c);
    }
    return 0;
}
