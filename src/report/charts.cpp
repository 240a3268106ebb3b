#include "report/charts.h"

#include "report/reporthtml.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QPainter>

#include <cmath>

namespace Charts {

namespace {

struct Band
{
    int first, last;           // display positions
    int groupTop, groupBottom; // group lines
    double start, pitch;       // top of the first row, row height
};

// The last band holds a single row centred at 1199.
const Band kBands[] = {
    {0, 6, 42, 167, 43, 125.0 / 7},       {7, 29, 189, 600, 190, 411.0 / 23},
    {30, 36, 622, 747, 623, 125.0 / 7},   {37, 40, 768, 840, 769, 18},
    {41, 47, 860, 985, 861, 125.0 / 7},   {48, 52, 1005, 1095, 1006, 18},
    {53, 55, 1116, 1169, 1117, 53.0 / 3}, {56, 56, 1190, 1206, 1191, 16},
};

constexpr int LabelPixels = 12;
constexpr int LegendPixels = 14;

// Truncation toward zero that stays defined for any double.
long long truncated(double v)
{
    if (!(v > -9.0e18 && v < 9.0e18))
        return v > 0 ? 9000000000000000000LL : 0;
    return static_cast<long long>(v);
}

QFont chartFont(int pixelSize)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Serif);
    font.setStyle(QFont::StyleNormal);
    font.setWeight(QFont::Normal);
    font.setPixelSize(pixelSize);
    return font;
}

// Adds the chart's items to the scene; coordinates are scene units, which are pixels.
class Canvas
{
  public:
    explicit Canvas(QGraphicsScene& scene)
        : m_scene(scene)
    {
        m_shared.setColor(Qt::black);
        m_shared.setWidthF(1);
        m_shared.setCapStyle(Qt::RoundCap);
        m_shared.setJoinStyle(Qt::MiterJoin);
        m_shared.setStyle(Qt::DashDotDotLine);
        setFont(LabelPixels);
    }

    void line(double x1, double y1, double x2, double y2)
    {
        m_scene.addLine(QLineF(x1, y1, x2, y2), QPen());
    }

    // A dash-dot-dot line from y 40 down with its label left of it at y 26. A line that
    // falls outside the image is left out with its label.
    void gridLine(double x, double labelX, int width, const QString& label)
    {
        if (x < 0 || x > width - 1)
            return;
        m_scene.addLine(QLineF(x, 40, x, Height), m_shared);
        // A label cut at an edge would show another number ("-2100" as "100"): keep it inside.
        text(std::max(0.0, std::min(labelX, width - textWidth(label))), 26, label);
    }

    void bar(const QRectF& rect, const QColor& colour)
    {
        QPen pen(m_shared);
        pen.setStyle(Qt::SolidLine);
        pen.setColor(colour);
        m_scene.addRect(rect, pen, QBrush(colour, Qt::SolidPattern));
    }

    void setFont(int pixelSize) { m_font = chartFont(pixelSize); }

    double textWidth(const QString& s) const { return QFontMetricsF(m_font).horizontalAdvance(s); }

    // Text with its top left corner at (x, y): the item's first line starts at its origin.
    void text(double x, double y, const QString& s)
    {
        QGraphicsSimpleTextItem* item = m_scene.addSimpleText(s, m_font);
        item->setBrush(Qt::black);
        item->setPos(x, y);
    }

  private:
    QGraphicsScene& m_scene;
    QPen m_shared;
    QFont m_font;
};

template <typename RowFn> void forEachRow(Canvas& canvas, int x1, int x2, RowFn drawRow)
{
    for (const Band& band : kBands) {
        canvas.line(x1, band.groupTop, x2, band.groupTop);
        canvas.line(x1, band.groupBottom, x2, band.groupBottom);
        for (int p = band.first; p <= band.last; ++p) {
            const double top = band.start + (p - band.first) * band.pitch;
            drawRow(p, top + band.pitch / 2);
            if (p < band.last)
                canvas.line(x1, top + band.pitch, x2, top + band.pitch);
        }
    }
}

MarkerRow rowAt(const MarkerTable& table, int position)
{
    const int r = displayOrder().at(position);
    return r < table.size() ? table.at(r) : MarkerRow();
}

