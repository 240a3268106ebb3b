#pragma once

#include "folderrecord.h"

#include <QString>
#include <QStyledItemDelegate>
#include <Qt>

class QListWidget;
class QListWidgetItem;

// Paints list entries in their own colours whatever the view's selection: the entry the
// buttons act on is marked by its light grey background, and a selection highlight would
// hide both that and the state colour of its text. The keyboard's current entry gets a
// dotted frame only.
class StateItemDelegate : public QStyledItemDelegate
{
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// Filling the analysis list widget. Each item carries its folder record, so the
// selection is read from the item instead of being parsed back out of its text.
namespace ListWidgetFill {

constexpr int RecordRole = Qt::UserRole + 1;

// Loads the state icons (state_no_export.png, state_ready.png, state_done.png) from the
// folder; a missing file leaves its entries without an icon.
void loadStateIcons(const QString& iconsDir);

// Clears the list and adds one item per record: display text, a solid foreground
// brush of the record's own state colour, the icon of that state, the record in RecordRole.
// The list sorts ascending.
void fill(QListWidget* list, const FolderRecords& records, bool deep, const QString& dataDir);

// The record stored in an item by fill(); an empty record for other items.
FolderRecord recordOf(const QListWidgetItem* item);

// Gives the item of this folder (name and path) a new state: text colour, icon and record.
// Returns false when no item shows that folder.
bool setState(QListWidget* list, const QString& name, const QString& path, const QColor& state);

// First row whose text equals text exactly, or -1.
int rowOfText(const QListWidget* list, const QString& text);

} // namespace ListWidgetFill
