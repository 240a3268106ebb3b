#include "report/reportstage.h"

#include "report/history.h"
#include "report/syscalls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>

const QString ReportStage::RecordName = QStringLiteral("report.ini");
const QString ReportStage::StagingName = QStringLiteral(".staging");
const QString ReportStage::CommitName = QStringLiteral(".commit");
const QString ReportStage::UndoName = QStringLiteral(".undo");

namespace {

const QLatin1String kManifestHeader("markerreport-commit 1");

// Inside the staging folder: the new files, the links that keep the old ones until the commit
// is through, and the list of moves.
QString newDir(const QString& staging)
{
    return staging + QLatin1String("/new");
}
QString oldFile(const QString& staging, int k)
{
    return staging + QLatin1String("/old/") + QString::number(k);
}

QString stagingOf(const QString& folder)
{
    return folder + QLatin1Char('/') + ReportStage::StagingName;
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// Keeps the old file reachable under a second name without a moment in which the target is
// missing; a share without hard links gets a copy.
int keepOld(const QString& target, const QString& kept)
{
    const int e = Sys::link(target, kept);
    if (e == 0 || e == EEXIST)
        return 0;
    QFile source(target);
    if (!source.open(QIODevice::ReadOnly))
        return e;
    return Sys::writeFile(kept, source.readAll());
}

} // namespace

ReportStage::ReportStage(const QString& appDir)
    : m_appDir(appDir)
{}

ReportStage::~ReportStage()
{
    discard();
}

QString ReportStage::stagingDir() const
{
    return stagingOf(m_folder);
}

QString ReportStage::absolute(const QString& relative) const
{
    return m_appDir + QLatin1Char('/') + relative;
}

FileWrite::Result ReportStage::open(const QString& reportFolder, const QString& transactionId)
{
    discard();
    const QString staging = stagingOf(reportFolder);
    QDir(staging).removeRecursively();
    for (const QString& dir :
         QStringList{staging, newDir(staging), staging + QLatin1String("/old")}) {
        const int e = Sys::mkdir(dir);
        if (e != 0)
            return FileWrite::fromErrno(e == ENOTDIR || e == EEXIST ? reportFolder : dir, e);
    }
    m_folder = reportFolder;
    m_tx = transactionId;
    m_moves.clear();
    m_history.clear();
    return FileWrite::success();
}

FileWrite::Result ReportStage::stage(const QString& staged, const QString& target,
                                     const QByteArray& bytes)
{
    const QString relative = QDir(m_appDir).relativeFilePath(staged);
    const QString to = QDir(m_appDir).relativeFilePath(target);
    for (int k = 0; k < m_moves.size(); ++k) {
        if (m_moves[k].target == to) {
            QFile::remove(absolute(m_moves[k].staged));
            m_moves.removeAt(k);
            break;
        }
    }
    const int e = Sys::writeFile(staged, bytes);
    if (e != 0) {
        QFile::remove(staged);
        // The user knows the file by the name it is going to have.
        return FileWrite::fromErrno(target, e);
    }
    m_moves.append({relative, to, false});
    return FileWrite::success();
}

FileWrite::Result ReportStage::put(const QString& name, const QByteArray& bytes)
{
    return stage(newDir(stagingDir()) + QLatin1Char('/') + name, m_folder + QLatin1Char('/') + name,
                 bytes);
}

FileWrite::Result ReportStage::putAt(const QString& target, const QByteArray& bytes)
{
    const FileWrite::Result dir = FileWrite::makePath(QFileInfo(target).absolutePath());
    if (!dir)
        return FileWrite::failure(target, dir.reason, dir.error);
    if (QFileInfo(target).isDir())
        return FileWrite::fromErrno(target, EISDIR);
    return stage(FileWrite::tempPathBeside(target), target, bytes);
}

QByteArray ReportStage::staged(const QString& name) const
{
    return stagedAt(m_folder + QLatin1Char('/') + name);
}

QByteArray ReportStage::stagedAt(const QString& target) const
{
    const QString relative = QDir(m_appDir).relativeFilePath(target);
    for (const Move& m : m_moves) {
        if (m.target != relative)
            continue;
        QFile f(absolute(m.staged));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    return QByteArray();
}

namespace {

bool isRecord(const QString& target)
{
    return QFileInfo(target).fileName() == ReportStage::RecordName;
}

} // namespace

FileWrite::Result ReportStage::writeManifest(const QString& path) const
{
    QStringList lines{kManifestHeader, QLatin1String("tx\t") + History::escape(m_tx)};
    QList<Move> ordered;
    for (const Move& m : m_moves) {
        if (!isRecord(m.target))
            ordered << m;
    }
    for (const Move& m : m_moves) {
        if (isRecord(m.target))
            ordered << m;
    }
    for (const Move& m : ordered)
        lines << QStringLiteral("move\t%1\t%2\t%3")
                     .arg(History::escape(m.staged), History::escape(m.target),
                          QLatin1String(exists(absolute(m.target)) ? "1" : "0"));
    for (const QString& h : m_history)
        lines << QLatin1String("history\t") + h;
    const int e =
        Sys::writeFile(path, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return FileWrite::fromErrno(m_folder, e);
}

FileWrite::Result ReportStage::commit()
{
    if (!isOpen())
        return FileWrite::failure(m_folder, Sys::reason(ENOENT), ENOENT);
    const QString staging = stagingDir();
    // Every target folder must exist and no folder may stand where a file goes, so that the
    // renames below cannot fail for want of them.
    QSet<QString> stagedDirs;
    for (const Move& m : qAsConst(m_moves)) {
        const QString target = absolute(m.target);
        FileWrite::Result dir = FileWrite::makePath(QFileInfo(target).absolutePath());
        if (dir && QFileInfo(target).isDir())
            dir = FileWrite::fromErrno(target, EISDIR);
        if (!dir) {
            discard();
            return dir;
        }
        stagedDirs.insert(QFileInfo(absolute(m.staged)).absolutePath());
    }
    FileWrite::Result r;
    for (const QString& dir : qAsConst(stagedDirs)) {
        if (r)
            r = FileWrite::fromErrno(dir, Sys::syncDir(dir));
    }
    if (r)
        r = writeManifest(staging + QLatin1String("/commit"));
    if (r)
        r = FileWrite::fromErrno(m_folder, Sys::syncDir(staging));
    const QString manifest = m_folder + QLatin1Char('/') + CommitName;
    if (r)
        r = FileWrite::fromErrno(m_folder,
                                 Sys::rename(staging + QLatin1String("/commit"), manifest));
    if (!r) {
        discard();
        return r;
    }
    const FileWrite::Result done = recover(m_appDir, m_folder, true);
    m_moves.clear();
    m_folder.clear();
    return done;
}

void ReportStage::discard()
{
    if (m_folder.isEmpty())
        return;
    for (const Move& m : qAsConst(m_moves))
        QFile::remove(absolute(m.staged));
    QDir(stagingDir()).removeRecursively();
    m_moves.clear();
    m_folder.clear();
}

bool ReportStage::pending(const QString& reportFolder)
{
    return exists(reportFolder + QLatin1Char('/') + CommitName) ||
           exists(reportFolder + QLatin1Char('/') + UndoName);
}

FileWrite::Result ReportStage::recover(const QString& appDir, const QString& folder)
{
    return recover(appDir, folder, false);
}

namespace {

// The moves and history lines of a manifest; false when there is none.
bool readManifest(const QString& path, QList<QStringList>* moves, QStringList* history)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("move\t"))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() == 4)
                moves->append({History::unescape(f[1]), History::unescape(f[2]), f[3]});
        } else if (line.startsWith(QLatin1String("history\t"))) {
            *history << line.mid(8);
        }
    }
    return true;
}

} // namespace