void drawOverview(Canvas& canvas, int w, bool legend, const MarkerTable& table)
{
    canvas.line(15, 35, 15, Height);

    long long maximum = 0;
    const int rows = std::min<int>(DeviceMarkerCount, table.size());
    for (int r = 0; r < rows; ++r) {
        if (table.at(r).result > maximum)
            maximum = truncated(table.at(r).result);
        if (table.at(r).norm > maximum)
            maximum = truncated(table.at(r).norm);
    }
    // With a maximum below 1 there is no usable scale: the chart keeps axes and labels only.
    const double scale = maximum > 0 ? (w - 35) / double(maximum) : 0;
    const long long step = gridStep(maximum, 5);
    if (maximum > 0 && step > 0) {
        for (int k = 1; k <= 5; ++k) {
            const double offset = k * step * scale;
            canvas.gridLine(offset + 15, offset + 3, w, ReportHtml::formatNumber(double(k * step)));
        }
    }

    forEachRow(canvas, 8, 20, [&](int p, double y) {
        canvas.line(12, y, 15, y);
        canvas.text(0, y - 7, QString::number(p + 1));
        if (maximum <= 0)
            return;
        const MarkerRow row = rowAt(table, p);
        if (row.result > 0)
            canvas.bar(QRectF(16, y - 6, row.result * scale, 5), Qt::blue);
        if (row.norm > 0)
            canvas.bar(QRectF(16, y + 1, row.norm * scale, 5), Qt::lightGray);
    });

    if (legend) {
        canvas.setFont(LegendPixels);
        canvas.text(165, 3, QStringLiteral("Анализ"));
        canvas.bar(QRectF(148, 3, 14, 14), Qt::blue);
        canvas.text(285, 3, QStringLiteral("Норма"));
        canvas.bar(QRectF(268, 3, 14, 14), Qt::lightGray);
        canvas.setFont(LabelPixels);
    }
}

void drawDifference(Canvas& canvas, int w, const MarkerTable& table)
{
    canvas.line(300, 35, 300, Height);

    long long maxUp = 0;
    long long maxDown = 0;
    const int rows = std::min<int>(DeviceMarkerCount, table.size());
    for (int r = 0; r < rows; ++r) {
        const MarkerRow& row = table.at(r);
        if (row.result > row.norm)
            maxUp = std::max(maxUp, truncated(row.result - row.norm));
        else
            maxDown = std::max(maxDown, truncated(row.norm - row.result));
    }
    // A side whose extreme is below 1 gets neither grid nor bars.
    const double right = maxUp > 0 ? (w - 315) / double(maxUp) : 0;
    const double left = maxDown > 0 ? (w - 265) / double(maxDown) : 0;

    const long long stepUp = gridStep(maxUp, 3);
    if (maxUp > 0 && stepUp > 0) {
        for (int k = 1; k <= 3; ++k) {
            const double offset = k * stepUp * right;
            canvas.gridLine(300 + offset, offset + 288, w,
                            ReportHtml::formatNumber(double(k * stepUp)));
        }
    }
    const long long stepDown = gridStep(maxDown, 3);
    if (maxDown > 0 && stepDown > 0) {
        for (int k = 1; k <= 3; ++k) {
            const double offset = k * stepDown * left;
            canvas.gridLine(300 - offset, 288 - offset, w,
                            ReportHtml::formatNumber(double(-k * stepDown)));
        }
    }

    forEachRow(canvas, 293, 307, [&](int p, double y) {
        const MarkerRow row = rowAt(table, p);
        const QString label = QString::number(p + 1);
        if (row.result > row.norm) {
            if (maxUp > 0)
                canvas.bar(QRectF(301, y - 5, (row.result - row.norm) * right, 9), Qt::blue);
            canvas.text(285, y - 7, label);
        } else {
            const double length = (row.norm - row.result) * left;
            if (maxDown > 0 && length > 0)
                canvas.bar(QRectF(299 - length, y - 5, length, 9), Qt::blue);
            canvas.text(308, y - 7, label);
        }
    });
}

} // namespace

int width(int typeImage)
{
    return typeImage == OverviewWithLegend ? 520 : 550;
}

QImage draw(QGraphicsScene& scene, int typeImage, const MarkerTable& table)
{
    const int w = width(typeImage);
    scene.clear();
    scene.setSceneRect(0, 0, w, Height);
    {
        Canvas canvas(scene);
        if (typeImage == Difference)
            drawDifference(canvas, w, table);
        else
            drawOverview(canvas, w, typeImage == OverviewWithLegend, table);
    }
    QImage image(w, Height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        scene.render(&painter, QRectF(image.rect()), scene.sceneRect(), Qt::KeepAspectRatio);
    }
    scene.clear();
    return image;
}

QString imagePath(const QString& reportsDir, const QString& reportFolder, const QString& probeCode,
                  int typeImage)
{
    return QStringLiteral("%1/%2/%3_img_%4.bmp")
        .arg(reportsDir, reportFolder, probeCode, QString::number(typeImage));
}

long long gridStep(long long maximum, int divisions)
{
    if (divisions <= 0 || maximum <= 0)
        return 0;
    const long long share = maximum / divisions;
    long long step = std::llround(share / 100.0) * 100;
    if (step == 0)
        step = std::llround(share / 10.0) * 10;
    return step;
}

} // namespace Charts
