#include "report/rawfile.h"

#include "report/syscalls.h"

#include <QFile>
#include <QFileInfo>

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
    return FileWrite::fromErrno(path, Sys::close(fd));
}

FileWrite::Result writeAll(int fd, const QByteArray& bytes, const QString& path)
{
    return FileWrite::fromErrno(path, Sys::writeAll(fd, bytes.constData(), bytes.size()));
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
        return FileWrite::fromErrno(target, errno);
    r = writeAll(fd, bytes, target);
    if (r && sync)
        r = FileWrite::fromErrno(target, Sys::sync(fd));
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
    const int e = Sys::link(temp, target);
    if (e != 0)
        r = noLinks(e) ? copyExclusive(temp, target, sync) : FileWrite::fromErrno(target, e);
    ::unlink(native(temp).constData());
    if (r && sync)
        r = syncDir(QFileInfo(target).absolutePath());
    return r;
}

} // namespace

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
        FileWrite::Result r = FileWrite::fromErrno(path, e);
        r.reading = true;
        return r;
    }
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FileWrite::Result r = FileWrite::fromErrno(path, errno);
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

FileWrite::Result createExclusive(const QString& target, const QByteArray& bytes, bool sync,
                                  QDateTime* shareNow)
{
    const QString temp = FileWrite::tempPathBeside(target);
    const int fd = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int e = errno;
        // The folder's own problem (a file in its place, no folder) is the one to name.
        return FileWrite::fromErrno(
            e == ENOENT || e == ENOTDIR ? QFileInfo(target).absolutePath() : target, e);
    }
    // The user knows the file by the name it is going to have.
    FileWrite::Result r = writeAll(fd, bytes, target);
    if (r && sync)
        r = FileWrite::fromErrno(target, Sys::sync(fd));
    struct stat st;
    if (r && shareNow && ::fstat(fd, &st) == 0)
        *shareNow = modified(st);
    const FileWrite::Result closed = closeChecked(fd, target);
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
            return FileWrite::failure(target, synced.reason, synced.error);
        }
    }
    return place(temp, target, sync);
}

FileWrite::Result syncFile(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return FileWrite::fromErrno(path, errno);
    const int e = Sys::sync(fd);
    const FileWrite::Result closed = closeChecked(fd, path);
    return e != 0 ? FileWrite::fromErrno(path, e) : closed;
}

FileWrite::Result syncDir(const QString& dir)
{
    return FileWrite::fromErrno(dir, Sys::syncDir(dir));
}

} // namespace RawFile
