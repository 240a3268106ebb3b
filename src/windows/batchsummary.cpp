#include "windows/batchsummary.h"
#include "config/languagetext.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>

#include "report/batchrun.h"

BatchSummary::BatchSummary(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("BatchSummary"));
    resize(Width, Height);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("label"));
    m_heading->setGeometry(10, 8, Width - 20, 34);
    m_heading->setWordWrap(true);

    m_list = new QTableWidget(0, 2, this);
    m_list->setObjectName(QStringLiteral("tw_outcomes"));
    m_list->setGeometry(10, 46, Width - 20, 208);
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(false);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    // Messages that name a file run long: they wrap instead of being cut.
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideNone);

    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("pb_copy"));
    m_copy->setGeometry(10, 264, 160, 27);
    connect(m_copy, &QPushButton::clicked, this, &BatchSummary::copyList);

    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("pb_close"));
    m_close->setGeometry(Width - 110, 264, 100, 27);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);

    setWindowModality(Qt::ApplicationModal);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
}

void BatchSummary::showRun(const BatchRun& run, unsigned char lang)
{
    setWindowTitle(pickText(lang, "Batch of reports", "Пакет отчетов"));
    m_list->setHorizontalHeaderLabels(
        {pickText(lang, "Analysis", "Анализ"), pickText(lang, "Outcome", "Результат")});
    m_copy->setText(pickText(lang, "Copy list", "Скопировать список"));
    m_close->setText(pickText(lang, "Close", "Закрыть"));
    m_heading->setText(run.heading(lang));
    m_text = run.summaryText(lang);

    m_list->setRowCount(0);
    for (const BatchRun::Entry& e : run.entries()) {
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        m_list->setItem(row, 0, new QTableWidgetItem(e.label));
        auto* outcome = new QTableWidgetItem(BatchRun::outcomeText(e, lang));
        outcome->setForeground(e.outcome == BatchRun::Outcome::Done     ? QColor(Qt::darkGreen)
                               : e.outcome == BatchRun::Outcome::Failed ? QColor(Qt::darkRed)
                                                                        : QColor(Qt::darkGray));
        m_list->setItem(row, 1, outcome);
    }
    show();
    raise();
    // Only now does the outcome column have its width, which the wrapped rows need.
    m_list->resizeRowsToContents();
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
