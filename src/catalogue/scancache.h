#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <sys/types.h>

// What a pass judged about each file it looked at, so that a file whose identity, size and
// times are unchanged is neither opened nor parsed again. Used by the scanner thread only.
class ScanCache
{
  public:
    struct Stamp
    {
        dev_t dev = 0;
        ino_t ino = 0;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp& o) const
        {
            return dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs &&
                   ctimeNs == o.ctimeNs;
        }
    };
    struct Entry
    {
        Stamp stamp;
        bool trusted = false;
        quint32 pass = 0;
        bool readable = false;  // an export: opens for reading
        QString folderPath;     // a report.ini: its FolderPath
        QString folderName;     // a report.ini: the analysis folder name it records, if any
        QString pdfName;        // a report.ini: its PDF's file name
        qint8 reportExist = -1; // a report.ini: its ReportExist, -1 while not read
        qint8 complete = -1;    // a PDF: whole, -1 while not read
    };

    // settledMs: how long ago a file must have changed before its stamp is trusted.
    explicit ScanCache(int settledMs = 2000)
        : m_settledNs(qint64(settledMs) * 1000000)
    {}

    // The stamp of a regular file (links followed); false for anything else or nothing.
    static bool stampOf(const QByteArray& path, Stamp* out);

    void beginPass();
    // Forgets the files the pass did not look at; only a pass that saw the whole tree may.
    void endPass(bool complete);

    // The entry judged for this stamp, or null when it must be judged afresh.
    Entry* find(const QByteArray& path, const Stamp& stamp);
    // A fresh entry for a file being judged now.
    Entry& store(const QByteArray& path, const Stamp& stamp);

  private:
    QHash<QByteArray, Entry> m_entries;
    quint32 m_pass = 0;
    qint64 m_passStartNs = 0;
    qint64 m_settledNs;
};
