#include "windows/batchsummary.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "report/batchrun.h"

namespace {
QString pick(unsigned char lang, const char* english, const char* russian)
{
    return lang == 1 ? QString::fromUtf8(russian) : QString::fromLatin1(english);
}
}  // namespace

BatchSummary::BatchSummary(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("BatchSummary"));
    resize(Width, Height);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("label"));
    m_heading->setGeometry(10, 8, Width - 20, 34);
    m_heading->setWordWrap(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("tw_outcomes"));
    m_list->setGeometry(10, 46, Width - 20, 208);
    m_list->setColumnCount(2);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->header()->setStretchLastSection(true);

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("pb_copy"));
    m_copy->setGeometry(10, 264, 160, 27);
    connect(m_copy, &QPushButton::clicked, this, &BatchSummary::copyList);

    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("pb_close"));
    m_close->setGeometry(Width - 110, 264, 100, 27);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

void BatchSummary::showRun(const BatchRun& run, unsigned char lang)
{
    setWindowTitle(pick(lang, "Batch of reports", "Пакет отчетов"));
    m_list->setHeaderLabels({pick(lang, "Analysis", "Анализ"), pick(lang, "Outcome", "Результат")});
    m_copy->setText(pick(lang, "Copy list", "Скопировать список"));
    m_close->setText(pick(lang, "Close", "Закрыть"));
    m_heading->setText(run.heading(lang));
    m_text = run.summaryText(lang);

    m_list->clear();
    for (const BatchRun::Entry& e : run.entries()) {
        auto* item = new QTreeWidgetItem(m_list, {e.label, BatchRun::outcomeText(e, lang)});
        item->setToolTip(1, e.message);
        const QColor colour = e.outcome == BatchRun::Outcome::Done     ? QColor(Qt::darkGreen)
                              : e.outcome == BatchRun::Outcome::Failed ? QColor(Qt::darkRed)
                                                                       : QColor(Qt::darkGray);
        item->setForeground(1, colour);
    }
    m_list->resizeColumnToContents(0);
    show();
    raise();
}

void BatchSummary::SetCoord(int x, int y)
{
    setGeometry(x - Width / 2, y - Height / 2, Width, Height);
    setFixedSize(Width, Height);
}

void BatchSummary::copyList()
{
    QGuiApplication::clipboard()->setText(m_text);
}
