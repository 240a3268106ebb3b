#include "report/reporthtml.h"

#include <QFile>
#include <QHash>
#include <QVector>

#include <algorithm>
#include <charconv>

namespace ReportHtml {

namespace {

// A placeholder's replacement. An attribute token stands for the whole attribute
// bgcolor="$ColorNN" and is only replaced where written that way.
struct Token
{
    QString text;
    bool attribute = false;
};

class TokenSet
{
  public:
    void add(const QString& name, const QString& text, bool attribute = false)
    {
        m_tokens.insert(name, Token{text, attribute});
        if (!m_lengths.contains(name.size())) {
            m_lengths.append(name.size());
            std::sort(m_lengths.begin(), m_lengths.end(), std::greater<int>());
        }
    }

    // One pass over the page: replaced text is never scanned again, so values that look like
    // placeholders stay as they are.
    QString apply(const QString& page) const
    {
        static const QString attrOpen = QStringLiteral("bgcolor=\"");
        QString out;
        out.reserve(page.size() + page.size() / 4);
        int copied = 0;
        int i = page.indexOf(QLatin1Char('$'));
        while (i >= 0) {
            const Token* token = nullptr;
            int length = 0;
            for (int len : m_lengths) {
                if (len > page.size() - i)
                    continue;
                auto it = m_tokens.constFind(page.mid(i, len));
                if (it != m_tokens.constEnd()) {
                    token = &it.value();
                    length = len;
                    break;
                }
            }
            int start = i;
            int end = i + length;
            if (token && token->attribute) {
                start = i - attrOpen.size();
                const bool framed = start >= copied &&
                                    page.midRef(start, attrOpen.size()) == attrOpen &&
                                    end < page.size() && page.at(end) == QLatin1Char('"');
                if (framed)
                    ++end; // the closing quotation mark belongs to the attribute
                else
                    token = nullptr;
            }
            if (!token) {
                i = page.indexOf(QLatin1Char('$'), i + 1);
                continue;
            }
            out += page.midRef(copied, start - copied);
            out += token->text;
            copied = end;
            i = page.indexOf(QLatin1Char('$'), copied);
        }
        out += page.midRef(copied);
        return out;
    }

  private:
    QHash<QString, Token> m_tokens;
    QVector<int> m_lengths; // longest first, so the longest placeholder wins
};

QString twoDigits(const char* prefix, int position)
{
    return QString(QLatin1String(prefix) %
                   QStringLiteral("%1").arg(position, 2, 10, QLatin1Char('0')));
}

// Chart file name for an src attribute: characters that would end or redirect a relative
// URL are percent-encoded, the rest is HTML-escaped.
QString imageName(const QString& probeCode, int typeImage)
{
    QString name = probeCode;
    name.replace(QLatin1Char('%'), QLatin1String("%25"));
    name.replace(QLatin1Char('#'), QLatin1String("%23"));
    name.replace(QLatin1Char('?'), QLatin1String("%3F"));
    return escape(QStringLiteral("%1_img_%2").arg(name).arg(typeImage));
}

QString fill(const QString& page, MarkerTable& table, const PremadeParams& params,
             const QVector<int>& order, bool fullTable)
{
    TokenSet tokens;
    const QString date = QStringLiteral("%1.%2.%3").arg(params.day, params.month, params.year);
    tokens.add(QStringLiteral("$OperatorAndDate"),
               escape(QStringLiteral("%1 %2").arg(params.operatorName, date)));
    if (!fullTable)
        tokens.add(QStringLiteral("$Image0"),
                   imageName(params.probeCode, params.templateType == 2 ? 1 : 0));
    if (params.templateType == 3)
        tokens.add(QStringLiteral("$Image1"), imageName(params.probeCode, 2));

    const QString gold = QStringLiteral("bgcolor=\"Gold\"");
    for (int p = 0; p < order.size(); ++p) {
        const int r = order.at(p);
        const bool present = r >= 0 && r < table.size();
        const MarkerRow row = present ? table.at(r) : MarkerRow();
        tokens.add(twoDigits("$Name", p), escape(row.name));
        tokens.add(twoDigits("$Res", p), resultText(row.result));
        tokens.add(twoDigits("$Nor", p), formatNumber(row.norm));
        if (params.templateType == 3)
            tokens.add(twoDigits("$_Nor", p), formatNumber(row.result - row.norm));
        if (p == SumRow)
            continue; // the sum row is never coloured
        bool highlighted = false;
        if (present) {
            if (exceedsReference(table.at(r), params.templateType))
                table[r].highlighted = true;
            highlighted = table.at(r).highlighted;
        }
        const bool coloured = highlighted && params.typeCode != FecesTypeCode;
        tokens.add(twoDigits("$Color", p), coloured ? gold : QString(), true);
    }
    return tokens.apply(page);
}

} // namespace

QString readTemplate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QByteArray data = file.readAll();
    const int nul = data.indexOf('\0');
    if (nul >= 0)
        data.truncate(nul);
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    return QString::fromUtf8(data);
}

