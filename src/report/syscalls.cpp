#include "report/syscalls.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sys {

namespace {

constexpr int kOps = int(Op::Any) + 1;
int g_counts[kOps] = {};
Op g_faultOp = Op::Any;
int g_faultAt = 0;
Fault g_fault = Fault::Fail;
int g_faultError = EIO;

// Counts the call and says which error, if any, the test seam wants it to fail with.
int injected(Op op)
{
    ++g_counts[int(op)];
    ++g_counts[int(Op::Any)];
    if (g_faultAt <= 0 || (g_faultOp != Op::Any && g_faultOp != op))
        return 0;
    if (--g_faultAt != 0)
        return 0;
    if (g_fault == Fault::Crash)
        ::_exit(137); // no cleanup, no flush: what a power cut leaves
    return g_faultError;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

int openForWrite(const QString& path, bool exclusive)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
    const int fd = ::open(native(path).constData(), flags, 0666);
    return fd >= 0 ? fd : -errno;
}

int writeAll(int fd, const char* data, qint64 size)
{
    if (const int e = injected(Op::Write))
        return e;
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= n;
    }
    return 0;
}

int sync(int fd)
{
    if (const int e = injected(Op::Sync))
        return e;
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

int close(int fd)
{
    const int e = injected(Op::Close);
    // The descriptor is gone whatever close() says; a network share reports a refused write
    // here.
    const int r = ::close(fd);
    if (e)
        return e;
    return r == 0 || errno == EINTR ? 0 : errno;
}

int rename(const QString& from, const QString& to)
{
    if (const int e = injected(Op::Rename))
        return e;
    return std::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int mkdir(const QString& path)
{
    if (const int e = injected(Op::Mkdir))
        return e;
    return ::mkdir(native(path).constData(), 0777) == 0 ? 0 : errno;
}

int link(const QString& from, const QString& to)
{
    if (const int e = injected(Op::Link))
        return e;
    return ::link(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
}

int syncDir(const QString& dir)
{
    if (const int e = injected(Op::Sync))
        return e;
    const int fd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int r = ::fsync(fd) == 0 ? 0 : errno;
    // Some file systems (and network shares) cannot sync a directory; their renames are
    // durable when the call returns.
    if (r == EINVAL || r == ENOTSUP)
        r = 0;
    ::close(fd);
    return r;
}

int writeFile(const QString& path, const QByteArray& data, bool exclusive)
{
    const int fd = openForWrite(path, exclusive);
    if (fd < 0)
        return -fd;
    int e = writeAll(fd, data.constData(), data.size());
    if (!e)
        e = sync(fd);
    const int c = close(fd);
    return e ? e : c;
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void inject(Op op, int k, Fault fault, int error)
{
    g_faultOp = op;
    g_faultAt = k;
    g_fault = fault;
    g_faultError = error;
}

int count(Op op)
{
    return g_counts[int(op)];
}

void resetCounts()
{
    for (int& c : g_counts)
        c = 0;
}

} // namespace Sys
