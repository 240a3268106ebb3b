#include "dirwatch.h"

#include <QFile>
#include <QMutexLocker>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// Entries appearing, going, renamed, their modes changed, a file written and closed; the
// watched directory itself deleted or moved. Reading a file sends nothing of these.
constexpr quint32 kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                          IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Half of what the system grants the user, leaving the rest to the desktop and its programs.
int defaultLimit()
{
    QFile f(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    const int system = f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toInt() : 0;
    return system > 0 ? system / 2 : 4096;
}

} // namespace

DirWatch::DirWatch(QObject* parent)
    : QObject(parent)
    , m_limit(defaultLimit())
{}

DirWatch::~DirWatch()
{
    close();
}

bool DirWatch::open()
{
    if (m_fd >= 0)
        return true;
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DirWatch::readEvents);
    return true;
}

void DirWatch::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_paths.clear();
    m_users.clear();
    QMutexLocker locker(&m_droppedLock);
    m_dropped.clear();
}

void DirWatch::beginPass()
{
    ++m_pass;
    QVector<int> dropped;
    {
        QMutexLocker locker(&m_droppedLock);
        dropped.swap(m_dropped);
    }
    // A directory deleted and made again under its old name needs a new watch.
    bool any = false;
    for (int wd : qAsConst(dropped))
        any = m_users.remove(wd) > 0 || any;
    if (!any)
        return;
    for (auto it = m_paths.begin(); it != m_paths.end();) {
        if (!m_users.contains(it->wd))
            it = m_paths.erase(it);
        else
            ++it;
    }
}

DirWatch::Result DirWatch::watch(const QByteArray& dir)
{
    auto it = m_paths.find(dir);
    if (it != m_paths.end()) {
        it->pass = m_pass;
        return Watched;
    }
    if (m_fd < 0 || m_paths.size() >= m_limit)
        return Failed;
    const int wd = inotify_add_watch(m_fd, dir.constData(), kMask);
    if (wd < 0)
        return errno == ENOENT || errno == ENOTDIR || errno == EACCES ? Missing : Failed;
    ++m_users[wd];
    m_paths.insert(dir, {wd, m_pass});
    return Watched;
}

void DirWatch::endPass(bool complete)
{
    if (!complete)
        return;
    for (auto it = m_paths.begin(); it != m_paths.end();) {
        if (it->pass != m_pass) {
            unref(it->wd);
            it = m_paths.erase(it);
        } else {
            ++it;
        }
    }
}

void DirWatch::unref(int wd)
{
    auto it = m_users.find(wd);
    if (it == m_users.end() || --it.value() > 0)
        return;
    m_users.erase(it);
    inotify_rm_watch(m_fd, wd);
}

void DirWatch::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // all read
        for (const char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->mask & IN_IGNORED) {
                QMutexLocker locker(&m_droppedLock);
                m_dropped.append(event->wd);
            } else {
                any = true; // an overflowed queue counts too: the next pass sees everything
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
    if (any)
        emit changed();
}

bool DirWatch::isNetworkShare(int dirFd)
{
    struct statfs fs;
    if (fstatfs(dirFd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and the like)
    case 0x01021997UL: // 9P
    case 0x6B414653UL: // AFS
    case 0x73757245UL: // Coda
    case 0x00C36400UL: // Ceph
    case 0x564CUL:     // NCP
        return true;
    default:
        return false;
    }
}
