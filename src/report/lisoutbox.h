#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

#include "report/filewrite.h"
#include "report/lisqueue.h"
#include "report/lisreport.h"
#include "report/mllpclient.h"

class QThread;
class QTimer;

// Results on their way to the laboratory information system. enqueue() stores a message per
// way of delivery (a file in a folder the LIS watches, MLLP to its listener) in the queue under
// the application directory and returns; the deliveries run on the event loop and, for the
// folder, on a short-lived thread, so neither the interface nor report production ever waits.
//
// Program instances that share the application directory share the queue. Only the one that
// holds "lis/sender.lock" delivers, so messages leave in the order they were queued whichever
// instance queued them; the others take over when it ends. The holder refreshes the lock's time
// so that an instance on another workstation can tell a live holder from one that crashed.
class LisOutbox : public QObject
{
    Q_OBJECT
  public:
    struct Config
    {
        bool toFolder = false;
        bool toListener = false;
        QString folder;
        QString host;
        quint16 port = 0;
        QString sendingFacility;
        QString receivingApplication;
        QString receivingFacility;
    };
    struct Timing
    {
        int answerTimeoutMs = 30000; // no acknowledgement within this: try again
        int firstRetryMs = 2000;     // doubled after each failed try ...
        int maxRetryMs = 60000;      // ... up to this
        int pollMs = 2000;       // looks for messages other instances queued, refreshes the lock
        int staleLockMs = 60000; // a lock not refreshed for this long belongs to no one
    };
    // Why the current message of a way of delivery has not gone yet.
    struct Problem
    {
        MllpClient::Problem kind = MllpClient::Problem::None;
        FileWrite::Result file; // the folder could not be written
        QString detail;         // the system's words
        int timeoutSeconds = 0;
        bool any() const { return kind != MllpClient::Problem::None || !file; }
        QString text(unsigned char language) const;
    };

    explicit LisOutbox(const QString& appDir, QObject* parent = nullptr);
    ~LisOutbox() override;

    void setTiming(const Timing& timing);
    // Starts or stops the ways of delivery; messages of a way that is off wait for it.
    void setConfig(const Config& config);
    Config config() const { return m_config; }

    // One message per way of delivery that is on; nothing when none is. *names receives the
    // queued entries' names.
    FileWrite::Result enqueue(const LisReport& report, QStringList* names = nullptr);

    QVector<LisEntry> recent(int max = 200) const;
    // Queues a refused message again (with a new control ID); false when it is no longer failed.
    bool sendAgain(const QString& name);

    int waitingCount() const { return m_waiting; }
    int failedCount() const { return m_failed; }
    // "LIS: 3 waiting, 1 failed"; empty when nothing waits or failed.
    static QString statusText(int waiting, int failed, unsigned char language);
    // The problem of the message being delivered, for the messages window.
    Problem problemOf(const QString& name) const;
    bool delivers() const { return m_lock && m_lock->isLocked(); }

  signals:
    // The queue, a message's state or a problem changed.
    void changed();

  private:
    struct Lane
    {
        QString target;
        QString current; // claimed entry being delivered
        bool busy = false;
        int retryMs = 0;
        QTimer* retry = nullptr;
        Problem problem;
    };

    void poll();
    bool holdLock();
    void releaseLock();
    bool enabled(const Lane& lane) const;
    void pump(Lane& lane);
    void deliverToFolder(Lane& lane, const LisEntry& entry);
    void deliverToListener(Lane& lane, const LisEntry& entry);
    void onListenerFinished(MllpClient::Outcome outcome, MllpClient::Problem problem,
                            const QString& text);
    void delivered(Lane& lane, bool ok, const QString& answer);
    void retryLater(Lane& lane, const Problem& problem);
    void recount();

    QString m_root;
    Config m_config;
    Timing m_timing;
    Lane m_folder;
    Lane m_listener;
    MllpClient* m_client = nullptr;
    QTimer* m_poll = nullptr;
    std::unique_ptr<QLockFile> m_lock;
    int m_waiting = 0;
    int m_failed = 0;
    QThread* m_folderThread = nullptr;
    bool m_closing = false;
};
