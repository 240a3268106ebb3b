#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

#include "report/history.h"
#include "report/reportjob.h"
#include "report/reportrecord.h"
#include "report/reportstage.h"

class PagePrinter;
class QSettings;
class ReportLock;

// The one owner of the report folders: it produces a report, changes its printed values
// (Apply, Default) and writes its PDF. Nothing else writes a report folder's files. Every
// production and change is staged and committed whole (ReportStage): a report counts as done
// only when its record, its pages and a complete PDF are all in place, and a failure or a
// crash at any step leaves the report as it was before.
//
// Production runs in two halves around the device exchange: begin() up to the raw values,
// resultsIn() from the device's results to the committed report.
class ReportUnit : public QObject
{
    Q_OBJECT

  public:
    ReportUnit(const QString& appDir, PagePrinter* printer, QObject* parent = nullptr);
    ~ReportUnit() override;

    // Asks the operator a Yes/No question (breaking a lock left by a program that no longer
    // runs); without it such a lock is never broken.
    void setConfirmation(std::function<bool(const QString& question)> confirm)
    {
        m_confirm = std::move(confirm);
    }

    QString appDir() const { return m_appDir; }
    QString reportsDir() const { return m_reportsDir; }
    QString pdfDir() const { return m_pdfDir; }

    // ---- Production
    struct Request
    {
        QString folderName, folderPath, operatorName;
        unsigned char typeCode = 0;
        unsigned char language = 0;
        QString reason; // why a finished report is produced again
    };
    // Checkpoints 0 to 10: report folder, export read and checked, marker table. On success
    // job().exportData.rawValues go to the device.
    Outcome begin(const Request& request);
    // Checkpoints 11 to 18, from the device's 57 results and references to the report in place.
    Outcome resultsIn(const QVector<double>& results, const QVector<double>& norms,
                      qint32 deviceSerial, unsigned char deviceVersion);
    // The exchange failed; nothing of the run is kept.
    Outcome deviceFailed(Failure failure);
    // The operator has been shown the report (or the batch moved on): checkpoint 19.
    void finished();
    bool running() const { return m_running; }
    const ReportJob& job() const { return m_job; }

    // The steps, each on the current job; MainWindow's slots of the same names call them.
    void readData();
    void chooseSample();
    void buildTable();
    void postCalc();
    FileWrite::Result saveCalc();
    FileWrite::Result writePremade();
    FileWrite::Result writeFullTable();
    FileWrite::Result writeFinal();
    FileWrite::Result writeChart(int typeImage);
    // debug.ini: a trace that nothing reads; a failure to write it costs nothing.
    void reach(Checkpoint checkpoint);
    void setCheckpoint(int number);

    // ---- Changes of a finished report
    struct Change
    {
        QString reportFolder;             // path of the report folder
        ReportRecord::PrintValues shown;  // what the editor showed
        ReportRecord::PrintValues values; // what it asks to print
        QString operatorName;
        QString reason;
        QString producedTx; // the production the editor showed
        unsigned char language = 0;
    };
    // Stores the values the operator changed, remakes the final page from the premade page as
    // it is now, prints its PDF and commits the three. Nothing is written when no value
    // changed.
    Outcome apply(const Change& change);
    // Remakes the final page and PDF of a report whose PDF is missing or incomplete.
    Outcome rebuildPdf(const QString& reportFolder, unsigned char language);

    // ---- Looking reports up
    // The report folder of an analysis, claimed (created with its record) when it has none.
    FileWrite::Result claimFolder(const QString& folderName, const QString& folderPath,
                                  QString* reportFolderName);
    QString reportFolderPath(const QString& reportFolderName) const;
    // The PDF of a report folder (see ReportFiles::pdfPath).
    QString pdfPath(const QString& reportFolderName) const;
    // Its record says done and its PDF is whole.
    bool isFinished(const QString& reportFolderName) const;

    // Finishes or removes what a crash left in the report folders. Called at start.
    void recoverAll(const QString& operatorName = QString(), unsigned char language = 0);

  signals:
    // The progress window moves on (stages 1, 6 and 7; the device moves it through 2 to 5).
    void stageAdvanced();
    void pdfWritten(const QString& path, bool ok);
    // A new version of the report in this folder is in place (a production, an Apply, a Default).
    void released(const QString& reportFolder);

  private:
    Outcome stop(Failure failure, const QString& message);
    Outcome stopWrite(const FileWrite::Result& result);
    // The record as this run will leave it, changed in memory step by step.
    FileWrite::Result editRecord(const std::function<void(QSettings&)>& edit);
    FileWrite::Result loadRecord(const QString& iniPath, QByteArray* bytes);
    FileWrite::Result stagePdf(const QString& html, const QString& baseDir, const QString& target,
                               unsigned char language, QString* sha256, Outcome* printFailure);
    FileWrite::Result stageRecord(ReportStage& stage, const QString& iniPath,
                                  const QByteArray& base,
                                  const std::function<void(QSettings&)>& edit);
    Outcome commitChange(const Change& change, const ReportRecord::PrintValues& values,
                         const QList<History::Entry>& changes, bool newVersion, ReportLock& lock);
    QString amendmentLine(int version, const QDateTime& replaced, const QString& reason,
                          unsigned char language) const;
    QString newTransactionId() const;
    void endJob();
    // Takes the report's lock for the operator; a lock left by a program that no longer runs
    // is broken after the operator agrees, and the break recorded in the history.
    Outcome lockReport(ReportLock& lock, const QString& folder, const QString& operatorName,
                       unsigned char language);
    FileWrite::Result recordLockBreak(const QString& folder, const History::Entry& entry);
    // The history entries of a commit: version, PDF hash, reason and the commit's identity;
    // the record keeps the head they leave.
    QList<History::Entry> commitEntries(QList<History::Entry> entries, int version,
                                        const QString& sha256, const QString& reason);

    QString m_appDir;
    QString m_reportsDir;
    QString m_pdfDir;
    QString m_templatesDir;
    PagePrinter* m_printer;

    ReportJob m_job;
    bool m_running = false;
    QByteArray m_recordBytes; // the record as the job will stage it
    std::unique_ptr<ReportStage> m_stage;
    std::unique_ptr<ReportLock> m_lock; // held from begin() to the end of the run
    std::function<bool(const QString&)> m_confirm;
};
