#include "report/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace FileWrite {

namespace {

int g_failAt = 0;
int g_count = 0;

// Counts a write and says whether the test seam wants this one to fail.
bool injectedFailure()
{
    ++g_count;
    if (g_failAt <= 0)
        return false;
    if (--g_failAt == 0)
        return true;
    return false;
}

Result injected(const QString& path)
{
    return failure(path, QString::fromLocal8Bit(std::strerror(EIO)), EIO);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Qt reports some failures in its own words; the errno they stand for lets the reason be
// translated like the system's own.
int errorFromText(const QString& text)
{
    static const int known[] = {ENOSPC, ENOTDIR, EISDIR, EACCES, EROFS, EEXIST, ENOENT, EIO, EDQUOT, EPERM};
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

// Why a file at `path` cannot be written, found by trying to; QSettings does not say.
Result probe(const QString& path)
{
    if (QFileInfo(path).isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fromDevice(path, file.errorString());
    file.cancelWriting();
    return failure(path, systemReason(EIO), EIO);
}

Result save(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    if (injectedFailure())
        return injected(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fromDevice(path, file.errorString());
    if (!write(file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fromDevice(path, reason);
    }
    if (!file.commit())
        return fromDevice(path, file.errorString());
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

QString tempPathBeside(const QString& path)
{
    // Same folder (so the rename stays on one file system) and same suffix (which tells the
    // PDF printer the format).
    const QFileInfo info(path);
    return info.absolutePath() % QLatin1String("/.") % info.completeBaseName() % QLatin1Char('-')
        % QUuid::createUuid().toString(QUuid::Id128).left(12) % QLatin1Char('.') % info.suffix();
}

// Atomic on one file system: readers see the old file or the new one, never a mixture.
Result renameOver(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int e = errno;
        QFile::remove(from);
        return failure(to, systemReason(e), e);
    }
    return success();
}

}  // namespace

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

Result makePath(const QString& dir)
{
    if (injectedFailure())
        return injected(dir);
    const QString absolute = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current;
    for (const QString& part : parts) {
        current += QLatin1Char('/') + part;
        struct stat st;
        const QByteArray native = QFile::encodeName(current);
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return failure(current, systemReason(ENOTDIR), ENOTDIR);
            continue;
        }
        if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) {
            const int e = errno;
            return failure(current, systemReason(e), e);
        }
    }
    return success();
}

Result text(const QString& path, const QString& text)
{
    return bytes(path, crlf(text));
}

Result bytes(const QString& path, const QByteArray& data)
{
    return save(path, [&data](QIODevice& file) { return file.write(data) == data.size(); });
}

Result image(const QString& path, const QImage& image)
{
    const QByteArray format = QFileInfo(path).suffix().toLatin1();
    return save(path, [&](QIODevice& file) { return image.save(&file, format.constData()); });
}

Result prepare(const QString& path, const std::function<bool(const QString&)>& produce,
               Pending* pending)
{
    pending->discard();
    const QString temp = tempPathBeside(path);
    const bool produced = produce(temp);
    const QFileInfo written(temp);
    if (!produced || !written.exists() || written.size() == 0) {
        QFile::remove(temp);
        // The producer's own failure is opaque; creating the file ourselves gives the reason.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return fromDevice(path, file.errorString());
        file.cancelWriting();
        return failure(path, systemReason(EIO), EIO);
    }
    pending->m_temp = temp;
    pending->m_target = path;
    return success();
}

Result Pending::commit()
{
    const QString temp = m_temp;
    m_temp.clear();
    if (temp.isEmpty())
        return failure(m_target, systemReason(ENOENT), ENOENT);
    if (injectedFailure()) {
        QFile::remove(temp);
        return injected(m_target);
    }
    return renameOver(temp, m_target);
}

void Pending::discard()
{
    if (!m_temp.isEmpty())
        QFile::remove(m_temp);
    m_temp.clear();
}

Result produce(const QString& path, const std::function<bool(const QString&)>& produce)
{
    Pending pending;
    const Result made = prepare(path, produce, &pending);
    return made ? pending.commit() : made;
}

namespace {

Result readableIni(const QString& path, bool mustExist)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (mustExist)
            return failure(path, systemReason(ENOENT), ENOENT);
        return success();
    }
    if (info.isDir())
        return failure(path, systemReason(EISDIR), EISDIR);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fromDevice(path, file.errorString());
    const QByteArray content = file.readAll();
    file.close();
    // QSettings keeps what it parsed of a file and reports a format error only when it
    // first reads it; a private copy makes it parse the bytes afresh.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(content) != content.size() || !copy.flush())
        return failure(path, systemReason(EIO), EIO);
    QSettings settings(copy.fileName(), QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError)
        return failure(path, QStringLiteral("the file is damaged and cannot be read"), -1);
    return success();
}

}  // namespace

Result checkIniReadable(const QString& path, bool mustExist)
{
    Result r = readableIni(path, mustExist);
    r.reading = !r.ok;
    return r;
}

Result ini(const QString& path, const std::function<void(QSettings&)>& edit, IniMode mode)
{
    if (mode == IniMode::Replace) {
        if (injectedFailure())
            return injected(path);
        const QString temp = tempPathBeside(path);
        {
            QSettings settings(temp, QSettings::IniFormat);
            edit(settings);
            settings.sync();
            if (settings.status() != QSettings::NoError) {
                QFile::remove(temp);
                return probe(path);
            }
        }
        return renameOver(temp, path);
    }

    const Result readable = checkIniReadable(path, mode == IniMode::UpdateExisting);
    if (!readable)
        return readable;
    if (injectedFailure())
        return injected(path);
    QSettings settings(path, QSettings::IniFormat);
    edit(settings);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return probe(path);
    return success();
}

Result appendLine(const QString& path, const QString& line)
{
    // Small files: the whole file is rewritten with the new line so that a failure never
    // leaves part of a line behind.
    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return fromDevice(path, existing.errorString());
        content = existing.readAll();
        existing.close();
        if (!content.isEmpty() && !content.endsWith('\n'))
            content += "\r\n";
    }
    content += crlf(line + QLatin1Char('\n'));
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
    case ENOSPC: return QString::fromUtf8("на диске нет места");
    case ENOTDIR: return QString::fromUtf8("на месте папки находится файл");
    case EISDIR: return QString::fromUtf8("на месте файла находится папка");
    case EACCES:
    case EPERM: return QString::fromUtf8("нет прав на запись");
    case EROFS: return QString::fromUtf8("диск доступен только для чтения");
    case EEXIST: return QString::fromUtf8("файл уже существует");
    case ENOENT: return QString::fromUtf8("файл или папка не найдены");
    case EIO: return QString::fromUtf8("ошибка ввода-вывода");
    case EDQUOT: return QString::fromUtf8("превышена дисковая квота");
    case -1: return QString::fromUtf8("файл поврежден и не может быть прочитан");
    default: return result.reason;
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

void failWrite(int k)
{
    g_failAt = k;
}

int writeCount()
{
    return g_count;
}

}  // namespace FileWrite
