#include "windows/historyreport.h"
#include "config/languagetext.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

#include "app/desktop.h"
#include "app/messagebox.h"

namespace {

// One line per cell, whatever the value holds: line breaks become a visible mark, and tabs
// would split the copied columns.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QString::fromUtf8(" ↵ "));
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '));
}

QString versionText(const History::Entry& e, uchar lang)
{
    QString text;
    if (e.reportVersion > 0)
        text += pickText(lang, "; version %1", "; версия %1").arg(e.reportVersion);
    if (!e.reason.isEmpty())
        text += pickText(lang, "; reason: «%1»", "; причина: «%1»").arg(oneLine(e.reason));
    return text;
}

// Time, operator, what happened, details.
QStringList columns(const History::Entry& e, uchar lang)
{
    using Kind = History::Entry::Kind;
    if (e.kind == Kind::Unreadable)
        return {QString(), QString(), pickText(lang, "Unreadable entry", "Нечитаемая запись"),
                oneLine(e.line)};
    const QString when = History::displayTime(e.when);
    if (e.kind == Kind::Changed) {
        QString oldValue = e.oldValue;
        QString newValue = e.newValue;
        if (e.field == QLatin1String("ConclusionPrint")) { // stored with <br> for line breaks
            oldValue.replace(QLatin1String("<br>"), QLatin1String("\n"));
            newValue.replace(QLatin1String("<br>"), QLatin1String("\n"));
        }
        return {when, oneLine(e.operatorName), History::fieldLabel(e.field, lang),
                QString::fromUtf8("«%1» → «%2»").arg(oneLine(oldValue), oneLine(newValue)) +
                    versionText(e, lang)};
    }
    if (e.kind == Kind::LockBroken)
        return {when, oneLine(e.operatorName), pickText(lang, "Lock broken", "Блокировка снята"),
                oneLine(pickText(lang, "held by %1 on %2, process %3, since %4",
                                 "удерживалась: %1 на компьютере %2, процесс %3, с %4")
                            .arg(e.holderOperator, e.holderHost, e.holderPid, e.holderStarted))};
    const QString unread = QStringLiteral("?");
    const QString device = e.serial.isEmpty() && e.version.isEmpty()
                               ? pickText(lang, "device not identified", "прибор не опознан")
                               : pickText(lang, "device %1, version %2", "прибор %1, версия %2")
                                     .arg(e.serial.isEmpty() ? unread : e.serial,
                                          e.version.isEmpty() ? unread : e.version);
    const QString analysis =
        QDir::toNativeSeparators(QStringLiteral("%1/%2").arg(e.folderPath, e.folderName));
    return {when, oneLine(e.operatorName), pickText(lang, "Report produced", "Отчет сформирован"),
            oneLine(pickText(lang, "calculation type %1; %2; analysis %3",
                             "тип расчета %1; %2; анализ %3")
                        .arg(e.typeCode, device, analysis)) +
                versionText(e, lang)};
}

} // namespace

historyReport::historyReport(QWidget* parent)
    : QWidget(parent)
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
    m_note->setGeometry(10, 400, 411, 31);
    m_note->setWordWrap(true);

    m_open = new QPushButton(this);
    m_open->setObjectName(QStringLiteral("pb_OpenVersion"));
    m_open->setGeometry(430, 400, 101, 31);

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("pb_Copy"));
    m_copy->setGeometry(540, 400, 101, 31);
    m_exit = new QPushButton(this);
    m_exit->setObjectName(QStringLiteral("pb_Exit"));
    m_exit->setGeometry(650, 400, 101, 31);

    connect(m_copy, &QPushButton::clicked, this, &historyReport::copyList);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_open, &QPushButton::clicked, this, &historyReport::openVersion);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &historyReport::openVersion);
    connect(m_list, &QTableWidget::currentCellChanged, this, [this] {
        const History::Entry* e = selectedEntry();
        m_open->setEnabled(e && m_versionFiles.contains(e->reportVersion));
    });
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    SetLang(1);
}

