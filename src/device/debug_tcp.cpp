#include "debug_tcp.h"

#include <QScrollBar>
#include <QTextDocument>

#include "ui_debug_tcp.h"

Debug_TCP::Debug_TCP(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::Debug_TCP)
{
    ui->setupUi(this);
    // The log can grow to many thousands of lines; an undo history of it is pure cost.
    ui->textEdit->document()->setUndoRedoEnabled(false);
    // Every calculation adds some 300 lines; a day of reports must not pile up in memory.
    // The newest lines, the ones a service engineer reads, stay.
    ui->textEdit->document()->setMaximumBlockCount(MaxLines);
    m_outgoing.setForeground(QColor(Qt::darkGreen));
    m_incoming.setForeground(QColor(Qt::blue));
    m_batchEnd.setSingleShot(true);
    m_batchEnd.setInterval(0);
    connect(&m_batchEnd, &QTimer::timeout, this, &Debug_TCP::endBatch);
}

Debug_TCP::~Debug_TCP()
{
    endBatch();
    delete ui;
}

void Debug_TCP::debug_add_message(QString message, bool direction)
{
    const QTextCharFormat& format = direction ? m_outgoing : m_incoming;
    ui->textEdit->setTextColor(format.foreground().color());

    if (!m_batchOpen) {
        const QScrollBar* bar = ui->textEdit->verticalScrollBar();
        m_followEnd = bar->value() >= bar->maximum();
        m_batch = QTextCursor(ui->textEdit->document());
        m_batch.beginEditBlock();
        m_batchOpen = true;
        m_batchEnd.start();
    }
    m_batch.movePosition(QTextCursor::End);
    if (m_hasLines)
        m_batch.insertBlock(QTextBlockFormat(), format);
    m_hasLines = true;
    m_batch.setBlockCharFormat(format);
    m_batch.insertText(message, format);
}

void Debug_TCP::endBatch()
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    m_batchEnd.stop();
    m_batch.endEditBlock();
    m_batch = QTextCursor();
    if (m_followEnd) {
        QScrollBar* bar = ui->textEdit->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void Debug_TCP::on_pbClear_clicked()
{
    endBatch();
    ui->textEdit->clear();
    ui->textEdit->document()->setUndoRedoEnabled(false);
    m_hasLines = false;
}

void Debug_TCP::on_pbExit_clicked()
{
    close();
}
