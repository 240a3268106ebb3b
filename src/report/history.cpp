#include "report/history.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "report/history_p.h"
#include "report/rawfile.h"

#include <cerrno>
#include <cstring>

namespace History {

namespace {

const QLatin1String kProduced("produced");
const QLatin1String kChanged("changed");
const QLatin1String kLockBroken("lockbroken");
const int kProducedFields = 8;
const int kChangedFields = 6;
const int kLockBrokenFields = 7;

// Fields from `from` on that are tags; anything else there is left for later versions.
void readTags(const QStringList& fields, int from, Entry* e)
{
    for (int i = from; i < fields.size(); ++i) {
        const QString& f = fields.at(i);
        const int eq = f.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QStringRef key = f.leftRef(eq);
        const QString value = f.mid(eq + 1);
        if (key == QLatin1String("version"))
            e->reportVersion = value.toInt();
        else if (key == QLatin1String("pdf"))
            e->pdf = value;
        else if (key == QLatin1String("reason"))
            e->reason = value;
        else if (key == QLatin1String("tx"))
            e->tx = value;
        else if (key == QLatin1String("prev"))
            e->prev = value;
    }
}

void writeTags(const Entry& e, QStringList* fields)
{
    if (e.reportVersion > 0)
        *fields << QStringLiteral("version=%1").arg(e.reportVersion);
    const struct
    {
        const char* key;
        const QString& value;
    } tags[] = {{"pdf", e.pdf}, {"reason", e.reason}, {"tx", e.tx}, {"prev", e.prev}};
    for (const auto& t : tags) {
        if (!t.value.isEmpty())
            *fields << QLatin1String(t.key) % QLatin1Char('=') % t.value;
    }
}

} // namespace

QString path(const QString& reportFolder)
{
    return QStringLiteral("%1/history.txt").arg(reportFolder);
}

QString timeText(const QDateTime& when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) %
           QLatin1Char(offset < 0 ? '-' : '+') %
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString escape(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescape(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != QLatin1Char('\\') || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar next = field.at(i + 1);
        switch (next.unicode()) {
        case '\\':
            out += QLatin1Char('\\');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            out += c;
            out += next;
        }
        ++i;
    }
    return out;
}

QString format(const Entry& entry)
{
    QStringList fields{timeText(entry.when)};
    switch (entry.kind) {
    case Entry::Kind::Produced:
        fields << kProduced << entry.operatorName << entry.typeCode << entry.serial << entry.version
               << entry.folderPath << entry.folderName;
        break;
    case Entry::Kind::Changed:
        fields << kChanged << entry.operatorName << entry.field << entry.oldValue << entry.newValue;
        break;
    case Entry::Kind::LockBroken:
        fields << kLockBroken << entry.operatorName << entry.holderOperator << entry.holderHost
               << entry.holderPid << entry.holderStarted;
        break;
    case Entry::Kind::Unreadable:
        return entry.line;
    }
    writeTags(entry, &fields);
    for (int i = 2; i < fields.size(); ++i)
        fields[i] = escape(fields.at(i));
    return fields.join(QLatin1Char('\t'));
}

Entry parse(const QString& line)
{
    Entry e;
    e.line = line;
    if (e.line.endsWith(QLatin1Char('\r')))
        e.line.chop(1);
    QStringList fields = e.line.split(QLatin1Char('\t'));
    for (QString& f : fields)
        f = unescape(f);
    const QDateTime when = QDateTime::fromString(fields.at(0), Qt::ISODate);
    if (!when.isValid() || fields.size() < 3)
        return e;
    if (fields.at(1) == kProduced && fields.size() >= kProducedFields) {
        e.kind = Entry::Kind::Produced;
        e.typeCode = fields.at(3);
        e.serial = fields.at(4);
        e.version = fields.at(5);
        e.folderPath = fields.at(6);
        e.folderName = fields.at(7);
    } else if (fields.at(1) == kChanged && fields.size() >= kChangedFields) {
        e.kind = Entry::Kind::Changed;
        e.field = fields.at(3);
        e.oldValue = fields.at(4);
        e.newValue = fields.at(5);
    } else if (fields.at(1) == kLockBroken && fields.size() >= kLockBrokenFields) {
        e.kind = Entry::Kind::LockBroken;
        e.holderOperator = fields.at(3);
        e.holderHost = fields.at(4);
        e.holderPid = fields.at(5);
        e.holderStarted = fields.at(6);
    } else {
        // A kind of a later version still carries its link in the chain.
        readTags(fields, 3, &e);
        return e;
    }
    readTags(fields,
             e.kind == Entry::Kind::Produced  ? kProducedFields
             : e.kind == Entry::Kind::Changed ? kChangedFields
                                              : kLockBrokenFields,
             &e);
    e.when = when;
    e.operatorName = fields.at(2);
    return e;
}

Entry produced(const QDateTime& when, const QString& operatorName, unsigned char typeCode,
               qint32 serial, unsigned char version, const QString& folderPath,
               const QString& folderName)
{
    Entry e;
    e.kind = Entry::Kind::Produced;
    e.when = when;
    e.operatorName = operatorName;
    e.typeCode = QString::number(typeCode);
    if (serial != 0)
        e.serial = QString::number(serial);
    if (version != 0)
        e.version = QLatin1String("0x") %
                    QStringLiteral("%1").arg(version, 2, 16, QLatin1Char('0')).toUpper();
    e.folderPath = folderPath;
    e.folderName = folderName;
    return e;
}

QList<Entry> changes(const QDateTime& when, const QString& operatorName,
                     const ReportRecord::PrintValues& before,
                     const ReportRecord::PrintValues& after)
{
    const struct
    {
        const char* key;
        QString ReportRecord::PrintValues::*value;
    } fields[] = {{"ProbeNamePrint", &ReportRecord::PrintValues::probeName},
                  {"ProbeIDPrint", &ReportRecord::PrintValues::probeId},
                  {"PatientPrint", &ReportRecord::PrintValues::patient},
                  {"ConclusionPrint", &ReportRecord::PrintValues::conclusion}};
    QList<Entry> out;
    for (const auto& f : fields) {
        if (before.*f.value == after.*f.value)
            continue;
        Entry e;
        e.kind = Entry::Kind::Changed;
        e.when = when;
        e.operatorName = operatorName;
        e.field = QLatin1String(f.key);
        e.oldValue = before.*f.value;
        e.newValue = after.*f.value;
        out << e;
    }
    return out;
}

Entry lockBroken(const QDateTime& when, const QString& operatorName, const QString& holderOperator,
                 const QString& holderHost, qint64 holderPid, const QDateTime& holderStarted)
{
    Entry e;
    e.kind = Entry::Kind::LockBroken;
    e.when = when;
    e.operatorName = operatorName;
    e.holderOperator = holderOperator;
    e.holderHost = holderHost;
    e.holderPid = QString::number(holderPid);
    e.holderStarted = holderStarted.isValid() ? timeText(holderStarted) : QString();
    return e;
}

QStringList lines(const QByteArray& content, bool keepTorn)
{
    QStringList out;
    const QList<QByteArray> pieces = content.split('\n');
    const int complete = keepTorn ? pieces.size() : pieces.size() - 1;
    for (int i = 0; i < complete; ++i) {
        QString line = QString::fromUtf8(pieces.at(i));
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            out << line;
    }
    return out;
}

QList<Entry> read(const QString& path, FileWrite::Result* error)
{
    QList<Entry> entries;
    QByteArray content;
    bool exists = false;
    const FileWrite::Result r = readFile(path, &content, &exists);
    if (!r) {
        if (error)
            *error = r;
        return entries;
    }
    for (const QString& line : lines(content, true))
        entries << parse(line);
    return entries;
}

FileWrite::Result readFile(const QString& path, QByteArray* content, bool* exists)
{
    if (QFileInfo(path).isDir()) {
        FileWrite::Result r = FileWrite::fromErrno(path, EISDIR);
        r.reading = true;
        return r;
    }
    return RawFile::read(path, content, exists);
}

QString displayTime(const QDateTime& when)
{
    QString text = timeText(when).replace(QLatin1Char('T'), QLatin1Char(' '));
    return text.insert(text.size() - 6, QLatin1Char(' ')); // before the offset
}

QString fieldLabel(const QString& key, uchar lang)
{
    const bool en = lang == 0;
    if (key == QLatin1String("ProbeNamePrint"))
        return en ? QStringLiteral("Analysis name") : QString::fromUtf8("Название анализа");
    if (key == QLatin1String("ProbeIDPrint"))
        return en ? QStringLiteral("Analysis code") : QString::fromUtf8("Код анализа");
    if (key == QLatin1String("PatientPrint"))
        return en ? QStringLiteral("Patient name") : QString::fromUtf8("Имя пациента");
    if (key == QLatin1String("ConclusionPrint"))
        return en ? QStringLiteral("Conclusion") : QString::fromUtf8("Заключение");
    return key;
}

} // namespace History
