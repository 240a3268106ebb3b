#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "report/filewrite.h"

// The few POSIX steps that QFile does not offer: creating a file only where nothing is yet
// (link(), so that no reader ever sees it half written), and checked syncs. Every call says
// which file failed and why, with the errno, like FileWrite.
namespace RawFile {

// A whole file. A missing one gives an empty array and *exists false (exists may be null).
FileWrite::Result read(const QString& path, QByteArray* bytes, bool* exists = nullptr);

// Writes `bytes` into a new file beside `target`, then puts it at `target` unless something is
// there already: EEXIST then, and `target` is untouched. With `sync` the content is on disk
// before it appears, and the folder after. *shareNow receives the new file's modification
// time: the clock of the file system, which is what another host's heartbeat is measured by.
FileWrite::Result createExclusive(const QString& target, const QByteArray& bytes, bool sync,
                                  QDateTime* shareNow = nullptr);

// The same for a file already written at `temp` (removed in every case).
FileWrite::Result linkInPlace(const QString& temp, const QString& target, bool sync);

FileWrite::Result syncFile(const QString& path);
FileWrite::Result syncDir(const QString& dir);

} // namespace RawFile
