#pragma once

#include <QString>
#include <QVector>

#include "catalogue/folderrecord.h"
#include "report/reportjob.h"

// The queue and the outcome list of one batch of reports: which analyses it holds, which one
// is being produced, how each one ended. It knows nothing of windows or the device; the main
// window produces each analysis and reports back here.
class BatchRun
{
  public:
    enum class Outcome { Waiting, Done, Failed, Stopped, NotProduced };

    struct Entry
    {
        FolderRecord record;
        QString label; // the list entry's text when the batch began
        Outcome outcome = Outcome::Waiting;
        QString message;
    };

    // Replaces any previous batch. Entries are produced in the given order.
    void start(const QVector<Entry>& entries);
    bool active() const { return m_active; }

    // The next entry to produce, or null when the batch has ended: all entries were tried,
    // the operator asked to stop, or a failure that would repeat for every analysis came.
    // Ending marks the entries not reached as not produced.
    const Entry* next();
    // 1-based position of the entry being produced; 0 before the first.
    int position() const { return m_current + 1; }
    int count() const { return m_entries.size(); }

    void recordDone();
    // The message the analysis got and why it failed; stopsBatch() decides whether the batch
    // goes on with the next analysis.
    void recordFailure(const QString& message, Failure failure);
    // The batch stops only where the same failure would meet every analysis that follows: the
    // device cannot be reached at all, or the application directory cannot be written. A
    // connection that breaks during one analysis is that analysis' failure; the next one gets
    // a new connection.
    static bool stopsBatch(Failure failure);
    // Honoured when the report in progress has ended.
    void requestStop() { m_stopRequested = true; }
    // The operator cut the report in progress short as well: its failure reads as stopped.
    void interrupt() { m_stopRequested = m_interrupted = true; }
    bool stopRequested() const { return m_stopRequested; }

    const QVector<Entry>& entries() const { return m_entries; }
    int countOf(Outcome outcome) const;

    // For the summary, in the interface language (0 English, 1 Russian).
    static QString outcomeText(const Entry& entry, unsigned char lang);
    QString heading(unsigned char lang) const;
    // Heading, then one line per analysis: "label<TAB>outcome", messages on one line.
    QString summaryText(unsigned char lang) const;

  private:
    void end();

    QVector<Entry> m_entries;
    int m_current = -1;
    bool m_active = false;
    bool m_stopRequested = false;
    bool m_fatal = false;
    bool m_interrupted = false;
};
