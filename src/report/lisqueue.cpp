#include "report/lisqueue.h"

#include "report/hl7message.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace LisQueue {

const char* const FolderTarget = "folder";
const char* const MllpTarget = "mllp";

namespace {

// Anything else in the folders (a temporary file left by a crash) is not an entry.
const QRegularExpression& namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9]{17}-([0-9A-Za-z]+)\\.(folder|mllp)$"));
    return pattern;
}

QString folderOf(LisEntry::State state)
{
    switch (state) {
    case LisEntry::State::Waiting:
        return QStringLiteral("queue");
    case LisEntry::State::Sending:
        return QStringLiteral("sending");
    case LisEntry::State::Delivered:
        return QStringLiteral("sent");
    case LisEntry::State::Failed:
        return QStringLiteral("failed");
    }
    return QString();
}

QString pathOf(const QString& root, LisEntry::State state, const QString& name = QString())
{
    const QString dir = root % QLatin1Char('/') % folderOf(state);
    return name.isEmpty() ? dir : dir % QLatin1Char('/') % name;
}

bool renameFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QByteArray header(const LisEntry& e)
{
    QJsonObject o;
    o.insert(QStringLiteral("report"), e.reportFolder);
    o.insert(QStringLiteral("analysis"), e.analysisCode);
    o.insert(QStringLiteral("version"), e.version);
    o.insert(QStringLiteral("queued"), e.queued.toUTC().toString(Qt::ISODateWithMs));
    if (e.finished.isValid())
        o.insert(QStringLiteral("finished"), e.finished.toUTC().toString(Qt::ISODateWithMs));
    if (!e.answer.isEmpty())
        o.insert(QStringLiteral("answer"), e.answer);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

FileWrite::Result write(const QString& root, LisEntry::State state, const LisEntry& entry,
                        bool withMessage)
{
    const QString dir = pathOf(root, state);
    FileWrite::Result result = FileWrite::makePath(dir);
    if (!result)
        return result;
    result = FileWrite::bytes(pathOf(root, state, entry.name),
                              header(entry) + '\n' + (withMessage ? entry.message : QByteArray()));
    if (result && !syncFolder(dir))
        result = FileWrite::failure(dir, QString::fromLocal8Bit(std::strerror(errno)), errno);
    return result;
}

} // namespace

QString root(const QString& appDir)
{
    return appDir + QLatin1String("/lis");
}

QString newName(const QString& controlId, const QString& target)
{
    // Names sort in the order messages were queued, also two queued within one millisecond:
    // their time never repeats within this process.
    static qint64 last = 0;
    const qint64 now = qMax(QDateTime::currentMSecsSinceEpoch(), last + 1);
    last = now;
    return QDateTime::fromMSecsSinceEpoch(now, Qt::UTC)
               .toString(QStringLiteral("yyyyMMddHHmmsszzz")) %
           QLatin1Char('-') % controlId % QLatin1Char('.') % target;
}

QString controlIdOf(const QString& name)
{
    return namePattern().match(name).captured(1);
}

QString targetOf(const QString& name)
{
    return namePattern().match(name).captured(2);
}

FileWrite::Result add(const QString& root, const LisEntry& entry)
{
    return write(root, LisEntry::State::Waiting, entry, true);
}

QStringList names(const QString& root, LisEntry::State state, const QString& target)
{
    QStringList out;
    const QStringList all = QDir(pathOf(root, state)).entryList(QDir::Files, QDir::Name);
    for (const QString& name : all) {
        const QRegularExpressionMatch m = namePattern().match(name);
        if (m.hasMatch() && (target.isEmpty() || m.captured(2) == target))
            out.append(name);
    }
    return out;
}

bool claim(const QString& root, const QString& name)
{
    if (!QDir().mkpath(pathOf(root, LisEntry::State::Sending)))
        return false;
    return renameFile(pathOf(root, LisEntry::State::Waiting, name),
                      pathOf(root, LisEntry::State::Sending, name));
}

bool release(const QString& root, const QString& name)
{
    return renameFile(pathOf(root, LisEntry::State::Sending, name),
                      pathOf(root, LisEntry::State::Waiting, name));
}

bool read(const QString& root, LisEntry::State state, const QString& name, LisEntry* entry,
          bool withMessage)
{
    QFile file(pathOf(root, state, name));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readLine(64 * 1024);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line.trimmed(), &error).object();
    if (error.error != QJsonParseError::NoError || !line.endsWith('\n'))
        return false;
    entry->name = name;
    entry->state = state;
    entry->target = targetOf(name);
    entry->controlId = controlIdOf(name);
    entry->reportFolder = o.value(QStringLiteral("report")).toString();
    entry->analysisCode = o.value(QStringLiteral("analysis")).toString();
    entry->version = o.value(QStringLiteral("version")).toInt(1);
    entry->queued =
        QDateTime::fromString(o.value(QStringLiteral("queued")).toString(), Qt::ISODateWithMs);
    entry->finished =
        QDateTime::fromString(o.value(QStringLiteral("finished")).toString(), Qt::ISODateWithMs);
    entry->answer = o.value(QStringLiteral("answer")).toString();
    entry->message = withMessage ? file.readAll() : QByteArray();
    return file.error() == QFileDevice::NoError;
}

FileWrite::Result finish(const QString& root, const LisEntry& entry)
{
    const bool failed = entry.state == LisEntry::State::Failed;
    const FileWrite::Result result = write(root, entry.state, entry, failed);
    if (!result)
        return result;
    QFile::remove(pathOf(root, LisEntry::State::Sending, entry.name));
    syncFolder(pathOf(root, LisEntry::State::Sending));
    return result;
}

void recover(const QString& root)
{
    for (const QString& name : names(root, LisEntry::State::Sending)) {
        const bool finished = QFile::exists(pathOf(root, LisEntry::State::Delivered, name)) ||
                              QFile::exists(pathOf(root, LisEntry::State::Failed, name));
        if (finished)
            QFile::remove(pathOf(root, LisEntry::State::Sending, name));
        else
            release(root, name);
    }
    syncFolder(pathOf(root, LisEntry::State::Waiting));
}

bool resend(const QString& root, const QString& name, QString* newName)
{
    *newName = LisQueue::newName(Hl7::newControlId(), targetOf(name));
    if (!renameFile(pathOf(root, LisEntry::State::Failed, name),
                    pathOf(root, LisEntry::State::Waiting, *newName)))
        return false;
    syncFolder(pathOf(root, LisEntry::State::Waiting));
    return true;
}

void prune(const QString& root, int keep)
{
    const QStringList delivered = names(root, LisEntry::State::Delivered);
    for (int i = 0; i < delivered.size() - keep; ++i)
        QFile::remove(pathOf(root, LisEntry::State::Delivered, delivered.at(i)));
}

QVector<LisEntry> recent(const QString& root, int max)
{
    QVector<QPair<QString, LisEntry::State>> all;
    for (LisEntry::State s : {LisEntry::State::Waiting, LisEntry::State::Sending,
                              LisEntry::State::Delivered, LisEntry::State::Failed}) {
        for (const QString& name : names(root, s))
            all.append({name, s});
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    QVector<LisEntry> out;
    for (const auto& item : all) {
        if (out.size() >= max)
            break;
        LisEntry e;
        // An entry that moved on meanwhile is read again at the next refresh.
        if (read(root, item.second, item.first, &e, false))
            out.append(e);
    }
    return out;
}

bool syncFolder(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace LisQueue
