#pragma once

#include <QByteArray>
#include <QString>

// The file system calls whose failure must never pass unnoticed: every one returns 0 or the
// errno it failed with. They are also the seam through which tests fail a write, a sync, a
// close or a rename in turn, or end the process right there, to see what a crash leaves.
namespace Sys {

enum class Op { Write, Sync, Close, Rename, Mkdir, Link, Any };
enum class Fault { Fail, Crash };

// Opens for writing: O_CREAT | O_TRUNC (or O_EXCL when exclusive). Returns the descriptor, or
// -errno.
int openForWrite(const QString& path, bool exclusive = false);
// Writes all of data, resuming after short writes.
int writeAll(int fd, const char* data, qint64 size);
int sync(int fd);
int close(int fd);
int rename(const QString& from, const QString& to);
int mkdir(const QString& path);
int link(const QString& from, const QString& to);
// Makes the entries of a directory (files renamed into it) durable.
int syncDir(const QString& dir);

// Write, sync and close of a whole new file; the first error is returned and the descriptor
// is always closed.
int writeFile(const QString& path, const QByteArray& data, bool exclusive = false);

QString reason(int error);

// Test seam: the k-th call of `op` counted from now (1-based; Any counts every call) fails with
// EIO, or ends the process on the spot (Crash) as a power cut would. k = 0 removes the fault.
void inject(Op op, int k, Fault fault = Fault::Fail, int error = 5 /* EIO */);
// Calls of `op` since the last reset.
int count(Op op);
void resetCounts();

} // namespace Sys
