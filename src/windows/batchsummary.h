#pragma once

#include <QString>
#include <QWidget>

class BatchRun;
class QLabel;
class QPushButton;
class QTableWidget;

// The window at the end of a batch of reports: every analysis of the batch with its outcome,
// and a button that copies the list as text for a lab journal or an e-mail.
class BatchSummary : public QWidget
{
    Q_OBJECT

  public:
    explicit BatchSummary(QWidget* parent = nullptr);

    // Fills the window from the ended batch in the interface language and shows it.
    void showRun(const BatchRun& run, unsigned char lang);
    // Centres the window on the main window's centre.
    void SetCoord(int x, int y);
    // What the copy button puts on the clipboard.
    QString text() const { return m_text; }

    static constexpr int Width = 460;
    static constexpr int Height = 300;

  private:
    void copyList();

    QLabel* m_heading = nullptr;
    QTableWidget* m_list = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_close = nullptr;
    QString m_text;
};
