#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "report/filewrite.h"

// One change of a report folder, made whole or not at all. The new files are written and
// synced first: those of the report folder in its staging folder, others (the PDF, an archived
// version) as hidden files beside their targets. Nothing a reader sees changes meanwhile.
// commit() then makes the change in this order, which is what makes a crash at any moment
// leave either the old report or the new one:
//   1. the staged files' folders are synced; the list of moves and history lines is written
//      into the staging folder, synced, and renamed to "<report folder>/.commit";
//   2. each staged file is renamed over its target, an old file being linked into the staging
//      folder first so that it can be put back;
//   3. the record file is renamed last: this is the moment the change is made. The folders
//      are synced and the history lines appended;
//   4. ".commit" and the staging folder are removed.
// A failure anywhere renames ".commit" to ".undo" and puts the old files back. After a crash,
// recover() undoes a change whose record was not yet in place (or that was being undone) and
// finishes one whose record was. The caller holds the report's lock throughout.
class ReportStage
{
  public:
    static const QString RecordName;  // "report.ini", always moved last
    static const QString StagingName; // ".staging"
    static const QString CommitName;  // ".commit"
    static const QString UndoName;    // ".undo": a commit being undone

    // appDir: paths are kept relative to it, so that another workstation that mounts the
    // application directory elsewhere can finish or undo a commit.
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
    // A file elsewhere under the application directory (the PDF, an archived version), staged
    // beside it under a hidden name that keeps its ending; put in place in the order given.
    FileWrite::Result putAt(const QString& target, const QByteArray& bytes);
    // The staged bytes of a name given to put(), or of a target given to putAt(), as read back
    // from the disk; empty when none.
    QByteArray staged(const QString& name) const;
    QByteArray stagedAt(const QString& target) const;
    // History lines (formatted entries) appended once the record is in place.
    void addHistory(const QStringList& lines) { m_history += lines; }

    FileWrite::Result commit();
    // Removes what was staged; the report folder is left as it was.
    void discard();

    // Undoes or finishes a commit that a crash interrupted, and removes the staging folder of
    // one that never got that far. The caller holds the report's lock.
    static FileWrite::Result recover(const QString& appDir, const QString& reportFolder);
    // A commit of the folder is under way, or was cut short and waits for recover().
    static bool pending(const QString& reportFolder);

  private:
    // going: the commit under way in this process, which finishes what it started.
    static FileWrite::Result recover(const QString& appDir, const QString& reportFolder,
                                     bool going);
    struct Move
    {
        QString staged; // relative to the application directory
        QString target; // likewise
        bool existed;   // the target was there before the commit (known from the manifest)
    };

    FileWrite::Result stage(const QString& staged, const QString& target, const QByteArray& bytes);
    QString absolute(const QString& relative) const;
    FileWrite::Result writeManifest(const QString& path) const;
    static FileWrite::Result apply(const QString& appDir, const QString& folder,
                                   const QList<Move>& moves, const QStringList& history);
    static void undo(const QString& appDir, const QString& folder, const QList<Move>& moves);
    static void rollBack(const QString& appDir, const QString& folder, const QList<Move>& moves);

    QString m_appDir;
    QString m_folder;
    QString m_tx;
    QList<Move> m_moves;
    QStringList m_history;
};
