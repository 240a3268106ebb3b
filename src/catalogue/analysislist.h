#pragma once

#include "folderrecord.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

// List logic of the analysis catalogue, free of widgets.
namespace AnalysisList {

// Same records in the same order (name, path and colour index by index).
bool samePass(const FolderRecords& a, const FolderRecords& b);

// Records whose folder name starts with prefix, any letter case; empty prefix keeps all.
// Scan order is kept.
FolderRecords filterByPrefix(const FolderRecords& records, const QString& prefix);

// Text of a list entry. Deep: "name (path)" with the data directory shown as "..";
// shallow: the name alone.
QString displayText(const FolderRecord& record, bool deep, const QString& dataDir);

// Final colour of each entry when the entries are inserted in order and inserting
// entry j recolours every entry 0..j whose text begins with text j. Equivalently,
// entry i ends with the colour of the largest j >= i whose text is a prefix of text i.
// Sort based, O(n log n) comparisons.
QVector<QColor> resolvePrefixColours(const QStringList& displayTexts, const QVector<QColor>& colours);

}  // namespace AnalysisList

using AnalysisList::displayText;
using AnalysisList::filterByPrefix;
using AnalysisList::resolvePrefixColours;
using AnalysisList::samePass;
