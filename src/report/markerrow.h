#pragma once

#include <QString>
#include <cmath>
#include <QVector>

// One row of the marker table: rows 0..56 come from the device, 57 is the sum row,
// 58 and 59 carry names only.
struct MarkerRow
{
    QString name;
    double norm = 0;
    double result = 0;
    bool highlighted = false;
};

using MarkerTable = QVector<MarkerRow>;

constexpr int MarkerTableSize = 60;
constexpr int DeviceMarkerCount = 57;
constexpr int SumRow = 57;

// Report order of the marker rows: position p of the report table and the charts shows
// row displayOrder()[p]; position 57 is the sum row.
inline const QVector<int>& displayOrder()
{
    static const QVector<int> order = {2,  10, 25, 0,  43, 36, 23, 13, 35, 37, 52, 30, 31, 4,  39,
                                       11, 17, 34, 1,  18, 26, 5,  3,  6,  33, 9,  49, 42, 55, 50,
                                       14, 54, 46, 15, 22, 16, 20, 29, 40, 38, 27, 19, 53, 21, 7,
                                       24, 8,  12, 32, 28, 51, 45, 48, 44, 56, 47, 41, 57};
    return order;
}

// A marker is clinically significant when its result is at least twice its reference.
// Template type 2 reports have no usable reference, so the result alone counts there.
inline bool exceedsReference(const MarkerRow& row, int templateType)
{
    long long divisor = 1;
    // A norm outside the integer range (or not a number) cannot be truncated safely.
    if (templateType != 2 && std::isfinite(row.norm) && std::fabs(row.norm) < 9.0e18) {
        divisor = static_cast<long long>(row.norm); // truncated toward zero
        if (divisor == 0)
            divisor = 1;
    }
    return row.result / double(divisor) >= 2.0;
}
