#pragma once

#include <QWidget>

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;

// Small modal window naming the current stage of report production.
// Stages 0..7 are shown; moving past 7 closes the window.
class ProgressInfo : public QWidget
{
    Q_OBJECT

  public:
    explicit ProgressInfo(QWidget* parent = nullptr);

    int stage() const { return m_stage; }
    uchar language() const { return m_language; }
    bool closeAllowed() const { return m_closeAllowed; }

    static constexpr int LastStage = 7;
    // Stage text in the given language (0 English, other Russian); the stage-6 text
    // stands in for stages outside 0..7.
    static QString stageText(int stage, uchar lang);
    // stage * 12.5 rounded toward zero, kept within 0..100.
    static int barValue(int stage);

    // Batch of reports: a line above the stage text names the analysis ("3 / 12  BL0412.D")
    // and a Stop button asks to end the batch once the report in progress is done; the
    // window grows to hold them. clearBatch() brings back the single-report form.
    void setBatch(int position, int count, const QString& name);
    void clearBatch();
    bool inBatch() const { return m_inBatch; }

  signals:
    void finished();
    // Esc was pressed; whoever runs the work decides whether it can be stopped.
    void stopRequested();
    // The Stop button of a batch: end the batch after the report in progress.
    void batchStopRequested();

  public slots:
    void initStage(uint startstage);
    void nextStage();
    void changeName();
    void SetCoord(int x, int y);
    void SetLang(uchar lang);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void closeSelf();

    int m_stage = -1;
    bool m_closeAllowed = false;
    uchar m_language = 1;
    QLabel* m_label = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_batchLine = nullptr;
    QPushButton* m_stop = nullptr;
    bool m_inBatch = false;
};
