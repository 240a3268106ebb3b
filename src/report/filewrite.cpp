#include "report/filewrite.h"

#include "report/syscalls.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QSettings>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileWrite {

namespace {

QString systemReason(int error)
{
    return Sys::reason(error);
}

// Qt reports some failures in its own words; the errno they stand for lets the reason be
// translated like the system's own.
int errorFromText(const QString& text)
{
    static const int known[] = {ENOSPC, ENOTDIR, EISDIR, EACCES, EROFS,
                                EEXIST, ENOENT,  EIO,    EDQUOT, EPERM};
    for (int e : known) {
        if (text == systemReason(e))
            return e;
    }
    if (text.contains(QLatin1String("refers to a directory")))
        return EISDIR;
    return 0;
}

Result fromDevice(const QString& path, const QString& errorString)
{
    QString reason = errorString;
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = systemReason(EIO);
    return failure(path, reason, errorFromText(reason));
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// A folder or a missing parent in the way explains a failed write better than what the
// temporary file beside the target met.
Result explainTarget(const QString& path, int error)
{
    if (QFileInfo(path).isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    const QFileInfo folder(folderOf(path));
    if (folder.exists() && !folder.isDir())
        return failure(path, systemReason(ENOTDIR), ENOTDIR);
    return failure(path, systemReason(error), error);
}

} // namespace

Result success()
{
    return Result();
}

Result failure(const QString& path, const QString& reason, int error)
{
    Result r;
    r.ok = false;
    r.path = path;
    r.reason = reason;
    r.error = error;
    return r;
}

Result fromErrno(const QString& path, int error)
{
    return error == 0 ? success() : failure(path, systemReason(error), error);
}

namespace {

QString hostTag()
{
    static const QString host = QSysInfo::machineHostName()
                                    .replace(QLatin1Char('.'), QLatin1Char('_'))
                                    .replace(QLatin1Char('/'), QLatin1Char('_'));
    return host;
}

} // namespace

QString tempPathBeside(const QString& path)
{
    const QFileInfo info(path);
    // The target's ending is kept, so that whatever treats files by their ending (a file system
    // filter, a quota) treats the temporary file alike.
    const QString suffix = info.suffix();
    return info.absolutePath() % QLatin1String("/.") % info.fileName() % QLatin1Char('.') %
           hostTag() % QLatin1Char('-') % QString::number(::getpid()) % QLatin1Char('-') %
           QString::number(QRandomGenerator::global()->generate64() & 0xFFFFFFFFFFFFull, 36) %
           QLatin1String(".tmp") % (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

bool isAbandonedTemp(const QString& path)
{
    const QFileInfo info(path);
    QString name = info.fileName();
    // ".<name>.<host>-<pid>-<random>.tmp", and the target's ending after it where it has one.
    const int tmp = name.lastIndexOf(QLatin1String(".tmp"));
    if (!name.startsWith(QLatin1Char('.')) || tmp < 0 ||
        (tmp + 4 != name.size() && name.at(tmp + 4) != QLatin1Char('.')))
        return false;
    name.truncate(tmp + 4);
    const QDateTime modified = info.lastModified();
    if (modified.isValid() && modified.secsTo(QDateTime::currentDateTime()) > 3600)
        return true;
    // Read from the right: names may hold '.' and '-'.
    const QString tag = name.left(name.size() - 4).section(QLatin1Char('.'), -1);
    const QString host = tag.section(QLatin1Char('-'), 0, -3);
    bool numeric = false;
    const qint64 pid = tag.section(QLatin1Char('-'), -2, -2).toLongLong(&numeric);
    if (!numeric || pid <= 0 || host != hostTag())
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void removeAbandonedTemps(const QString& dir)
{
    const QFileInfoList files =
        QDir(dir).entryInfoList({QStringLiteral(".*.tmp"), QStringLiteral(".*.tmp.*")},
                                QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (isAbandonedTemp(file.absoluteFilePath()))
            QFile::remove(file.absoluteFilePath());
    }
}

Result makePath(const QString& dir)
{
    const QString absolute = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        current += QLatin1Char('/') + part;
        struct stat st;
        if (::stat(QFile::encodeName(current).constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return failure(current, systemReason(ENOTDIR), ENOTDIR);
            continue;
        }
        const int e = Sys::mkdir(current);
        if (e != 0 && e != EEXIST)
            return fromErrno(current, e);
    }
    return success();
}

QByteArray crlf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    QChar previous;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') && previous != QLatin1Char('\r'))
            out += QLatin1Char('\r');
        out += c;
        previous = c;
    }
    return out.toUtf8();
}

Result text(const QString& path, const QString& text)
{
    return bytes(path, crlf(text));
}

Result bytes(const QString& path, const QByteArray& data)
{
    if (QFileInfo(path).isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    const QString temp = tempPathBeside(path);
    int e = Sys::writeFile(temp, data, true);
    if (e == 0)
        e = Sys::rename(temp, path);
    if (e != 0) {
        QFile::remove(temp);
        return explainTarget(path, e);
    }
    return fromErrno(folderOf(path), Sys::syncDir(folderOf(path)));
}

QByteArray encodeImage(const QImage& image, const QString& path)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray format = QFileInfo(path).suffix().toLatin1();
    if (!image.save(&buffer, format.constData()))
        return QByteArray();
    return encoded;
}

Result image(const QString& path, const QImage& image)
{
    const QByteArray encoded = encodeImage(image, path);
    if (encoded.isEmpty())
        return failure(path, systemReason(EINVAL), EINVAL);
    return bytes(path, encoded);
}

namespace {

QByteArray readAll(const QString& path, Result* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fromDevice(path, file.errorString());
        error->reading = true;
        return QByteArray();
    }
    return file.readAll();
}

// QSettings reads some keys that it cannot write back (one ending in "/" comes out as a key
// that escapes its "="), so a file whose rewrite would not read back the same keys counts
// as damaged too.
bool rewritesIntact(QSettings& settings, const QStringList& keys, const QString& scratch)
{
    {
        QSettings out(scratch, QSettings::IniFormat);
        for (const QString& key : keys)
            out.setValue(key, settings.value(key));
    }
    QSettings back(scratch, QSettings::IniFormat);
    const bool intact = back.allKeys() == keys && back.status() == QSettings::NoError;
    QFile::remove(scratch);
    return intact;
}

Result readableIni(const QString& path, bool mustExist)
{
    const QFileInfo info(path);
    if (!info.exists())
        return mustExist ? failure(path, systemReason(ENOENT), ENOENT) : success();
    if (info.isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    Result error;
    const QByteArray content = readAll(path, &error);
    if (!error)
        return error;
    // QSettings keeps what it parsed of a file and reports a format error only when it first
    // reads it; a private copy beside the file makes it parse the bytes afresh.
    const QString copy = tempPathBeside(path);
    const int e = Sys::writeFile(copy, content, true);
    if (e != 0) {
        QFile::remove(copy);
        return fromErrno(folderOf(path), e);
    }
    bool damaged = false;
    {
        QSettings settings(copy, QSettings::IniFormat);
        const QStringList keys = settings.allKeys(); // sections are parsed on first use
        damaged = settings.status() == QSettings::FormatError ||
                  !rewritesIntact(settings, keys, tempPathBeside(path));
    }
    QFile::remove(copy);
    if (damaged)
        return failure(path, QStringLiteral("the file is damaged and cannot be read"), -1);
    return success();
}

} // namespace

Result checkIniReadable(const QString& path, bool mustExist)
{
    Result r = readableIni(path, mustExist);
    r.reading = !r.ok && r.path == path;
    return r;
}

Result iniBytes(const QString& scratchDir, const QByteArray& base,
                const std::function<void(QSettings&)>& edit, QByteArray* out)
{
    const QString scratch = tempPathBeside(scratchDir + QLatin1String("/settings.ini"));
    int e = 0;
    if (!base.isEmpty()) {
        // A scratch copy for QSettings to read; it never replaces anything, so no sync.
        QFile copy(scratch);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(base) != base.size() || !copy.flush())
            e = errorFromText(copy.errorString()) ? errorFromText(copy.errorString()) : EIO;
    }
    if (e == 0) {
        QSettings settings(scratch, QSettings::IniFormat);
        edit(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            e = EIO;
    }
    Result read;
    if (e == 0)
        *out = QFileInfo::exists(scratch) ? readAll(scratch, &read) : QByteArray();
    QFile::remove(scratch);
    if (e != 0)
        return fromErrno(scratchDir, e);
    return read;
}

Result ini(const QString& path, const std::function<void(QSettings&)>& edit, IniMode mode)
{
    QByteArray base;
    if (mode != IniMode::Replace) {
        const Result readable = checkIniReadable(path, mode == IniMode::UpdateExisting);
        if (!readable)
            return readable;
        Result error;
        if (QFileInfo::exists(path))
            base = readAll(path, &error);
        if (!error)
            return error;
    }
    if (QFileInfo(path).isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    QByteArray content;
    const Result made = iniBytes(folderOf(path), base, edit, &content);
    if (!made)
        return explainTarget(path, made.error);
    return bytes(path, content);
}

QString reasonText(const Result& result, unsigned char language)
{
    if (language == 0) {
        // The system's words for these two puzzle people; say what is in the way.
        if (result.error == ENOTDIR)
            return result.reason + QLatin1String(" (a file stands where a folder is needed)");
        if (result.error == EISDIR)
            return result.reason + QLatin1String(" (a folder stands where a file is needed)");
        return result.reason;
    }
    switch (result.error) {
    case ENOSPC:
        return QString::fromUtf8("на диске нет места");
    case ENOTDIR:
        return QString::fromUtf8("на месте папки находится файл");
    case EISDIR:
        return QString::fromUtf8("на месте файла находится папка");
    case EACCES:
    case EPERM:
        return QString::fromUtf8("нет прав на запись");
    case EROFS:
        return QString::fromUtf8("диск доступен только для чтения");
    case EEXIST:
        return QString::fromUtf8("файл уже существует");
    case ENOENT:
        return QString::fromUtf8("файл или папка не найдены");
    case EIO:
        return QString::fromUtf8("ошибка ввода-вывода");
    case EDQUOT:
        return QString::fromUtf8("превышена дисковая квота");
    case EBUSY:
        return QString::fromUtf8("файл занят другой программой");
    case -1:
        return QString::fromUtf8("файл поврежден и не может быть прочитан");
    default:
        return result.reason;
    }
}

QString message(const Result& result, unsigned char language)
{
    const QString path = QDir::toNativeSeparators(result.path);
    if (language == 0)
        return (result.reading ? QStringLiteral("Could not read \"%1\": %2.")
                               : QStringLiteral("Could not write \"%1\": %2."))
            .arg(path, reasonText(result, 0));
    return (result.reading ? QString::fromUtf8("Не удалось прочитать \"%1\": %2.")
                           : QString::fromUtf8("Не удалось записать \"%1\": %2."))
        .arg(path, reasonText(result, 1));
}

} // namespace FileWrite
