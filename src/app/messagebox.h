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
    enum Answer { Ok, Yes, No, Closed };

    struct Shown {
        Kind kind;
        QString title;
        QString text;
        QStringList buttons;
    };

    // One box with a single button. Returns when the user has dismissed it.
    static void warning(const QString& title, const QString& text, const QString& button);
    static void information(const QString& title, const QString& text, const QString& button);
    // Yes/No question; true only for the yes button.
    static bool question(const QString& title, const QString& text, const QString& yesText,
                         const QString& noText);

    // Test hooks. With auto-answer on, boxes are not shown: each takes the next queued
    // answer, or Ok/No when the queue is empty, and is recorded.
    static void setAutoAnswer(bool on);
    static void setNextAnswer(Answer answer);
    static const QVector<Shown>& shown();
    static void clearShown();

private:
    static Answer run(Kind kind, const QString& title, const QString& text,
                      const QStringList& buttons);
};
