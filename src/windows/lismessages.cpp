#include "windows/lismessages.h"
#include "config/languagetext.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "report/lisoutbox.h"

namespace {

QString stateText(LisEntry::State state, uchar lang)
{
    switch (state) {
    case LisEntry::State::Waiting:
        return pickText(lang, "Waiting", "В очереди");
    case LisEntry::State::Sending:
        return pickText(lang, "Sending", "Передается");
    case LisEntry::State::Delivered:
        return pickText(lang, "Delivered", "Доставлено");
    case LisEntry::State::Failed:
        return pickText(lang, "Refused", "Отклонено");
    }
    return QString();
}

} // namespace

lisMessages::lisMessages(LisOutbox* outbox, QWidget* parent)
    : QDialog(parent)
    , m_outbox(outbox)
{
    setObjectName(QStringLiteral("lisMessages"));
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    resize(760, 400);

    m_list = new QTableWidget(this);
    m_list->setObjectName(QStringLiteral("twMessages"));
    m_list->setGeometry(10, 10, 741, 341);
    m_list->setColumnCount(6);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setColumnWidth(
        0, m_list->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 14);
    m_list->setColumnWidth(1, 150);
    m_list->setColumnWidth(2, 60);
    m_list->setColumnWidth(3, 60);
    m_list->setColumnWidth(4, 90);
    m_list->setWordWrap(true);

    m_sendAgain = new QPushButton(this);
    m_sendAgain->setObjectName(QStringLiteral("pb_SendAgain"));
    m_sendAgain->setGeometry(520, 360, 121, 31);
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("pb_Close"));
    m_close->setGeometry(650, 360, 101, 31);

    connect(m_sendAgain, &QPushButton::clicked, this, &lisMessages::sendAgain);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &lisMessages::updateButtons);
    connect(m_outbox, &LisOutbox::changed, this, [this] {
        if (isVisible())
            refresh();
    });
    SetLang(1);
}

void lisMessages::SetPosition(int x, int y)
{
    setGeometry(x - 380, y - 200, 760, 400);
    setFixedSize(760, 400);
}

void lisMessages::ShowWindow()
{
    refresh();
    show();
    activateWindow(); // Esc reaches it without a click first
}

void lisMessages::SetLang(uchar lang)
{
    m_language = lang == 0 ? 0 : 1;
    setWindowTitle(pickText(m_language, "LIS messages", "Сообщения ЛИС"));
    m_list->setHorizontalHeaderLabels(
        {pickText(m_language, "Queued", "Поставлено"), pickText(m_language, "Report", "Отчет"),
         pickText(m_language, "Version", "Версия"), pickText(m_language, "Way", "Способ"),
         pickText(m_language, "State", "Состояние"),
         pickText(m_language, "Answer of the LIS", "Ответ ЛИС")});
    m_sendAgain->setText(pickText(m_language, "Send again", "Отправить снова"));
    m_close->setText(pickText(m_language, "Close", "Закрыть"));
    refresh();
}

void lisMessages::refresh()
{
    const QString selected = m_list->currentRow() >= 0 && m_list->currentRow() < m_entries.size()
                                 ? m_entries.at(m_list->currentRow()).name
                                 : QString();
    m_entries = m_outbox->recent();
    m_list->clearContents();
    m_list->setRowCount(m_entries.size());
    for (int row = 0; row < m_entries.size(); ++row) {
        const LisEntry& e = m_entries.at(row);
        const QStringList cells = rowTexts(row);
        for (int c = 0; c < cells.size(); ++c)
            m_list->setItem(row, c, new QTableWidgetItem(cells.at(c)));
        if (e.name == selected)
            m_list->selectRow(row);
    }
    m_list->resizeRowsToContents();
    updateButtons();
}

QStringList lisMessages::rowTexts(int row) const
{
    const LisEntry& e = m_entries.at(row);
    QString answer = e.answer;
    LisEntry::State state = e.state;
    if (state == LisEntry::State::Waiting || state == LisEntry::State::Sending) {
        const LisOutbox::Problem problem = m_outbox->problemOf(e.name);
        answer = problem.text(m_language);
        // Between two tries it is waiting again, however it was taken on.
        if (problem.any())
            state = LisEntry::State::Waiting;
    } else if (e.state == LisEntry::State::Delivered && answer.isEmpty())
        answer = pickText(m_language, "Written to the folder", "Записано в папку");
    const QString way = e.target == QLatin1String(LisQueue::FolderTarget)
                            ? pickText(m_language, "Folder", "Папка")
                            : QStringLiteral("MLLP");
    return {e.queued.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            e.reportFolder,
            QString::number(e.version),
            way,
            stateText(state, m_language),
            answer.simplified()};
}

void lisMessages::updateButtons()
{
    const int row = m_list->currentRow();
    const bool failed = row >= 0 && row < m_entries.size() &&
                        m_list->selectionModel()->hasSelection() &&
                        m_entries.at(row).state == LisEntry::State::Failed;
    m_sendAgain->setEnabled(failed);
}

void lisMessages::sendAgain()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    // Another window may have queued it already; the list then shows it waiting either way.
    m_outbox->sendAgain(m_entries.at(row).name);
    refresh();
}
