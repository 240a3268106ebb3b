#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

#include "report/lisqueue.h"

class LisOutbox;
class QPushButton;
class QTableWidget;

// The recent messages to the laboratory information system, newest first: when each was
// queued, its report and version, how it goes, its state and the LIS's answer (or, while it
// waits, why it has not gone yet). A refused message can be sent again. Esc closes it.
class lisMessages : public QDialog
{
    Q_OBJECT

  public:
    explicit lisMessages(LisOutbox* outbox, QWidget* parent = nullptr);

    // The cells of the list, row by row, for tests.
    QStringList rowTexts(int row) const;

  public slots:
    void SetPosition(int x, int y);
    void ShowWindow();
    void SetLang(uchar lang);
    void refresh();

  private slots:
    void sendAgain();
    void updateButtons();

  private:
    LisOutbox* m_outbox = nullptr;
    QTableWidget* m_list = nullptr;
    QPushButton* m_sendAgain = nullptr;
    QPushButton* m_close = nullptr;
    QVector<LisEntry> m_entries;
    uchar m_language = 1;
};
