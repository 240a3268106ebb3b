#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QVector>

class QSocketNotifier;

// The directories a pass walked, watched through one inotify instance. The scanner thread
// adds a watch just before it lists or looks into a directory, so nothing can change unseen
// between the look and the watch; changes are read on the thread that owns this object.
// (QFileSystemWatcher keeps its paths in lists: adding 15,000 folders takes about a second
// on its thread, the only thread that may feed it.)
class DirWatch : public QObject
{
    Q_OBJECT

  public:
    enum Result { Watched, Missing, Failed };

    explicit DirWatch(QObject* parent = nullptr);
    ~DirWatch() override;

    // Owner thread, while no pass runs.
    bool open();  // false when the system offers no watching
    void close(); // drops every watch
    void setLimit(int watches) { m_limit = watches; }

    // Scanner thread, during a pass.
    void beginPass();
    Result watch(const QByteArray& dir);
    // Drops the watches of directories a complete pass no longer reached.
    void endPass(bool complete);

    // A file system whose changes made elsewhere send no notification here.
    static bool isNetworkShare(int dirFd);

  signals:
    void changed();

  private:
    void readEvents();
    void unref(int wd);

    int m_fd = -1;
    int m_limit;
    QSocketNotifier* m_notifier = nullptr;
    struct Watch
    {
        int wd;
        quint32 pass;
    };
    QHash<QByteArray, Watch> m_paths; // an alias shares its target's descriptor
    QHash<int, int> m_users;          // paths per descriptor
    quint32 m_pass = 0;
    QMutex m_droppedLock;
    QVector<int> m_dropped; // descriptors the kernel ended (directory gone)
};
