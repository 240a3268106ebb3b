#pragma once

#include <QString>
#include <QVector>

// One row of the marker table: rows 0..56 come from the device, 57 is the sum row,
// 58 and 59 carry names only.
struct MarkerRow {
    QString name;
    double norm = 0;
    double result = 0;
    bool highlighted = false;
};

using MarkerTable = QVector<MarkerRow>;

constexpr int MarkerTableSize = 60;
constexpr int DeviceMarkerCount = 57;
constexpr int SumRow = 57;
