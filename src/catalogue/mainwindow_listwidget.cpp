#include "mainwindow_listwidget.h"

#include "analysislist.h"

#include <QBrush>
#include <QListWidget>
#include <QVariantList>

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

    // Sorted insertion of every single item is slow; add unsorted, sort once.
    list->setUpdatesEnabled(false);
    list->setSortingEnabled(false);
    list->clear();
    for (int i = 0; i < records.size(); ++i) {
        auto* item = new QListWidgetItem(texts[i]);
        item->setForeground(QBrush(finalColours[i], Qt::SolidPattern));
        const FolderRecord& r = records[i];
        item->setData(RecordRole, QVariantList{r.path, r.name, r.state});
        list->addItem(item);
    }
    list->setSortingEnabled(true);
    list->sortItems(Qt::AscendingOrder);
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
