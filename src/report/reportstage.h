#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "report/filewrite.h"

// One change of a report folder, made whole or not at all. The new files are written and
// synced in the folder's staging folder first; nothing the reader sees changes meanwhile.
// commit() then makes the change in this order, which is what makes a crash at any moment
// leave either the old report or the new one:
//   1. the staging folder is synced, and the list of moves and history lines is written
//      there and synced;
//   2. that list is renamed to "<report folder>/.commit" and the folder synced: from here on
//      the change counts as made, and a crash is finished by recover();
//   3. each staged file is renamed over its target (an old file is first linked into the
//      staging folder, so a failure can still put it back), the record file last;
//   4. the folders are synced and the history lines appended;
//   5. ".commit" and the staging folder are removed.
// A failure before step 2 changes nothing; a failure in steps 3 or 4 puts the old files back
// and removes ".commit". The caller holds the report's lock throughout.
class ReportStage
{
  public:
    static const QString RecordName;  // "report.ini", always moved last
    static const QString StagingName; // ".staging"
    static const QString CommitName;  // ".commit"

    // appDir: targets are kept relative to it, so that another workstation that mounts the
    // application directory elsewhere can finish a commit.
    explicit ReportStage(const QString& appDir);
    ~ReportStage();
    ReportStage(const ReportStage&) = delete;
    ReportStage& operator=(const ReportStage&) = delete;

    // Starts a change of the report folder with an empty staging folder.
    FileWrite::Result open(const QString& reportFolder, const QString& transactionId);
    bool isOpen() const { return !m_folder.isEmpty(); }
    QString folder() const { return m_folder; }
    QString stagingDir() const;
    QString transactionId() const { return m_tx; }

    // A file of the report folder. Staging the same name again replaces it.
    FileWrite::Result put(const QString& name, const QByteArray& bytes);
    // A file elsewhere under the application directory (the PDF, an archived version); put
    // in place in the order given, before the record.
    FileWrite::Result putAt(const QString& target, const QByteArray& bytes);
    // The staged bytes of a name given to put(); empty when none.
    QByteArray staged(const QString& name) const;
    bool hasStaged(const QString& name) const;
    // The staged bytes of a target given to putAt(); empty when none.
    QByteArray stagedAt(const QString& target) const;
    // History lines (formatted entries) appended once the files are in place.
    void addHistory(const QStringList& lines) { m_history += lines; }

    FileWrite::Result commit();
    // Removes the staging folder; the report folder is left as it was.
    void discard();

    // Finishes a commit that a crash interrupted after step 2, or removes the staging folder
    // of one that never got there. The caller holds the report's lock.
    static FileWrite::Result recover(const QString& appDir, const QString& reportFolder);
    // True while a commit of the folder is under way or unfinished.
    static bool pending(const QString& reportFolder);

  private:
    struct Move
    {
        QString staged; // name inside the staging folder
        QString target; // relative to the application directory
    };

    FileWrite::Result stage(const QString& stagedName, const QString& target,
                            const QByteArray& bytes);
    QString absolute(const QString& target) const;
    FileWrite::Result writeManifest(const QString& path) const;
    static FileWrite::Result apply(const QString& appDir, const QString& folder,
                                   const QList<Move>& moves, const QStringList& history);
    static void rollBack(const QString& appDir, const QString& folder, const QList<Move>& moves,
                         int done);

    QString m_appDir;
    QString m_folder;
    QString m_tx;
    QList<Move> m_moves;
    QStringList m_history;
};
