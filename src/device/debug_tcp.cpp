#include "debug_tcp.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "ui_debug_tcp.h"

Debug_TCP::Debug_TCP(QWidget* parent) : QWidget(parent), ui(new Ui::Debug_TCP)
{
    ui->setupUi(this);
    // The log can grow to many thousands of lines; an undo history of it is pure cost.
    ui->textEdit->document()->setUndoRedoEnabled(false);
    m_outgoing.setForeground(QColor(Qt::darkGreen));
    m_incoming.setForeground(QColor(Qt::blue));
}

Debug_TCP::~Debug_TCP()
{
    delete ui;
}

void Debug_TCP::debug_add_message(QString message, bool direction)
{
    const QTextCharFormat& format = direction ? m_outgoing : m_incoming;
    ui->textEdit->setTextColor(format.foreground().color());

    // Appending through a cursor avoids the widget's per-call reformatting; the view
    // follows the end only when it was already there.
    QScrollBar* bar = ui->textEdit->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextDocument* doc = ui->textEdit->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    if (m_hasLines)
        cursor.insertBlock(QTextBlockFormat(), format);
    m_hasLines = true;
    cursor.setBlockCharFormat(format);
    cursor.insertText(message, format);
    if (atEnd)
        bar->setValue(bar->maximum());
}

void Debug_TCP::on_pbClear_clicked()
{
    ui->textEdit->clear();
    ui->textEdit->document()->setUndoRedoEnabled(false);
    m_hasLines = false;
}

void Debug_TCP::on_pbExit_clicked()
{
    close();
}
