#include "analysislist.h"

#include <algorithm>
#include <numeric>

namespace AnalysisList {

bool samePass(const FolderRecords& a, const FolderRecords& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].path != b[i].path || a[i].state != b[i].state)
            return false;
    }
    return true;
}

FolderRecords filterByPrefix(const FolderRecords& records, const QString& prefix)
{
    if (prefix.isEmpty())
        return records;
    FolderRecords out;
    for (const FolderRecord& r : records) {
        if (r.name.startsWith(prefix, Qt::CaseInsensitive))
            out.append(r);
    }
    return out;
}

QString displayText(const FolderRecord& record, bool deep, const QString& dataDir)
{
    if (!deep)
        return record.name;
    QString path = record.path;
    // Replacing an empty text would put ".." between every character.
    if (!dataDir.isEmpty())
        path.replace(dataDir, QStringLiteral(".."), Qt::CaseSensitive);
    return QStringLiteral("%1 (%2)").arg(record.name, path);
}

QVector<QColor> resolvePrefixColours(const QStringList& displayTexts, const QVector<QColor>& colours)
{
    const int n = displayTexts.size();
    QVector<QColor> result(colours);
    result.resize(n);
    if (n == 0)
        return result;

    // Sorted by text (ties by index), every text is preceded by all its prefixes, and
    // a prefix stays a prefix of each following text until the first one it is not.
    // A stack of the prefix chain then gives, for each distinct text, the largest
    // index among all entries whose text is a prefix of it.
    QVector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = QString::compare(displayTexts[a], displayTexts[b], Qt::CaseSensitive);
        return c != 0 ? c < 0 : a < b;
    });

    struct Link {
        int entry;    // an entry carrying the text of this chain element
        int bestJ;    // largest index whose text is a prefix of (or equal to) this text
    };
    QVector<Link> chain;
    QVector<int> bestFor(n, -1);
    int k = 0;
    while (k < n) {
        // Group of equal texts: the last one in the order has the largest index.
        int end = k + 1;
        const QString& text = displayTexts[order[k]];
        while (end < n && displayTexts[order[end]] == text)
            ++end;
        const int maxIndex = order[end - 1];

        while (!chain.isEmpty() && !text.startsWith(displayTexts[chain.last().entry], Qt::CaseSensitive))
            chain.removeLast();
        const int best = chain.isEmpty() ? maxIndex : std::max(maxIndex, chain.last().bestJ);
        chain.append({order[k], best});
        for (int g = k; g < end; ++g)
            bestFor[order[g]] = best;
        k = end;
    }
    for (int i = 0; i < n; ++i) {
        const int j = bestFor[i];
        if (j >= 0 && j < colours.size())
            result[i] = colours[j];
    }
    return result;
}

}  // namespace AnalysisList
