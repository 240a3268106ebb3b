#include "report/charts.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QImage>
#include <QtTest>

#include <cmath>

namespace {

// Row centres worked out from the band geometry of the chart: position -> centre y.
double centreOf(int position)
{
    struct B
    {
        int first, last;
        double start, pitch;
    };
    const B bands[] = {{0, 6, 43, 125.0 / 7},   {7, 29, 190, 411.0 / 23}, {30, 36, 623, 125.0 / 7},
                       {37, 40, 769, 18},       {41, 47, 861, 125.0 / 7}, {48, 52, 1006, 18},
                       {53, 55, 1117, 53.0 / 3}};
    for (const B& b : bands)
        if (position >= b.first && position <= b.last)
            return b.start + (position - b.first) * b.pitch + b.pitch / 2;
    return position == 56 ? 1199 : -1;
}

// Rows shown at display positions 0, 10, 20 and 56.
constexpr int RowAtPosition0 = 2, RowAtPosition10 = 52, RowAtPosition20 = 26, RowAtPosition56 = 41;

bool isDark(QRgb c)
{
    return qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128;
}
bool isBlue(QRgb c)
{
    return (c & 0xffffff) == 0x0000ff;
}
bool isGray(QRgb c)
{
    return (c & 0xffffff) == 0xc0c0c0;
}

int count(const QImage& img, const QRect& area, bool (*pred)(QRgb))
{
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += pred(img.pixel(x, y)) ? 1 : 0;
    return n;
}

// Length of the run of `pred` pixels on row y, starting at x and moving by dx.
int run(const QImage& img, int x, int y, int dx, bool (*pred)(QRgb))
{
    int n = 0;
    for (; x >= 0 && x < img.width() && pred(img.pixel(x, y)); x += dx)
        ++n;
    return n;
}

// Runs of columns of `area` with more than `ink` dark pixels, gaps narrower than `gap`
// joined: first and last column of each.
QList<QPair<int, int>> columnRuns(const QImage& img, const QRect& area, int ink, int gap)
{
    QList<QPair<int, int>> runs;
    for (int x = area.left(); x <= area.right(); ++x) {
        if (count(img, QRect(x, area.top(), 1, area.height()), isDark) <= ink)
            continue;
        if (!runs.isEmpty() && x - runs.last().second < gap)
            runs.last().second = x;
        else
            runs << qMakePair(x, x);
    }
    return runs;
}

} // namespace

class TestCharts : public QObject
{
    Q_OBJECT
    QGraphicsScene m_scene;

