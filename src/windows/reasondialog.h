#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// Asks why a released report is changed. The reason is printed on the amended report and kept
// in its history, so OK is possible only while the text is not blank.
class ReasonDialog : public QDialog
{
    Q_OBJECT

  public:
    explicit ReasonDialog(unsigned char lang, QWidget* parent = nullptr);

    // The text typed, without surrounding white space.
    QString reason() const;

    // False when cancelled; *reason receives the text without surrounding white space.
    static bool ask(unsigned char lang, QString* reason, QWidget* parent = nullptr);

    // Test seam, like MessageBox: the next ask() returns at once with this answer, without
    // showing anything; a null (or blank) QString means Cancel. Queued answers are taken in order.
    // With MessageBox's auto-answer on and nothing queued, ask() cancels without showing anything.
    static void setNextReason(const QString& reason);
    // How many times ask() was called, shown or answered from the queue.
    static int askedCount();
    // Forgets the answers still queued.
    static void clearNextReasons();

  private:
    QLineEdit* m_text = nullptr;
    QPushButton* m_ok = nullptr;
};
