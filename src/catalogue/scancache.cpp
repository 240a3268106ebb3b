#include "scancache.h"

#include <sys/stat.h>
#include <time.h>

namespace {

qint64 nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

bool ScanCache::stampOf(const QByteArray& path, Stamp* out)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    out->dev = st.st_dev;
    out->ino = st.st_ino;
    out->size = st.st_size;
    out->mtimeNs = nanoseconds(st.st_mtim);
    out->ctimeNs = nanoseconds(st.st_ctim);
    return true;
}

void ScanCache::beginPass()
{
    ++m_pass;
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    m_passStartNs = nanoseconds(now);
}

void ScanCache::endPass(bool complete)
{
    if (!complete)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->pass != m_pass)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

ScanCache::Entry* ScanCache::find(const QByteArray& path, const Stamp& stamp)
{
    auto it = m_entries.find(path);
    if (it == m_entries.end() || !it->trusted || !(it->stamp == stamp))
        return nullptr;
    it->pass = m_pass;
    return &it.value();
}

ScanCache::Entry& ScanCache::store(const QByteArray& path, const Stamp& stamp)
{
    Entry& e = m_entries[path];
    e = Entry();
    e.stamp = stamp;
    e.pass = m_pass;
    // A file changed shortly before it was judged may change again within the same tick of
    // its file system's clock (two seconds on some shares) without its stamp showing it. A
    // share's clock may run ahead of ours: a stamp from the future is not trusted either.
    e.trusted = m_passStartNs - qMax(stamp.mtimeNs, stamp.ctimeNs) >= m_settledNs;
    return e;
}
