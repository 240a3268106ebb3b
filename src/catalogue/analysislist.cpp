#include "analysislist.h"

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

} // namespace AnalysisList
