#include "mainwindow_listwidget.h"

#include "analysislist.h"

#include <QBrush>
#include <QListWidget>
#include <QVariantList>

#include <algorithm>
#include <numeric>

namespace ListWidgetFill {

void fill(QListWidget* list, const FolderRecords& records, bool deep, const QString& dataDir)
{
    if (!list)
        return;
    QStringList texts;
    texts.reserve(records.size());
    QVector<QColor> colours;
    colours.reserve(records.size());
    for (const FolderRecord& r : records) {
        texts.append(AnalysisList::displayText(r, deep, dataDir));
        colours.append(r.state);
    }
    const QVector<QColor> finalColours = AnalysisList::resolvePrefixColours(texts, colours);

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
    list->sortItems(Qt::AscendingOrder);  // empty now: only sets the order later insertions keep
    // All entries are single lines in one font; without this the view measures each one.
    list->setUniformItemSizes(true);
    for (int i : order) {
        auto* item = new QListWidgetItem(texts[i]);
        item->setForeground(QBrush(finalColours[i], Qt::SolidPattern));
        const FolderRecord& r = records[i];
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

}  // namespace ListWidgetFill
