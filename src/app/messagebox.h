#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QVector>

// Every modal box of the program goes through here so that tests can answer them
// without a visible, blocking dialog: queue an answer with setNextAnswer(), or switch
// on auto-answering, and read back what would have been shown.
class MessageBox
{
  public:
    enum Kind { Warning, Information, Question };
    enum Answer { Ok, Yes, No, Closed, Cancel };

    struct Shown
    {
        Kind kind;
        QString title;
        QString text;
        QStringList buttons;
        QString detail; // the smaller second text of a choice box
    };

    // One box with a single button. Returns when the user has dismissed it.
    static void warning(const QString& title, const QString& text, const QString& button);
    static void information(const QString& title, const QString& text, const QString& button);
    // Yes/No question; true only for the yes button.
    static bool question(const QString& title, const QString& text, const QString& yesText,
                         const QString& noText);
    // Yes/No/Cancel question: Yes, No, or Cancel (also when the box is closed otherwise).
    static Answer questionWithCancel(const QString& title, const QString& text,
                                     const QString& yesText, const QString& noText,
                                     const QString& cancelText);
    // A box offering other ways on: returns the index of the button pressed; Esc or closing
    // the box gives escapeIndex. detail, when not empty, is shown below the text.
    static int choice(Kind kind, const QString& title, const QString& text, const QString& detail,
                      const QStringList& buttons, int escapeIndex);

    // Test hooks. With auto-answer on, boxes are not shown: each takes the next queued
    // answer, or else Ok, No, or a choice box's escapeIndex, and is recorded.
    static void setAutoAnswer(bool on);
    static bool autoAnswer();
    static void setNextAnswer(Answer answer);
    // The next choice box answers with this button.
    static void setNextChoice(int index);
    static const QVector<Shown>& shown();
    static void clearShown();

  private:
    static Answer run(Kind kind, const QString& title, const QString& text,
                      const QStringList& buttons);
    // The queued or automatic answer; false when the box is to be shown.
    static bool takeAnswer(int fallback, int* answer);
};
