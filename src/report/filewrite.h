#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QImage;
class QSettings;

// Every file the program writes goes through here. Files that are replaced are written to a
// temporary file beside them and renamed over the old one only when complete, so a full disk
// or a failed write never leaves half a file. Each call says whether it worked and, if not,
// which file and why, so that the caller can stop and tell the user.
namespace FileWrite {

struct Result {
    bool ok = true;
    QString path;    // the file or folder that could not be written
    QString reason;  // the system's reason, as it gives it
    int error = 0;   // errno where known; used to give the reason in Russian
    bool reading = false; // the file to be changed could not be read, so nothing was written

    explicit operator bool() const { return ok; }
};

Result success();
Result failure(const QString& path, const QString& reason, int error = 0);

// Creates the folder and any missing parents. Fails when a file is in the way.
Result makePath(const QString& dir);

// UTF-8 without byte order mark; every line feed not already preceded by CR is written as CR LF.
Result text(const QString& path, const QString& text);
Result bytes(const QString& path, const QByteArray& bytes);
// Format from the file name's suffix.
Result image(const QString& path, const QImage& image);

// A file made by another library (the PDF printer) that is complete but not yet in place.
// commit() puts it in place and counts as the write; a Pending dropped without commit()
// leaves the old file as it was.
class Pending
{
public:
    Pending() = default;
    ~Pending() { discard(); }
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;

    Result commit();
    void discard();
    QString target() const { return m_target; }

private:
    friend Result prepare(const QString&, const std::function<bool(const QString&)>&, Pending*);
    QString m_temp;
    QString m_target;
};

// `produce` writes to the temporary path it is given and returns false when it knows it
// failed; an empty result counts as a failure too.
Result prepare(const QString& path, const std::function<bool(const QString& tempPath)>& produce,
               Pending* pending);
// prepare() and commit() at once.
Result produce(const QString& path, const std::function<bool(const QString& tempPath)>& produce);

enum class IniMode {
    Update,        // change keys of the file, creating it when missing
    UpdateExisting,// change keys of a file that must already exist
    Replace        // write a whole new file, whatever the old one held
};

// An INI file through QSettings. Update modes refuse a file that cannot be read or that
// QSettings cannot parse: writing it back would silently drop the lines it did not understand.
Result ini(const QString& path, const std::function<void(QSettings&)>& edit,
           IniMode mode = IniMode::Update);

// Reads an INI file for a caller that is about to change it; fails like ini() would, without
// writing anything.
Result checkIniReadable(const QString& path, bool mustExist);

// Appends one line (UTF-8, CR LF) to a file, creating it when missing. The file is extended in
// place; the line is the last thing written and the call fails if any of it is missing.
Result appendLine(const QString& path, const QString& line);

// "Could not write "<path>": <reason>." ("Could not read" for a refused read) in the interface
// language (0 English, other Russian).
QString message(const Result& result, unsigned char language);
// The reason alone in the interface language; the system's words where there is no translation.
QString reasonText(const Result& result, unsigned char language);

// Test seam: the k-th write counted from now fails (1-based) as an input/output error would,
// without touching the disk. 0 switches it off. writeCount() counts every write attempted.
void failWrite(int k);
int writeCount();

}  // namespace FileWrite
