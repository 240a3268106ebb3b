#pragma once

#include "report/markerrow.h"

#include <QImage>
#include <QString>

class QGraphicsScene;

// Bar charts beside the report table. Rows are the display positions 0..56, labelled 1..57,
// grouped in eight fixed vertical bands that match the sections of the report table.
namespace Charts {

enum TypeImage {
    OverviewWithLegend = 0, // result and reference bars, with legend
    Overview = 1,           // the same without legend
    Difference = 2          // result minus reference around a centre axis
};

constexpr int Height = 1207;

// 520 for the chart with legend, 550 otherwise.
int width(int typeImage);

// Draws the chart of the marker table into the scene and renders it into a white image
// of width(typeImage) x Height. The scene is left empty for the next chart.
QImage draw(QGraphicsScene& scene, int typeImage, const MarkerTable& table);

// "%1/%2/%3_img_%4.bmp"
QString imagePath(const QString& reportsDir, const QString& reportFolder, const QString& probeCode,
                  int typeImage);

// Grid step for a maximum split in `divisions`: the share rounded to hundreds, or to tens
// when that gives 0. 0 means no grid.
long long gridStep(long long maximum, int divisions);

} // namespace Charts
