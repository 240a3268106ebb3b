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

QString ReportStage::absolute(const QString& target) const
{
    return m_appDir + QLatin1Char('/') + target;
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

FileWrite::Result ReportStage::stage(const QString& stagedName, const QString& target,
                                     const QByteArray& bytes)
{
    const int e = Sys::writeFile(newDir(stagingDir()) + QLatin1Char('/') + stagedName, bytes);
    // The user knows the file by the name it is going to have.
    if (e != 0)
        return FileWrite::fromErrno(absolute(target), e);
    for (const Move& m : qAsConst(m_moves)) {
        if (m.staged == stagedName)
            return FileWrite::success();
    }
    m_moves.append({stagedName, target});
    return FileWrite::success();
}

FileWrite::Result ReportStage::put(const QString& name, const QByteArray& bytes)
{
    const QString target = QDir(m_appDir).relativeFilePath(m_folder + QLatin1Char('/') + name);
    return stage(name, target, bytes);
}

FileWrite::Result ReportStage::putAt(const QString& target, const QByteArray& bytes)
{
    // Numbered: these never collide with the report's own file names.
    const QString name = QStringLiteral("~%1").arg(m_moves.size());
    return stage(name, QDir(m_appDir).relativeFilePath(target), bytes);
}

bool ReportStage::hasStaged(const QString& name) const
{
    for (const Move& m : m_moves) {
        if (m.staged == name)
            return true;
    }
    return false;
}

QByteArray ReportStage::stagedAt(const QString& target) const
{
    const QString relative = QDir(m_appDir).relativeFilePath(target);
    for (const Move& m : m_moves) {
        if (m.target == relative)
            return staged(m.staged);
    }
    return QByteArray();
}

QByteArray ReportStage::staged(const QString& name) const
{
    if (!hasStaged(name))
        return QByteArray();
    QFile f(newDir(stagingDir()) + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

FileWrite::Result ReportStage::writeManifest(const QString& path) const
{
    QStringList lines{kManifestHeader, QLatin1String("tx\t") + History::escape(m_tx)};
    QList<Move> ordered;
    for (const Move& m : m_moves) {
        if (m.staged != RecordName)
            ordered << m;
    }
    for (const Move& m : m_moves) {
        if (m.staged == RecordName)
            ordered << m;
    }
    for (const Move& m : ordered)
        lines << QStringLiteral("move\t%1\t%2")
                     .arg(History::escape(m.staged), History::escape(m.target));
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
    // Every target folder must exist and lie on the staging folder's file system, so that
    // the renames below cannot fail for want of them.
    for (const Move& m : qAsConst(m_moves)) {
        const FileWrite::Result dir =
            FileWrite::makePath(QFileInfo(absolute(m.target)).absolutePath());
        if (!dir)
            return dir;
    }
    FileWrite::Result r = FileWrite::fromErrno(m_folder, Sys::syncDir(newDir(staging)));
    if (r)
        r = writeManifest(staging + QLatin1String("/commit"));
    if (r)
        r = FileWrite::fromErrno(m_folder, Sys::syncDir(staging));
    const QString manifest = m_folder + QLatin1Char('/') + CommitName;
    if (r)
        r = FileWrite::fromErrno(m_folder,
                                 Sys::rename(staging + QLatin1String("/commit"), manifest));
    if (r) {
        const int e = Sys::syncDir(m_folder);
        if (e != 0) {
            // Not known to be durable: undo it while that is still possible.
            QFile::remove(manifest);
            r = FileWrite::fromErrno(m_folder, e);
        }
    }
    if (!r) {
        discard();
        return r;
    }
    const FileWrite::Result done = recover(m_appDir, m_folder);
    m_folder.clear();
    return done;
}

void ReportStage::discard()
{
    if (m_folder.isEmpty())
        return;
    QDir(stagingDir()).removeRecursively();
    m_folder.clear();
}

bool ReportStage::pending(const QString& reportFolder)
{
    return QFileInfo::exists(reportFolder + QLatin1Char('/') + CommitName);
}

FileWrite::Result ReportStage::recover(const QString& appDir, const QString& folder)
{
    const QString staging = stagingOf(folder);
    const QString manifest = folder + QLatin1Char('/') + CommitName;
    FileWrite::removeAbandonedTemps(folder);
    QFile file(manifest);
    if (!file.open(QIODevice::ReadOnly)) {
        if (exists(manifest))
            return FileWrite::failure(manifest, file.errorString());
        // A change that never reached its commit: its staged files are of no use.
        if (exists(staging))
            QDir(staging).removeRecursively();
        return FileWrite::success();
    }
    QList<Move> moves;
    QStringList history;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("move\t"))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() == 3)
                moves.append({History::unescape(f[1]), History::unescape(f[2])});
        } else if (line.startsWith(QLatin1String("history\t"))) {
            history << line.mid(8);
        }
    }
    const FileWrite::Result applied = apply(appDir, folder, moves, history);
    QFile::remove(manifest);
    Sys::syncDir(folder);
    QDir(staging).removeRecursively();
    return applied;
}

FileWrite::Result ReportStage::apply(const QString& appDir, const QString& folder,
                                     const QList<Move>& moves, const QStringList& history)
{
    const QString staging = stagingOf(folder);
    QSet<QString> dirs;
    for (int k = 0; k < moves.size(); ++k) {
        const QString source = newDir(staging) + QLatin1Char('/') + moves[k].staged;
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
            rollBack(appDir, folder, moves, k);
            return FileWrite::fromErrno(target, e);
        }
    }
    for (const QString& dir : qAsConst(dirs)) {
        const int e = Sys::syncDir(dir);
        if (e != 0) {
            rollBack(appDir, folder, moves, moves.size());
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
            rollBack(appDir, folder, moves, moves.size());
            return appended;
        }
    }
    return FileWrite::success();
}

void ReportStage::rollBack(const QString& appDir, const QString& folder, const QList<Move>& moves,
                           int done)
{
    const QString staging = stagingOf(folder);
    for (int k = done - 1; k >= 0; --k) {
        const QString target = appDir + QLatin1Char('/') + moves[k].target;
        const QString source = newDir(staging) + QLatin1Char('/') + moves[k].staged;
        if (exists(source))
            continue; // never moved
        if (exists(oldFile(staging, k)))
            Sys::rename(oldFile(staging, k), target);
        else
            QFile::remove(target); // it did not exist before
    }
    for (const Move& m : moves)
        Sys::syncDir(QFileInfo(appDir + QLatin1Char('/') + m.target).absolutePath());
}