void historyReport::SetPosition(int g_w, int g_h)
{
    setGeometry(g_w - 380, g_h - 220, 760, 441);
    setFixedSize(760, 441);
}

void historyReport::setCurrent(const QString& pdfPath, int version, const QString& expectedHead)
{
    m_currentPdf = pdfPath;
    m_currentVersion = version;
    m_expectedHead = expectedHead;
}

void historyReport::ShowWindow(QString folderName)
{
    m_folderName = QFileInfo(folderName).fileName();
    m_readError = FileWrite::success();
    const QString path = History::path(folderName);
    m_entries = History::read(path, &m_readError);
    m_versionFiles = History::versionFiles(folderName, m_currentPdf, m_currentVersion);
    m_verdict =
        m_readError ? History::verify(path, m_expectedHead, m_versionFiles) : History::Verdict();
    setCurrent(QString(), 0, QString());
    fill();
    show();
    // After the caller has set the language and placed the window.
    if (!m_verdict.intact()) {
        QTimer::singleShot(0, this, [this] {
            MessageBox::warning(pickText(m_language, "Attention", "Внимание"),
                                History::alteredMessage(m_verdict, m_language),
                                pickText(m_language, "Ok", "Ок"));
        });
    }
}

void historyReport::SetLang(uchar lang)
{
    m_language = lang == 0 ? 0 : 1;
    m_list->setHorizontalHeaderLabels({pickText(m_language, "Date and time", "Дата и время"),
                                       pickText(m_language, "Operator", "Оператор"),
                                       pickText(m_language, "Change", "Изменение"),
                                       pickText(m_language, "Details", "Подробности")});
    m_copy->setText(pickText(m_language, "Copy", "Копировать"));
    m_open->setText(pickText(m_language, "Open version", "Открыть версию"));
    m_exit->setText(pickText(m_language, "Exit", "Выход"));
    fill();
}

void historyReport::fill()
{
    setWindowTitle(pickText(m_language, "History", "История") % QString::fromUtf8(" — ") %
                   m_folderName);
    m_list->clearContents();
    m_list->setRowCount(m_entries.size());
    // The file is in the order the entries were made; the newest is wanted first.
    const int named = m_verdict.intact() ? -1 : m_verdict.index;
    for (int row = 0; row < m_entries.size(); ++row) {
        const int index = m_entries.size() - 1 - row;
        QStringList cells = columns(m_entries.at(index), m_language);
        if (index < m_verdict.unprotected)
            cells.last() += pickText(m_language, " — not protected (written before version 3.6)",
                                     " — не защищена (записана до версии 3.6)");
        // The entry a warning names, and the one before it when the two do not follow each other.
        const bool suspect =
            index == named ||
            (index == named - 1 && m_verdict.problem == History::Verdict::Problem::NotFollowing);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (suspect)
                item->setForeground(Qt::red);
            m_list->setItem(row, c, item);
        }
    }
    m_list->resizeRowsToContents();
    m_list->setCurrentCell(-1, -1);
    if (!m_readError)
        m_note->setText(FileWrite::message(m_readError, m_language));
    else if (m_entries.isEmpty())
        m_note->setText(pickText(m_language, "No entries have been recorded for this report.",
                                 "Для этого отчета записей нет."));
    else
        m_note->clear();
    m_copy->setEnabled(!m_entries.isEmpty());
    m_open->setEnabled(false);
}

const History::Entry* historyReport::selectedEntry() const
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size())
        return nullptr;
    return &m_entries.at(m_entries.size() - 1 - row);
}

void historyReport::openVersion()
{
    const History::Entry* e = selectedEntry();
    if (e && m_versionFiles.contains(e->reportVersion))
        Desktop::openUrl(QUrl::fromLocalFile(m_versionFiles.value(e->reportVersion)));
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
