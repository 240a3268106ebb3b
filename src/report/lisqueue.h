#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include "report/filewrite.h"

// The messages for the laboratory information system, kept on disk under "<appDir>/lis" so that
// none is lost while the LIS is down or the program is closed. A message is one file whose name
// stays the same while it moves between folders; the folder it lies in is its state:
//   queue/    waiting, in name order (the name starts with the UTC time it was queued)
//   sending/  claimed by the one program instance that delivers (see LisOutbox)
//   sent/     delivered: the header with the LIS's answer, without the message
//   failed/   refused by the LIS: the header with its answer, and the message for a resend
// Name: "<yyyyMMddHHmmsszzz>-<control ID>.<target>", target "folder" or "mllp".
// Content: one line of JSON (the header), a line feed, the message.
//
// Order of the durable steps, so that a crash at any point leaves the message exactly once in
// a state it can go on from:
//   queue    write queue/<name> through a synced temporary file renamed into place, sync folder
//   claim    rename queue/<name> to sending/<name>: atomic, so only one claimer ever wins
//   finish   write sent/ or failed/<name> (synced, renamed, folder synced), then remove
//            sending/<name>; recover() removes a claim whose outcome is already written
//   resend   rename failed/<name> to queue/<new name>: atomic again, so a failed message is
//            queued once however many windows ask
struct LisEntry
{
    enum class State { Waiting, Sending, Delivered, Failed };
    QString name;
    State state = State::Waiting;
    QString target;
    QString controlId;
    QString reportFolder;
    QString analysisCode;
    int version = 1;
    QDateTime queued;
    QDateTime finished;
    QString answer;     // the LIS's answer, or why delivery failed
    QByteArray message; // only when read with the message
};

namespace LisQueue {

extern const char* const FolderTarget;
extern const char* const MllpTarget;

// "<appDir>/lis"
QString root(const QString& appDir);

// A new name for a message queued now.
QString newName(const QString& controlId, const QString& target);
// The control ID and target a name carries.
QString controlIdOf(const QString& name);
QString targetOf(const QString& name);

// Writes the entry (its name set) into queue/, creating the folders.
FileWrite::Result add(const QString& root, const LisEntry& entry);

// Names in one state's folder, oldest first; only those for target when it is not empty.
QStringList names(const QString& root, LisEntry::State state, const QString& target = QString());

// Moves a waiting entry to sending/; false when another claimer was first or it is gone.
bool claim(const QString& root, const QString& name);
// Gives a claimed entry back to queue/.
bool release(const QString& root, const QString& name);
// Reads an entry of a state's folder; false when it cannot be read.
bool read(const QString& root, LisEntry::State state, const QString& name, LisEntry* entry,
          bool withMessage);
// Records the outcome of a claimed entry (state Delivered or Failed) and ends the claim.
FileWrite::Result finish(const QString& root, const LisEntry& entry);
// After the delivering instance ended without finishing: claims whose outcome was written are
// removed, the others go back to the queue.
void recover(const QString& root);
// Queues a failed entry again under a new name with a new control ID; *newName receives it.
bool resend(const QString& root, const QString& name, QString* newName);
// Removes the oldest delivered entries beyond keep.
void prune(const QString& root, int keep);

// The newest entries of every state, newest first, without their messages.
QVector<LisEntry> recent(const QString& root, int max);

// Syncs a folder, so that renames and new files in it survive a crash.
bool syncFolder(const QString& dir);

} // namespace LisQueue
