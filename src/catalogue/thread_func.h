#pragma once

#include "catalogue/scancache.h"

#include <QColor>
#include <QElapsedTimer>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>
#include <sys/types.h>

class DirWatch;
class PassSchedule;

// Background scanner: walks the data directory for analysis folders ("*.D") and reports each
// with its state colour. One call to startProcess runs one pass; the end of a pass is the
// inherited finished() signal. A request for the tree just scanned waits until something in
// it changes (or, where changes cannot be watched, until the pacing allows), so an idle
// workstation costs next to nothing.
class Thread_Func : public QThread
{
    Q_OBJECT

  public:
    explicit Thread_Func(QObject* parent = nullptr);
    ~Thread_Func() override;

    // Call from the thread that owns this object. A request for another tree or search depth
    // runs at once (after a running pass has ended); one for the same tree waits for a change.
    void startProcess(QString folder_path, QString reports_path, bool deep);

    // Stops the scanner and deletes it once its pass has ended, waiting timeoutMs at most.
    // Returns false when the pass hangs in a call that does not return (an unreachable
    // share); the object is then cut off and left to the end of the process.
    static bool release(Thread_Func* scanner, int timeoutMs = 2000);

    // A full pass at least this often although nothing was noticed; 60 s by default.
    void setSafetyInterval(int ms);
    // Most directories watched at once; a tree needing more is paced instead.
    void setWatchLimit(int directories);
    // After a pass: true while changes are watched, false while passes are paced.
    bool isWatching() const;
    // True while a start request waits.
    bool hasPendingStart() const;

  public slots:
    void stopProcess();

  signals:
    void ProcData(QString D_Path, QString D_Name, QColor D_State);

  protected:
    void run() override;

  private slots:
    void CyclicSearchProc(QString folder_path);
    void SingleSearchProc(QString folder_path);
    void AddObjectToList(QString folder_path, QString folder_name);
    QColor CheckStateFolder(QString folder_path, QString folder_name);
    bool func_CanReadHeader(QString t_folderPath, QString t_folderName);
    bool func_AnalyseExist(QString t_folderPath, QString t_folderName);
    QString Analyse_ReadfolderPath(QString t_path);
    bool Analyse_ReadAnalyseExist(QString t_path);

    void startPendingPass();
    void passEnded();

  private:
    using DirId = QPair<dev_t, ino_t>;

    bool stopRequested() const { return m_stop.load(std::memory_order_relaxed); }
    void takeRequest();
    bool readDir(const QString& dir, QStringList* names, DirId* id);
    void watch(const QString& dir);
    void watchNearest(QString dir);
    // What the reports folder holds under a name: nothing, a folder of exactly that name, or
    // something else (a file, or a folder whose name differs only in letter case).
    enum class ReportName { None, Folder, InTheWay };
    ReportName reportName(const QString& name);
    bool pdfComplete(const QString& path);
    ScanCache::Entry* reportRecord(const QString& ini);

    mutable QMutex m_lock;
    std::atomic<bool> m_stop{true};

    // Parameters of the last pass; written only while no pass runs.
    QString m_folderPath;
    QString m_reportsPath;
    QString m_pdfPath; // the PDF folder beside the reports folder
    bool m_deep = false;
    int m_passes = 0;

    // The request waiting for its pass.
    bool m_pending = false;
    bool m_endHandled = true; // the end of the last pass has reached everyone who waits for it
    QString m_pendingFolderPath;
    QString m_pendingReportsPath;
    bool m_pendingDeep = false;

    DirWatch* m_watch;
    PassSchedule* m_schedule;
    bool m_useWatch = false;     // set before a pass starts
    bool m_watchRefused = false; // the watch limit or the system said no: pace this tree
    bool m_watchFailed = false;  // written by the pass
    bool m_sawShare = false;     // written by the pass: part of the tree is a network share
    bool m_lastSawShare = false;

    // Touched by the scanner thread only.
    ScanCache m_cache;
    QVector<DirId> m_descent;   // directories from the data directory down to this one
    QSet<QString> m_reportDirs; // report folder names, listed at most 200 ms ago
    QSet<QString> m_reportAny;  // every name there, case-folded
    QElapsedTimer m_reportDirsAge;
};
