#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// One analysis folder as the scanner reports it: the directory it lies in, its own
// name and its state colour (red: no readable export, magenta: no report, dark green: done).
struct FolderRecord
{
    QString path;
    QString name;
    QColor state;

    bool operator==(const FolderRecord& o) const
    {
        return name == o.name && path == o.path && state == o.state;
    }
    bool operator!=(const FolderRecord& o) const { return !(*this == o); }
};

using FolderRecords = QVector<FolderRecord>;