  private slots:
    // Grid steps of a fifth or a third of the largest value in hundreds or else tens, each line
    // with its whole label: a label cut at the image edge shows another number ("-2100": "100").
    void gridLinesAndLabels_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("up");   // result at position 0 (difference: above a zero norm)
        QTest::addColumn<double>("down"); // norm at position 10 (difference: shortfall)
        QTest::addColumn<QList<int>>("labels");
        QTest::newRow("1234") << 1 << 1234.0 << 0.0 << QList<int>{200, 400, 600, 800, 1000};
        QTest::newRow("norm sets the maximum")
            << 1 << 0.0 << 120.0 << QList<int>{20, 40, 60, 80, 100};
        QTest::newRow("overview 1900") << 1 << 1900.0 << 0.0 << QList<int>{400, 800, 1200, 1600};
        QTest::newRow("with legend 1900") << 0 << 0.0 << 1900.0 << QList<int>{400, 800, 1200, 1600};
        QTest::newRow("difference 300 each way")
            << 2 << 300.0 << 300.0 << QList<int>{-300, -200, -100, 100, 200, 300};
        QTest::newRow("difference 1987 down, 1800 up")
            << 2 << 1800.0 << 1987.0 << QList<int>{-1400, -700, 600, 1200, 1800};
        QTest::newRow("line near the left edge")
            << 2 << 0.0 << 2020.0 << QList<int>{-2100, -1400, -700};
        QTest::newRow("one-sided difference") << 2 << 57.0 << 0.0 << QList<int>{20, 40, 60};
        QTest::newRow("1250, halves round up")
            << 1 << 1250.0 << 0.0 << QList<int>{300, 600, 900, 1200};
        QTest::newRow("25, steps of ten") << 1 << 25.0 << 0.0 << QList<int>{10, 20};
        QTest::newRow("24, no step") << 0 << 24.0 << 0.0 << QList<int>();
        for (int type : {0, 1, 2})
            QTest::addRow("empty table, type %d", type) << type << 0.0 << 0.0 << QList<int>();
    }
    void gridLinesAndLabels()
    {
        QFETCH(int, type);
        QFETCH(double, up);
        QFETCH(double, down);
        QFETCH(QList<int>, labels);
        MarkerTable table(MarkerTableSize);
        table[RowAtPosition0].result = up;
        table[RowAtPosition10].norm = down;
        const QImage img = Charts::draw(m_scene, type, table);
        const int w = img.width();
        QCOMPARE(img.size(), QSize(type == 0 ? 520 : 550, 1207));
        const int axis = type == 2 ? 300 : 15;
        QCOMPARE(count(img, QRect(axis, 40, 1, 1167), isDark), 1167);
        // legend squares on the first chart only; row labels 1 and 57 on every one
        QCOMPARE(count(img, QRect(149, 4, 12, 12), isBlue) +
                     count(img, QRect(269, 4, 12, 12), isGray),
                 type == 0 ? 288 : 0);
        QCOMPARE(count(img, QRect(165, 3, 50, 16), isDark) > 10, type == 0);
        const int labelX =
            type == 2 ? (up > 0 ? 285 : 308) : 0; // difference: left of the axis when above
        QVERIFY(count(img, QRect(labelX, int(centreOf(0)) - 4, 12, 9), isDark) > 3);
        QCOMPARE(count(img, QRect(type == 2 ? 593 - labelX : 0, int(centreOf(0)) - 4, 12, 9),
                       isDark) > 3,
                 type != 2);
        QVERIFY(count(img, QRect(type == 2 ? 308 : 0, 1195, 14, 9), isDark) > 3);
        // bars of the largest values: result (excess) at position 0, norm (shortfall) at 10
        const double scale = type != 2 ? (w - 35) / std::max({up, down, 1.0}) : 0;
        const int bar0 = type != 2 ? run(img, 16, int(centreOf(0)) - 3, 1, isBlue)
                                   : run(img, 301, int(centreOf(0)), 1, isBlue);
        const int bar10 = type != 2 ? run(img, 16, int(centreOf(10)) + 3, 1, isGray)
                                    : run(img, 299, int(centreOf(10)), -1, isBlue);
        QVERIFY(std::abs(bar0 - (type != 2 ? up * scale : up > 0 ? 235 : 0)) <= 2);
        QVERIFY(std::abs(bar10 - (type != 2 ? down * scale : down > 0 ? 285 : 0)) <= 2);
        QCOMPARE(count(img, QRect(0, 40, 299, 1167), isBlue) > 0, type == 2 ? down > 0 : up > 0);
        QFont font;
        font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
        font.setPixelSize(12);
        // vertical lines across the middle, away from the axis, its ticks and row labels
        const auto lines = type == 2 ? columnRuns(img, QRect(0, 250, 280, 900), 100, 2) +
                                           columnRuns(img, QRect(325, 250, 225, 900), 100, 2)
                                     : columnRuns(img, QRect(22, 250, w - 22, 900), 100, 2);
        const auto texts = columnRuns(img, QRect(0, 26, w, 9), 0, 5);
        QCOMPARE(QList<int>({lines.size(), texts.size()}),
                 QList<int>({labels.size(), labels.size()}));
        for (int i = 0; i < labels.size(); ++i) {
            const double v = labels[i];
            const double x = type != 2 ? 15 + v * (w - 35) / std::max(up, down)
                                       : 300 + (v > 0 ? v * 235 / up : v * 285 / down);
            const double whole = QFontMetricsF(font).horizontalAdvance(QString::number(labels[i]));
            const int width = texts[i].second - texts[i].first + 1;
            QVERIFY2(std::abs((lines[i].first + lines[i].second) / 2.0 - x) <= 1.0,
                     qPrintable(QString::number(v)));
            QVERIFY2(width >= whole - 3 && width <= whole + 1 && texts[i].first - 1 <= x &&
                         x <= texts[i].second + 2,
                     qPrintable(QString::number(v)));
        }
    }

    // Both bars of a row, the last band's row, the sum row left out; in the difference
    // chart a row whose result equals its norm has no bar and its label right of the axis.
    void barsAndRowLabels()
    {
        MarkerTable table(MarkerTableSize);
        table[RowAtPosition0] = {QString(), 250, 1000, false}; // norm, result
        table[RowAtPosition56].norm = 100;
        table[RowAtPosition20] = {QString(), 50, 50, false};
        table[57].result = 50000; // the sum row neither counts nor shows
        for (int type : {0, 1}) {
            const QImage img = Charts::draw(m_scene, type, table);
            const double scale = (img.width() - 35) / 1000.0;
            QVERIFY(std::abs(run(img, 16, int(centreOf(0)) - 3, 1, isBlue) - 1000 * scale) <= 2);
            QVERIFY(std::abs(run(img, 16, int(centreOf(0)) + 3, 1, isGray) - 250 * scale) <= 2);
            QVERIFY(std::abs(run(img, 16, 1202, 1, isGray) - 100 * scale) <= 2);
        }
        const QImage img = Charts::draw(m_scene, 2, table);
        const int y20 = int(centreOf(20));
        QVERIFY(count(img, QRect(308, y20 - 4, 14, 9), isDark) > 3 &&
                count(img, QRect(284, y20 - 4, 14, 9), isDark) == 0);
        QCOMPARE(count(img, QRect(0, y20 - 5, img.width(), 10), isBlue), 0);
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
