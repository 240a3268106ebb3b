#include "windows/historyreport.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

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
        return {QString(), QString(), tr2(lang, "Unreadable entry", "Нечитаемая запись"), oneLine(e.line)};
    const QString when = History::timeText(e.when).replace(QLatin1Char('T'), QLatin1Char(' '));
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
    const QString device = e.serial.isEmpty()
        ? tr2(lang, "device not identified", "прибор не опознан")
        : tr2(lang, "device %1, version %2", "прибор %1, версия %2").arg(e.serial, e.version);
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
    resize(760, 381);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("twHistory"));
    m_list->setGeometry(10, 10, 741, 321);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(4);
    m_list->setColumnWidth(0, 165);
    m_list->setColumnWidth(1, 120);
    m_list->setColumnWidth(2, 130);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("labelNote"));
    m_note->setGeometry(10, 340, 511, 31);
    m_note->setWordWrap(true);

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("pb_Copy"));
    m_copy->setGeometry(540, 340, 101, 31);
    m_exit = new QPushButton(this);
    m_exit->setObjectName(QStringLiteral("pb_Exit"));
    m_exit->setGeometry(650, 340, 101, 31);

    connect(m_copy, &QPushButton::clicked, this, &historyReport::copyList);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    SetLang(1);
}

void historyReport::SetPosition(int g_w, int g_h)
{
    setGeometry(g_w - 380, g_h - 190, 760, 381);
    setFixedSize(760, 381);
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
    m_list->setHeaderLabels({tr2(m_language, "Date and time", "Дата и время"),
                             tr2(m_language, "Operator", "Оператор"),
                             tr2(m_language, "Change", "Изменение"),
                             tr2(m_language, "Details", "Подробности")});
    m_copy->setText(tr2(m_language, "Copy", "Копировать"));
    m_exit->setText(tr2(m_language, "Exit", "Выход"));
    fill();
}

void historyReport::fill()
{
    setWindowTitle(tr2(m_language, "History", "История") % QLatin1String(" — ") % m_folderName);
    m_list->clear();
    // The file is in the order the entries were made; the newest is wanted first.
    for (int i = m_entries.size() - 1; i >= 0; --i) {
        auto* item = new QTreeWidgetItem(m_list, columns(m_entries.at(i), m_language));
        item->setToolTip(3, item->text(3));
    }
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
        header << m_list->headerItem()->text(c);
    lines << header.join(QLatin1Char('\t'));
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        QStringList cells;
        for (int c = 0; c < m_list->columnCount(); ++c)
            cells << item->text(c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void historyReport::copyList()
{
    QGuiApplication::clipboard()->setText(listText());
}
