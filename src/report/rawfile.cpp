#include "report/rawfile.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawFile {

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

FileWrite::Result closeChecked(int fd, const QString& path)
{
    // A network file system may report a refused write only here.
    if (::close(fd) != 0)
        return failure(path, errno);
    return FileWrite::success();
}

FileWrite::Result writeAll(int fd, const QByteArray& bytes, const QString& path)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return failure(path, n < 0 ? errno : EIO);
        done += n;
    }
    return FileWrite::success();
}

QDateTime modified(const struct stat& st)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

// Some network file systems have no hard links; O_EXCL is atomic there too, but a reader may
// then see the file before its content.
bool noLinks(int error)
{
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

FileWrite::Result copyExclusive(const QString& temp, const QString& target, bool sync)
{
    QByteArray bytes;
    FileWrite::Result r = read(temp, &bytes);
    if (!r)
        return r;
    const int fd =
        ::open(native(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failure(target, errno);
    r = writeAll(fd, bytes, target);
    if (r && sync && ::fsync(fd) != 0)
        r = failure(target, errno);
    const FileWrite::Result closed = closeChecked(fd, target);
    if (r && !closed)
        r = closed;
    if (!r)
        ::unlink(native(target).constData());
    return r;
}

FileWrite::Result place(const QString& temp, const QString& target, bool sync)
{
    FileWrite::Result r;
    if (::link(native(temp).constData(), native(target).constData()) != 0) {
        const int e = errno;
        r = noLinks(e) ? copyExclusive(temp, target, sync) : failure(target, e);
    }
    ::unlink(native(temp).constData());
    if (r && sync)
        r = syncDir(QFileInfo(target).absolutePath());
    return r;
}

} // namespace

FileWrite::Result failure(const QString& path, int error)
{
    return FileWrite::failure(path, QString::fromLocal8Bit(std::strerror(error)), error);
}

FileWrite::Result read(const QString& path, QByteArray* bytes, bool* exists)
{
    bytes->clear();
    if (exists)
        *exists = true;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT && exists) {
            *exists = false;
            return FileWrite::success();
        }
        FileWrite::Result r = failure(path, e);
        r.reading = true;
        return r;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FileWrite::Result r = failure(path, errno);
            r.reading = true;
            ::close(fd);
            return r;
        }
        if (n == 0)
            break;
        bytes->append(buffer, int(n));
    }
    ::close(fd);
    return FileWrite::success();
}

QString tempBeside(const QString& target)
{
    const QFileInfo info(target);
    return info.absolutePath() % QLatin1String("/.") % info.fileName() % QLatin1Char('-') %
           QUuid::createUuid().toString(QUuid::Id128).left(12) % QLatin1String(".tmp");
}

FileWrite::Result createExclusive(const QString& target, const QByteArray& bytes, bool sync,
                                  QDateTime* shareNow)
{
    const QString temp = tempBeside(target);
    const int fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int e = errno;
        // The folder's own problem (a file in its place, no folder) is the one to name.
        return failure(e == ENOENT || e == ENOTDIR ? QFileInfo(target).absolutePath() : target, e);
    }
    FileWrite::Result r = writeAll(fd, bytes, temp);
    if (r && sync && ::fsync(fd) != 0)
        r = failure(temp, errno);
    struct stat st;
    if (r && shareNow && ::fstat(fd, &st) == 0)
        *shareNow = modified(st);
    const FileWrite::Result closed = closeChecked(fd, temp);
    if (r && !closed)
        r = closed;
    if (!r) {
        ::unlink(native(temp).constData());
        return r;
    }
    return place(temp, target, sync);
}

FileWrite::Result linkInPlace(const QString& temp, const QString& target, bool sync)
{
    if (sync) {
        const FileWrite::Result synced = syncFile(temp);
        if (!synced) {
            ::unlink(native(temp).constData());
            return synced;
        }
    }
    return place(temp, target, sync);
}

FileWrite::Result syncFile(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failure(path, errno);
    if (::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        return failure(path, e);
    }
    return closeChecked(fd, path);
}

FileWrite::Result syncDir(const QString& dir)
{
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failure(dir, errno);
    // Some network file systems cannot sync a folder; they keep its entries on the server anyway.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) {
        const int e = errno;
        ::close(fd);
        return failure(dir, e);
    }
    ::close(fd);
    return FileWrite::success();
}

} // namespace RawFile
