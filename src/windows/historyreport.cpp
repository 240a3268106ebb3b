#include "windows/historyreport.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>

namespace {

QString tr2(uchar lang, const char* english, const char* russian)
{
    return lang == 0 ? QString::fromUtf8(english) : QString::fromUtf8(russian);
}

// One line per cell, whatever the value holds: line breaks become a visible mark, and tabs
// would split the copied columns.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QString::fromUtf8(" ↵ "));
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '));
}

QString fieldLabel(const QString& key, uchar lang)
{
    if (key == QLatin1String("ProbeNamePrint"))
        return tr2(lang, "Analysis name", "Название анализа");
    if (key == QLatin1String("ProbeIDPrint"))
        return tr2(lang, "Analysis code", "Код анализа");
    if (key == QLatin1String("PatientPrint"))
        return tr2(lang, "Patient name", "Имя пациента");
    if (key == QLatin1String("ConclusionPrint"))
        return tr2(lang, "Conclusion", "Заключение");
    return key;
}

// Time, operator, what happened, details.
QStringList columns(const History::Entry& e, uchar lang)
{
    using Kind = History::Entry::Kind;
    if (e.kind == Kind::Unreadable)
        return {QString(), QString(), tr2(lang, "Unreadable entry", "Нечитаемая запись"),
                oneLine(e.line)};
    QString when = History::timeText(e.when).replace(QLatin1Char('T'), QLatin1Char(' '));
    when.insert(when.size() - 6, QLatin1Char(' '));  // before the offset
    if (e.kind == Kind::Changed) {
        QString oldValue = e.oldValue;
        QString newValue = e.newValue;
        if (e.field == QLatin1String("ConclusionPrint")) {  // stored with <br> for line breaks
            oldValue.replace(QLatin1String("<br>"), QLatin1String("\n"));
            newValue.replace(QLatin1String("<br>"), QLatin1String("\n"));
        }
        return {when, oneLine(e.operatorName), fieldLabel(e.field, lang),
                QString::fromUtf8("«%1» → «%2»").arg(oneLine(oldValue), oneLine(newValue))};
    }
    const QString unread = QStringLiteral("?");
    const QString device = e.serial.isEmpty() && e.version.isEmpty()
        ? tr2(lang, "device not identified", "прибор не опознан")
        : tr2(lang, "device %1, version %2", "прибор %1, версия %2")
              .arg(e.serial.isEmpty() ? unread : e.serial, e.version.isEmpty() ? unread : e.version);
    const QString analysis = QDir::toNativeSeparators(QStringLiteral("%1/%2").arg(e.folderPath, e.folderName));
    return {when, oneLine(e.operatorName), tr2(lang, "Report produced", "Отчет сформирован"),
            oneLine(tr2(lang, "calculation type %1; %2; analysis %3", "тип расчета %1; %2; анализ %3")
                        .arg(e.typeCode, device, analysis))};
}

}  // namespace

historyReport::historyReport(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("historyReport"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    resize(760, 441);

    m_list = new QTableWidget(this);
    m_list->setObjectName(QStringLiteral("twHistory"));
    m_list->setGeometry(10, 10, 741, 381);
    m_list->setColumnCount(4);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QString widestTime = QStringLiteral("0000-00-00 00:00:00 +00:00");
    m_list->setColumnWidth(0, m_list->fontMetrics().horizontalAdvance(widestTime) + 14);
    m_list->setColumnWidth(1, 110);
    m_list->setColumnWidth(2, 135);
    // Long values and the analysis path wrap onto more lines rather than being cut.
    m_list->setWordWrap(true);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("labelNote"));
    m_note->setGeometry(10, 400, 511, 31);
    m_note->setWordWrap(true);

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("pb_Copy"));
    m_copy->setGeometry(540, 400, 101, 31);
    m_exit = new QPushButton(this);
    m_exit->setObjectName(QStringLiteral("pb_Exit"));
    m_exit->setGeometry(650, 400, 101, 31);

    connect(m_copy, &QPushButton::clicked, this, &historyReport::copyList);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    SetLang(1);
}

void historyReport::SetPosition(int g_w, int g_h)
{
    setGeometry(g_w - 380, g_h - 220, 760, 441);
    setFixedSize(760, 441);
}

void historyReport::ShowWindow(QString folderName)
{
    m_folderName = QFileInfo(folderName).fileName();
    m_readError = FileWrite::success();
    m_entries = History::read(History::path(folderName), &m_readError);
    fill();
    show();
}

void historyReport::SetLang(uchar lang)
{
    m_language = lang == 0 ? 0 : 1;
    m_list->setHorizontalHeaderLabels({tr2(m_language, "Date and time", "Дата и время"),
                             tr2(m_language, "Operator", "Оператор"),
                             tr2(m_language, "Change", "Изменение"),
                             tr2(m_language, "Details", "Подробности")});
    m_copy->setText(tr2(m_language, "Copy", "Копировать"));
    m_exit->setText(tr2(m_language, "Exit", "Выход"));
    fill();
}

void historyReport::fill()
{
    setWindowTitle(tr2(m_language, "History", "История") % QString::fromUtf8(" — ") % m_folderName);
    m_list->clearContents();
    m_list->setRowCount(m_entries.size());
    // The file is in the order the entries were made; the newest is wanted first.
    for (int row = 0; row < m_entries.size(); ++row) {
        const QStringList cells = columns(m_entries.at(m_entries.size() - 1 - row), m_language);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            m_list->setItem(row, c, item);
        }
    }
    m_list->resizeRowsToContents();
    m_list->setCurrentCell(-1, -1);
    if (!m_readError)
        m_note->setText(FileWrite::message(m_readError, m_language));
    else if (m_entries.isEmpty())
        m_note->setText(tr2(m_language, "No entries have been recorded for this report.",
                            "Для этого отчета записей нет."));
    else
        m_note->clear();
    m_copy->setEnabled(!m_entries.isEmpty());
}

QString historyReport::listText() const
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < m_list->columnCount(); ++c)
        header << m_list->horizontalHeaderItem(c)->text();
    lines << header.join(QLatin1Char('\t'));
    for (int row = 0; row < m_list->rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < m_list->columnCount(); ++c)
            cells << m_list->item(row, c)->text();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void historyReport::copyList()
{
    QGuiApplication::clipboard()->setText(listText());
}
