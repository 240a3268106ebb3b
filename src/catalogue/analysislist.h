#pragma once

#include "folderrecord.h"

#include <QString>

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

} // namespace AnalysisList

using AnalysisList::displayText;
using AnalysisList::filterByPrefix;
using AnalysisList::samePass;
