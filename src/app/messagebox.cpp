#include "messagebox.h"

#include <QPushButton>
#include <QQueue>

namespace {
bool g_autoAnswer = false;
QQueue<MessageBox::Answer> g_answers;
QVector<MessageBox::Shown> g_shown;
}

void MessageBox::setAutoAnswer(bool on)
{
    g_autoAnswer = on;
}

void MessageBox::setNextAnswer(Answer answer)
{
    g_answers.enqueue(answer);
}

const QVector<MessageBox::Shown>& MessageBox::shown()
{
    return g_shown;
}

void MessageBox::clearShown()
{
    g_shown.clear();
    g_answers.clear();
}

void MessageBox::warning(const QString& title, const QString& text, const QString& button)
{
    run(Warning, title, text, {button});
}

void MessageBox::information(const QString& title, const QString& text, const QString& button)
{
    run(Information, title, text, {button});
}

bool MessageBox::question(const QString& title, const QString& text, const QString& yesText,
                          const QString& noText)
{
    return run(Question, title, text, {yesText, noText}) == Yes;
}

MessageBox::Answer MessageBox::run(Kind kind, const QString& title, const QString& text,
                                   const QStringList& buttons)
{
    g_shown.append({kind, title, text, buttons});
    if (g_autoAnswer || !g_answers.isEmpty()) {
        if (!g_answers.isEmpty())
            return g_answers.dequeue();
        return kind == Question ? No : Ok;
    }

    // No parent: the boxes stand on their own like the rest of the program's windows.
    QMessageBox box(kind == Warning ? QMessageBox::Warning
                    : kind == Information ? QMessageBox::Information
                                          : QMessageBox::Question,
                    title, text, QMessageBox::NoButton, nullptr);
    if (kind == Question) {
        QPushButton* yes = box.addButton(buttons.value(0), QMessageBox::YesRole);
        box.addButton(buttons.value(1), QMessageBox::NoRole);
        box.exec();
        return box.clickedButton() == yes ? Yes : (box.clickedButton() ? No : Closed);
    }
    QPushButton* ok = box.addButton(buttons.value(0), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
    box.exec();
    return Ok;
}
