#include "report/history.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace History {

namespace {

const QLatin1String kProduced("produced");
const QLatin1String kChanged("changed");
const int kProducedFields = 8;
const int kChangedFields = 6;

}  // namespace

QString path(const QString& reportFolder)
{
    return QStringLiteral("%1/history.txt").arg(reportFolder);
}

QString timeText(const QDateTime& when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
        % QLatin1Char(offset < 0 ? '-' : '+')
        % QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString escape(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
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
        case '\\': out += QLatin1Char('\\'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
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
    case Entry::Kind::Unreadable:
        return entry.line;
    }
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
    } else {
        return e;
    }
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
        e.version = QLatin1String("0x")
            % QStringLiteral("%1").arg(version, 2, 16, QLatin1Char('0')).toUpper();
    e.folderPath = folderPath;
    e.folderName = folderName;
    return e;
}

QList<Entry> changes(const QDateTime& when, const QString& operatorName,
                     const ReportRecord::PrintValues& before, const ReportRecord::PrintValues& after)
{
    const struct {
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

FileWrite::Result append(const QString& path, const QList<Entry>& entries)
{
    if (entries.isEmpty())
        return FileWrite::success();
    QStringList lines;
    for (const Entry& e : entries)
        lines << format(e);
    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return FileWrite::failure(path, existing.errorString());
        content = existing.readAll();
        if (!content.isEmpty() && !content.endsWith('\n'))
            content += "\r\n";
    }
    content += FileWrite::crlf(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return FileWrite::bytes(path, content);
}

QList<Entry> read(const QString& path, FileWrite::Result* error)
{
    QList<Entry> entries;
    QFile file(path);
    if (!file.exists())
        return entries;
    const bool isDir = QFileInfo(path).isDir();
    if (isDir || !file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = isDir ? FileWrite::failure(path, QString::fromLocal8Bit(std::strerror(EISDIR)), EISDIR)
                           : FileWrite::failure(path, file.errorString());
            error->reading = true;
        }
        return entries;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            entries << parse(line);
    }
    return entries;
}

}  // namespace History
