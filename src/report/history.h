#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "report/filewrite.h"
#include "report/reportrecord.h"

// history.txt of a report folder: who produced the report and who changed its printed values,
// and when. One entry a line, UTF-8; entries are only ever appended.
//
// A line is fields separated by tabs. Inside a field a backslash, tab, line feed and carriage
// return are written as \\, \t, \n and \r, so every entry stays on one line. The fields:
//   <time> produced <operator> <calculation type code> <device serial> <device version>
//          <analysis folder path> <analysis folder name>
//   <time> changed <operator> <report.ini key> <old value> <new value>
// The time is ISO 8601 with its UTC offset. Readers ignore fields beyond these, so that later
// versions can add some.
namespace History {

struct Entry {
    enum class Kind { Produced, Changed, Unreadable };
    Kind kind = Kind::Unreadable;
    QDateTime when;
    QString operatorName;
    // Produced
    QString typeCode, serial, version, folderPath, folderName;
    // Changed: the report.ini key (ProbeNamePrint, ...) and its values as stored there
    QString field, oldValue, newValue;
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
                     const ReportRecord::PrintValues& before, const ReportRecord::PrintValues& after);

// All the entries in one write; no write at all when there are none.
FileWrite::Result append(const QString& path, const QList<Entry>& entries);

// The entries in file order. A missing file holds none; one that exists but cannot be read
// sets *error (a reading failure) and gives none.
QList<Entry> read(const QString& path, FileWrite::Result* error = nullptr);

}  // namespace History