QString formatNumber(double v)
{
    // As printf's "%g" in the C locale, whatever the system locale: ties go to the even digit
    // (1234565 is 1.23456e+06, where Qt's own formatting rounds up); zero shows without a sign.
    char text[32];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, v == 0 ? 0.0 : v, std::chars_format::general, 6);
    return QString::fromLatin1(text, int(r.ptr - text));
}

QString resultText(double result)
{
    if (result == 10000000.0)
        return QStringLiteral("10000000+");
    return formatNumber(result);
}

QString escape(const QString& text)
{
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    // A value in the premade page must not be taken for a placeholder by the final fill.
    out.replace(QLatin1Char('$'), QLatin1String("&#36;"));
    return out;
}

QString templatePath(const QString& docsDir, int templateType, unsigned char language)
{
    if (language == 0)
        return QStringLiteral("%1/Shablon_type_%2_eng.html").arg(docsDir).arg(templateType);
    return QStringLiteral("%1/Shablon_type_%2_rus.html").arg(docsDir).arg(templateType);
}

QString fullTableTemplatePath(const QString& docsDir, int templateType)
{
    return QStringLiteral("%1/Shablon_type_%2.html").arg(docsDir).arg(templateType);
}

QString fillPremade(QString page, MarkerTable& table, const PremadeParams& params)
{
    return fill(page, table, params, displayOrder(), false);
}

QString fillFullTable(QString page, MarkerTable& table, const PremadeParams& params)
{
    QVector<int> identity(SumRow + 1);
    for (int i = 0; i < identity.size(); ++i)
        identity[i] = i;
    return fill(page, table, params, identity, true);
}

QString conclusion(const MarkerTable& table, unsigned char typeCode, unsigned char language)
{
    const bool english = language == 0;
    if (typeCode == FecesTypeCode) {
        return english ? QStringLiteral(
                             "There is no strict reference for feces samples due to the fact, "
                             "that microorganisms community is independent and not homeostatic, "
                             "and it is not physiologically linked  to the host.")
                       : QStringLiteral(
                             "Строгой нормы по фекалиям нет, поскольку это сообщество "
                             "микроорганизмов автономно, не гомеостатично и не физиологично по "
                             "отношению к хозяину.");
    }
    QString text =
        english ? QStringLiteral("Microbial markers, which are beyond the level of clinical "
                                 "significance (more than twice higher than reference)")
                : QStringLiteral("Уровень клинической значимости (выше нормы более чем в два раза) "
                                 "имеют  маркеры");
    bool any = false;
    const int rows = std::min<int>(DeviceMarkerCount, table.size());
    for (int r = 0; r < rows; ++r) {
        if (table.at(r).highlighted) {
            text += QLatin1Char(' ') % table.at(r).name % QLatin1Char(',');
            any = true;
        }
    }
    if (any)
        text.chop(1);
    text += english ? QStringLiteral(" - are marked with yellow ")
                    : QStringLiteral(" - отмечены выделением.");
    text.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return text;
}

QString fillIdentity(const QString& premade, const IdentityValues& values)
{
    QString conclusionHtml = escape(values.conclusion);
    conclusionHtml.replace(QLatin1String("&lt;br&gt;"), QLatin1String("<br>"));
    TokenSet tokens;
    tokens.add(QStringLiteral("$TypeProbe"), escape(values.probeName));
    tokens.add(QStringLiteral("$ProbeID"), escape(values.probeId));
    tokens.add(QStringLiteral("$PatientID"), escape(values.patient));
    tokens.add(QStringLiteral("$Conclusion"), conclusionHtml);
    tokens.add(QStringLiteral("$Amendment"), escape(values.amendment));
    return tokens.apply(premade);
}

} // namespace ReportHtml
