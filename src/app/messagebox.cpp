#include "messagebox.h"

#include <QPushButton>
#include <QQueue>

namespace {
bool g_autoAnswer = false;
// Answers of question boxes, or button indexes of choice boxes, in the order queued.
QQueue<int> g_answers;
QVector<MessageBox::Shown> g_shown;

QMessageBox::Icon iconOf(MessageBox::Kind kind)
{
    return kind == MessageBox::Warning       ? QMessageBox::Warning
           : kind == MessageBox::Information ? QMessageBox::Information
                                             : QMessageBox::Question;
}
} // namespace

void MessageBox::setAutoAnswer(bool on)
{
    g_autoAnswer = on;
}

bool MessageBox::autoAnswer()
{
    return g_autoAnswer;
}

void MessageBox::setNextAnswer(Answer answer)
{
    g_answers.enqueue(answer);
}

void MessageBox::setNextChoice(int index)
{
    g_answers.enqueue(index);
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

bool MessageBox::takeAnswer(int fallback, int* answer)
{
    if (!g_autoAnswer && g_answers.isEmpty())
        return false;
    *answer = g_answers.isEmpty() ? fallback : g_answers.dequeue();
    return true;
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

MessageBox::Answer MessageBox::questionWithCancel(const QString& title, const QString& text,
                                                  const QString& yesText, const QString& noText,
                                                  const QString& cancelText)
{
    g_shown.append({Question, title, text, {yesText, noText, cancelText}, QString()});
    int answer = No;
    if (takeAnswer(No, &answer))
        return static_cast<Answer>(answer);

    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, nullptr);
    QPushButton* yes = box.addButton(yesText, QMessageBox::YesRole);
    QPushButton* no = box.addButton(noText, QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(cancelText, QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes ? Yes : box.clickedButton() == no ? No : Cancel;
}

int MessageBox::choice(Kind kind, const QString& title, const QString& text, const QString& detail,
                       const QStringList& buttons, int escapeIndex)
{
    g_shown.append({kind, title, text, buttons, detail});
    int answer = escapeIndex;
    if (takeAnswer(escapeIndex, &answer))
        return answer;

    QMessageBox box(iconOf(kind), title, text, QMessageBox::NoButton, nullptr);
    box.setInformativeText(detail);
    QList<QPushButton*> added;
    for (int i = 0; i < buttons.size(); ++i)
        added << box.addButton(buttons.at(i), i == escapeIndex ? QMessageBox::RejectRole
                                                               : QMessageBox::ActionRole);
    if (!added.isEmpty())
        box.setDefaultButton(added.first());
    box.setEscapeButton(added.value(escapeIndex));
    box.exec();
    const int clicked = added.indexOf(static_cast<QPushButton*>(box.clickedButton()));
    return clicked >= 0 ? clicked : escapeIndex;
}

MessageBox::Answer MessageBox::run(Kind kind, const QString& title, const QString& text,
                                   const QStringList& buttons)
{
    g_shown.append({kind, title, text, buttons, QString()});
    int answer = Ok;
    if (takeAnswer(kind == Question ? No : Ok, &answer))
        return static_cast<Answer>(answer);

    // No parent: the boxes stand on their own like the rest of the program's windows.
    QMessageBox box(iconOf(kind), title, text, QMessageBox::NoButton, nullptr);
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
