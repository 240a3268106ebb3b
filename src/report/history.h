#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include "report/filewrite.h"
#include "report/reportrecord.h"

// history.txt of a report folder: who produced the report, who changed its printed values and
// why, which version of the PDF each step made, and who broke a stale lock. One entry a line,
// UTF-8, each line ended by CR LF.
//
// A line is fields separated by tabs. Inside a field a backslash, tab, line feed and carriage
// return are written as \\, \t, \n and \r, so every entry stays on one line. The fixed fields:
//   <time> produced <operator> <calculation type code> <device serial> <device version>
//          <analysis folder path> <analysis folder name>
//   <time> changed <operator> <report.ini key> <old value> <new value>
//   <time> lockbroken <operator> <holder's operator> <holder's host> <holder's process id>
//          <holder's start time>
// The time is ISO 8601 with its UTC offset. Tagged fields "key=value" may follow, in any order:
//   version=<report version the step made>   pdf=<SHA-256 of that version's PDF, hex>
//   reason=<why a released report was changed>   tx=<commit id>.<k> (the entry's identity)
//   prev=<SHA-256 of the line before, as stored: UTF-8 without its line end; of the empty
//         text for the first line>
// prev chains the entries, so that a changed or removed line shows. Readers ignore other
// fields and unknown tags, so that later versions can add some.
//
// Appends are safe from any number of processes: each takes a short lock beside the file
// (.history.lock, with the rules of LockFile), cuts off a torn last line left by a crash (a
// line without its end was never a complete entry), links its entries to the last line,
// writes them in one write to the end of the file and syncs it.
namespace History {

struct Entry
{
    enum class Kind { Produced, Changed, LockBroken, Unreadable };
    Kind kind = Kind::Unreadable;
    QDateTime when;
    QString operatorName;
    // Produced
    QString typeCode, serial, version, folderPath, folderName;
    // Changed: the report.ini key (ProbeNamePrint, ...) and its values as stored there
    QString field, oldValue, newValue;
    // LockBroken: the holder of the lock that operatorName broke
    QString holderOperator, holderHost, holderPid, holderStarted;
    // Tags; 0 and empty when absent
    int reportVersion = 0;
    QString pdf, reason, tx, prev;
    // The line as stored; all that a reader has of an unreadable entry.
    QString line;
};

// "<reportFolder>/history.txt"
QString path(const QString& reportFolder);

// "2026-12-07T10:15:03+01:00": local time with its offset, "+00:00" rather than "Z".
QString timeText(const QDateTime& when);

QString escape(const QString& field);
// Undoes escape(); a backslash before any other character is kept as it is.
QString unescape(const QString& field);

QString format(const Entry& entry);
Entry parse(const QString& line);

// A serial number or version of 0 has not been read from the device (a check cut short by the
// run): its field is left empty. The version is written in hex, as the device sends it ("0x35").
Entry produced(const QDateTime& when, const QString& operatorName, unsigned char typeCode,
               qint32 serial, unsigned char version, const QString& folderPath,
               const QString& folderName);

// One entry per printed value that differs, in the order name, code, patient, conclusion.
QList<Entry> changes(const QDateTime& when, const QString& operatorName,
                     const ReportRecord::PrintValues& before,
                     const ReportRecord::PrintValues& after);

Entry lockBroken(const QDateTime& when, const QString& operatorName, const QString& holderOperator,
                 const QString& holderHost, qint64 holderPid, const QDateTime& holderStarted);

// A new commit id, and the entries of one commit tagged "<id>.1", "<id>.2", ...
QString newTransaction();
QList<Entry> inTransaction(QList<Entry> entries, const QString& id);

// SHA-256 in hex of a line as stored, of the empty text, of a file (empty when unreadable).
QString lineHash(const QString& storedLine);
QString fileHash(const QString& path);

// Appends the entries in one write, each linked to the line before. Entries whose tx is
// already in the file are not written again, so that a commit cut short by a crash can be
// replayed. No write at all when nothing is left to write. *newHead receives the hash of the
// last line afterwards.
FileWrite::Result append(const QString& path, const QList<Entry>& entries,
                         QString* newHead = nullptr);
// The head that append() would leave, without writing; empty when the file cannot be read.
QString headAfter(const QString& path, const QList<Entry>& entries);

// The entries in file order. A missing file holds none; one that exists but cannot be read
// sets *error (a reading failure) and gives none.
QList<Entry> read(const QString& path, FileWrite::Result* error = nullptr);

// Archived versions: "<reportFolder>/versions/v<N>_<yyyyMMdd-HHmmss>.pdf".
QString versionsDir(const QString& reportFolder);
QString archiveName(int version, const QDateTime& archived);
// Version number → PDF: the archived ones, and the current PDF as currentVersion when it
// exists. Of two archives of one version, the later.
QMap<int, QString> versionFiles(const QString& reportFolder, const QString& currentPdf,
                                int currentVersion);

struct Verdict
{
    enum class Problem {
        None,
        NotFollowing, // entry `index` does not follow entry `index` - 1 (or the file's start)
        Unprotected,  // entry `index` has no prev although entries before it have
        LastChanged,  // the last line is not the head recorded elsewhere
        AllRemoved,   // a head is recorded, but the file holds no entry
        PdfChanged,   // `file` is not the PDF recorded for `version`
        PdfMissing    // no PDF of `version`, whose hash was recorded
    };
    Problem problem = Problem::None;
    int index = -1;
    QString file;
    int version = 0;
    int unprotected = 0; // leading entries written before entries were chained
    QList<Entry> entries;
    bool intact() const { return problem == Problem::None; }
};

// Checks the chain, the last line against expectedHead (skipped when empty), and each PDF of
// versionPdfFiles against the pdf tag of the last entry of its version.
Verdict verify(const QList<Entry>& entries, const QString& expectedHead,
               const QMap<int, QString>& versionPdfFiles);
Verdict verify(const QString& path, const QString& expectedHead,
               const QMap<int, QString>& versionPdfFiles);

// "This history has been altered: <the first entry or file that does not match>."
QString alteredMessage(const Verdict& verdict, uchar lang);
// How the window and the messages name an entry and a report.ini key.
QString displayTime(const QDateTime& when);
QString fieldLabel(const QString& key, uchar lang);

} // namespace History
