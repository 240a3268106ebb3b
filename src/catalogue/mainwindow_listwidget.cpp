#include "mainwindow_listwidget.h"

#include "analysislist.h"

#include <QBrush>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QVariantList>

#include <algorithm>
#include <numeric>

void StateItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem plain(option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    QStyledItemDelegate::paint(painter, plain, index);
    if (option.state & QStyle::State_HasFocus) {
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
}

namespace ListWidgetFill {

namespace {
// The state is also a shape, for whoever cannot tell the colours apart.
struct StateIcons
{
    QIcon noExport, ready, done;
} g_icons;

QIcon iconOf(const QColor& state)
{
    return state == QColor(Qt::darkGreen) ? g_icons.done
           : state == QColor(Qt::magenta) ? g_icons.ready
           : state == QColor(Qt::red)     ? g_icons.noExport
                                          : QIcon();
}

QIcon iconFrom(const QString& path)
{
    const QPixmap pixmap(path);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}
} // namespace

void loadStateIcons(const QString& iconsDir)
{
    g_icons.noExport = iconFrom(iconsDir + QStringLiteral("/state_no_export.png"));
    g_icons.ready = iconFrom(iconsDir + QStringLiteral("/state_ready.png"));
    g_icons.done = iconFrom(iconsDir + QStringLiteral("/state_done.png"));
}

void fill(QListWidget* list, const FolderRecords& records, bool deep, const QString& dataDir)
{
    if (!list)
        return;
    QStringList texts;
    texts.reserve(records.size());
    for (const FolderRecord& r : records)
        texts.append(AnalysisList::displayText(r, deep, dataDir));

    // The widget sorts by QString::localeAwareCompare of the display text. Inserting
    // into a sorting list, or sorting it afterwards, costs far more than ordering the
    // texts here and appending them in that order.
    QVector<int> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&texts](int a, int b) { return texts[a].localeAwareCompare(texts[b]) < 0; });

    list->setUpdatesEnabled(false);
    list->setSortingEnabled(false);
    list->clear();
    list->sortItems(Qt::AscendingOrder); // empty now: only sets the order later insertions keep
    // All entries are single lines in one font; without this the view measures each one.
    list->setUniformItemSizes(true);
    for (int i : order) {
        auto* item = new QListWidgetItem(texts[i]);
        const FolderRecord& r = records[i];
        item->setForeground(QBrush(r.state, Qt::SolidPattern));
        item->setIcon(iconOf(r.state));
        item->setData(RecordRole, QVariantList{r.path, r.name, r.state});
        list->addItem(item);
    }
    list->setSortingEnabled(true);
    list->setUpdatesEnabled(true);
}

FolderRecord recordOf(const QListWidgetItem* item)
{
    FolderRecord r;
    if (!item)
        return r;
    const QVariantList v = item->data(RecordRole).toList();
    if (v.size() != 3)
        return r;
    r.path = v[0].toString();
    r.name = v[1].toString();
    r.state = v[2].value<QColor>();
    return r;
}

bool setState(QListWidget* list, const QString& name, const QString& path, const QColor& state)
{
    for (int row = 0; list && row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const FolderRecord r = recordOf(item);
        if (r.name == name && r.path == path) {
            item->setForeground(QBrush(state, Qt::SolidPattern));
            item->setIcon(iconOf(state));
            item->setData(RecordRole, QVariantList{r.path, r.name, state});
            return true;
        }
    }
    return false;
}

int rowOfText(const QListWidget* list, const QString& text)
{
    if (!list)
        return -1;
    const int n = list->count();
    for (int row = 0; row < n; ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item && item->text() == text)
            return row;
    }
    return -1;
}

} // namespace ListWidgetFill
