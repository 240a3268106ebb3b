#pragma once

#include "folderrecord.h"

#include <QString>
#include <Qt>

class QListWidget;
class QListWidgetItem;

// Filling the analysis list widget. Each item carries its folder record, so the
// selection is read from the item instead of being parsed back out of its text.
namespace ListWidgetFill {

constexpr int RecordRole = Qt::UserRole + 1;

// Clears the list and adds one item per record: display text, a solid foreground
// brush of the resolved colour, the record in RecordRole. The list sorts ascending.
void fill(QListWidget* list, const FolderRecords& records, bool deep, const QString& dataDir);

// The record stored in an item by fill(); an empty record for other items.
FolderRecord recordOf(const QListWidgetItem* item);

// First row whose text equals text exactly, or -1.
int rowOfText(const QListWidget* list, const QString& text);

}  // namespace ListWidgetFill
