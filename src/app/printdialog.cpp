#include "printdialog.h"

#include <QPrintDialog>
#include <QQueue>

namespace {
QQueue<PrintDialog::Answer> g_answers;
} // namespace

bool PrintDialog::exec(QPrinter* printer, QWidget* parent)
{
    if (!g_answers.isEmpty())
        return g_answers.dequeue()(printer);
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void PrintDialog::setNextAnswer(Answer answer)
{
    g_answers.enqueue(std::move(answer));
}