FileWrite::Result ReportStage::recover(const QString& appDir, const QString& folder, bool going)
{
    const QString staging = stagingOf(folder);
    const QString manifest = folder + QLatin1Char('/') + CommitName;
    const QString undo = folder + QLatin1Char('/') + UndoName;
    FileWrite::removeAbandonedTemps(folder);
    FileWrite::removeAbandonedTemps(folder + QLatin1String("/versions"));
    QList<QStringList> fields;
    QStringList history;
    const bool undoing = readManifest(undo, &fields, &history);
    if (!undoing && !readManifest(manifest, &fields, &history)) {
        if (exists(manifest))
            return FileWrite::failure(manifest, Sys::reason(EIO), EIO);
        // A change that never reached its commit: its staged files are of no use.
        if (exists(staging))
            QDir(staging).removeRecursively();
        return FileWrite::success();
    }
    QList<Move> moves;
    for (const QStringList& f : qAsConst(fields))
        moves.append({f[0], f[1], f[2] == QLatin1String("1")});
    // The record is moved last: while its staged file is still there, the change was not made
    // and is undone; once it is in place, the change is finished.
    const bool made = !undoing && (going || moves.isEmpty() || !isRecord(moves.last().target) ||
                                   !exists(appDir + QLatin1Char('/') + moves.last().staged));
    FileWrite::Result result;
    if (made)
        result = apply(appDir, folder, moves, history);
    else
        rollBack(appDir, folder, moves);
    for (const Move& m : qAsConst(moves))
        QFile::remove(appDir + QLatin1Char('/') + m.staged);
    QFile::remove(manifest);
    QFile::remove(undo);
    Sys::syncDir(folder);
    QDir(staging).removeRecursively();
    return result;
}

