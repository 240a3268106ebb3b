#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <atomic>

// Background scanner: walks the data directory for analysis folders ("*.D") and
// reports each with its state colour. One call to startProcess runs one pass;
// the end of a pass is the inherited finished() signal.
class Thread_Func : public QThread {
    Q_OBJECT

public:
    explicit Thread_Func(QObject* parent = nullptr);
    ~Thread_Func() override;

    // Call from the thread that owns this object. While a pass runs the request is
    // held (the latest one wins) and started as soon as that pass has ended.
    void startProcess(QString folder_path, QString reports_path, bool deep);

    // Shortest time between the starts of two passes; 1000 ms by default.
    void setMinimumPassInterval(int ms);
    int minimumPassInterval() const;

    // True while a start request waits for the running pass to end.
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

private:
    bool stopRequested() const { return m_stop.load(std::memory_order_relaxed); }
    bool waitForPassSlot();
    static QStringList listSubDirs(const QString& dir);
    bool hasReportDir(const QString& name);

    mutable QMutex m_lock;
    QWaitCondition m_wake;
    std::atomic<bool> m_stop{true};

    // Parameters of the running pass; written only while no pass runs.
    QString m_folderPath;
    QString m_reportsPath;
    bool m_deep = false;

    // A start request that arrived while a pass was running.
    bool m_pending = false;
    QString m_pendingFolderPath;
    QString m_pendingReportsPath;
    bool m_pendingDeep = false;

    std::atomic<int> m_minInterval{1000};
    QElapsedTimer m_lastPassStart;  // touched by the scanner thread only
    QSet<QString> m_visited;        // canonical directories of the current deep pass
    QSet<QString> m_reportDirs;     // report folder names, listed at most 200 ms ago
    QElapsedTimer m_reportDirsAge;
    struct Found {
        QString path;
        QString name;
        QColor state;
    };
    QVector<Found> m_found;         // results of the current pass, sent when it ends
};
