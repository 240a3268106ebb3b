#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QImage;
class QSettings;

// Every file the program writes goes through here. A file that is replaced is written to a
// temporary file beside it, synced, and renamed over the old one only when complete, and the
// folder is synced after the rename: a full disk, a refused write or a crash leaves the old
// file or the new one, never half a file. Each call says whether it worked and, if not, which
// file and why, so that the caller can stop and tell the user. The system calls go through
// Sys (syscalls.h), where tests make them fail.
namespace FileWrite {

struct Result
{
    bool ok = true;
    QString path;         // the file or folder that could not be written
    QString reason;       // the system's reason, as it gives it
    int error = 0;        // errno where known; used to give the reason in Russian
    bool reading = false; // the file to be changed could not be read, so nothing was written

    explicit operator bool() const { return ok; }
};

Result success();
Result failure(const QString& path, const QString& reason, int error = 0);
// From an errno; success for 0.
Result fromErrno(const QString& path, int error);

// Creates the folder and any missing parents. Fails when a file is in the way.
Result makePath(const QString& dir);

// UTF-8 without byte order mark; every line feed not already preceded by CR is written as CR LF.
Result text(const QString& path, const QString& text);
Result bytes(const QString& path, const QByteArray& bytes);
// Format from the file name's suffix.
Result image(const QString& path, const QImage& image);
QByteArray crlf(const QString& text);
// The encoded image in the format of the file name's suffix; empty when it cannot be encoded.
QByteArray encodeImage(const QImage& image, const QString& path);

// "<dir>/.<name>.<host>-<pid>-<random>.tmp": beside the target, so the rename stays on one
// file system, and recognisable as ours when a crash leaves it behind.
QString tempPathBeside(const QString& path);
// A temporary file of that form whose writer is clearly gone: a process of this host that no
// longer runs, or any writer more than an hour ago. One that another running instance is
// still writing never qualifies.
bool isAbandonedTemp(const QString& path);
// Removes the abandoned temporary files directly in a folder.
void removeAbandonedTemps(const QString& dir);

enum class IniMode {
    Update,         // change keys of the file, creating it when missing
    UpdateExisting, // change keys of a file that must already exist
    Replace         // write a whole new file, whatever the old one held
};

// An INI file through QSettings. Update modes refuse a file that cannot be read or that
// QSettings cannot parse: writing it back would silently drop the lines it did not understand.
Result ini(const QString& path, const std::function<void(QSettings&)>& edit,
           IniMode mode = IniMode::Update);

// The bytes QSettings would write for the keys `edit` sets on a copy of `base` (empty: none),
// made in `scratchDir`. Fails like a write into that folder.
Result iniBytes(const QString& scratchDir, const QByteArray& base,
                const std::function<void(QSettings&)>& edit, QByteArray* out);

// Reads an INI file for a caller that is about to change it; fails like ini() would, without
// writing anything.
Result checkIniReadable(const QString& path, bool mustExist);

// "Could not write "<path>": <reason>." ("Could not read" for a refused read) in the interface
// language (0 English, other Russian).
QString message(const Result& result, unsigned char language);
// The reason alone in the interface language; the system's words where there is no translation.
QString reasonText(const Result& result, unsigned char language);

} // namespace FileWrite
