#pragma once

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QWidget>

namespace Ui {
class Debug_TCP;
}

// Log of every line exchanged with the device, coloured by direction.
// Closing only hides it; lines keep arriving while it is hidden.
class Debug_TCP : public QWidget
{
    Q_OBJECT
  public:
    explicit Debug_TCP(QWidget* parent = nullptr);
    // The log keeps this many lines, about ten calculations.
    static constexpr int MaxLines = 3000;
    ~Debug_TCP() override;

  public slots:
    // direction true: outgoing (dark green), false: incoming (blue).
    void debug_add_message(QString message, bool direction);
    void on_pbClear_clicked();
    void on_pbExit_clicked();

  private:
    void endBatch();

    Ui::Debug_TCP* ui;
    QTextCharFormat m_outgoing;
    QTextCharFormat m_incoming;
    bool m_hasLines = false;
    // Lines that arrive within one pass of the event loop go into one edit block,
    // so the text is there at once but laid out and painted once per batch.
    QTextCursor m_batch;
    bool m_batchOpen = false;
    bool m_followEnd = true;
    QTimer m_batchEnd;
};