FileWrite::Result ReportStage::apply(const QString& appDir, const QString& folder,
                                     const QList<Move>& moves, const QStringList& history)
{
    const QString staging = stagingOf(folder);
    QSet<QString> dirs;
    for (int k = 0; k < moves.size(); ++k) {
        const QString source = appDir + QLatin1Char('/') + moves[k].staged;
        const QString target = appDir + QLatin1Char('/') + moves[k].target;
        dirs.insert(QFileInfo(target).absolutePath());
        if (!exists(source))
            continue; // moved before a crash interrupted the commit
        int e = 0;
        if (exists(target) && !exists(oldFile(staging, k)))
            e = keepOld(target, oldFile(staging, k));
        if (e == 0)
            e = Sys::rename(source, target);
        if (e != 0) {
            undo(appDir, folder, moves);
            return FileWrite::fromErrno(target, e);
        }
    }
    for (const QString& dir : qAsConst(dirs)) {
        const int e = Sys::syncDir(dir);
        if (e != 0) {
            undo(appDir, folder, moves);
            return FileWrite::fromErrno(dir, e);
        }
    }
    if (!history.isEmpty()) {
        QList<History::Entry> entries;
        for (const QString& line : history)
            entries << History::parse(line);
        // Entries already there (a commit replayed after a crash) are not written twice; a
        // failed append leaves the history as it was.
        const FileWrite::Result appended = History::append(History::path(folder), entries);
        if (!appended) {
            undo(appDir, folder, moves);
            return appended;
        }
    }
    return FileWrite::success();
}

void ReportStage::undo(const QString& appDir, const QString& folder, const QList<Move>& moves)
{
    // From here on a crash must lead to the same undoing, never to finishing the change.
    Sys::rename(folder + QLatin1Char('/') + CommitName, folder + QLatin1Char('/') + UndoName);
    Sys::syncDir(folder);
    rollBack(appDir, folder, moves);
}

// Safe to repeat: an old file kept aside is put back, a target that did not exist before and
// whose staged file is gone (it was moved in) is removed, anything else is as it was.
void ReportStage::rollBack(const QString& appDir, const QString& folder, const QList<Move>& moves)
{
    const QString staging = stagingOf(folder);
    for (int k = moves.size() - 1; k >= 0; --k) {
        const QString target = appDir + QLatin1Char('/') + moves[k].target;
        const QString source = appDir + QLatin1Char('/') + moves[k].staged;
        if (exists(oldFile(staging, k)))
            Sys::rename(oldFile(staging, k), target);
        else if (!moves[k].existed && !exists(source))
            QFile::remove(target);
    }
    for (const Move& m : moves)
        Sys::syncDir(QFileInfo(appDir + QLatin1Char('/') + m.target).absolutePath());
}
