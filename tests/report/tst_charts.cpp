#include "report/charts.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// Row centres worked out from the band geometry of the chart: position -> centre y.
double centreOf(int position)
{
    struct B { int first, last; double start, pitch; };
    const B bands[] = {{0, 6, 43, 125.0 / 7},     {7, 29, 190, 411.0 / 23}, {30, 36, 623, 125.0 / 7},
                       {37, 40, 769, 18},         {41, 47, 861, 125.0 / 7}, {48, 52, 1006, 18},
                       {53, 55, 1117, 53.0 / 3}};
    if (position == 56)
        return 1199;
    for (const B& b : bands)
        if (position >= b.first && position <= b.last)
            return b.start + (position - b.first) * b.pitch + b.pitch / 2;
    return -1;
}

// Rows shown at display positions 0, 10, 20 and 56.
constexpr int RowAtPosition0 = 2, RowAtPosition10 = 52, RowAtPosition20 = 26, RowAtPosition56 = 41;

bool isDark(QRgb c) { return qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128; }
bool isBlue(QRgb c) { return (c & 0xffffff) == 0x0000ff; }
bool isGray(QRgb c) { return (c & 0xffffff) == 0xc0c0c0; }

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
    while (x >= 0 && x < img.width() && pred(img.pixel(x, y))) {
        ++n;
        x += dx;
    }
    return n;
}

// Centres of the vertical lines crossing the middle of the chart within [fromX, toX).
QList<double> verticalLines(const QImage& img, int fromX, int toX)
{
    QList<double> centres;
    int start = -1;
    for (int x = fromX; x <= toX; ++x) {
        const bool line = x < toX && count(img, QRect(x, 250, 1, 900), isDark) > 100;
        if (line && start < 0)
            start = x;
        if (!line && start >= 0) {
            centres << (start + x - 1) / 2.0;
            start = -1;
        }
    }
    return centres;
}

// Widths of the grid labels: runs of columns with ink in the top half of the label row,
// at least 4 px apart.
QList<int> labelWidths(const QImage& img)
{
    QList<int> widths;
    int start = -1, last = -10;
    for (int x = 0; x <= img.width(); ++x) {
        if (x < img.width() && count(img, QRect(x, 26, 1, 9), isDark) > 0) {
            if (x - last > 4) {
                if (start >= 0)
                    widths << last - start + 1;
                start = x;
            }
            last = x;
        }
    }
    if (start >= 0)
        widths << last - start + 1;
    return widths;
}

bool solidColumn(const QImage& img, int x) { return count(img, QRect(x, 40, 1, 1167), isDark) == 1167; }

// Grid lines within a pixel of where they belong.
bool linesAt(const QList<double>& lines, const QList<double>& expected)
{
    bool same = lines.size() == expected.size();
    for (int i = 0; same && i < lines.size(); ++i)
        same = std::abs(lines.at(i) - expected.at(i)) <= 1.0;
    if (!same)
        qWarning() << "grid lines" << lines << "expected" << expected;
    return same;
}

}  // namespace

class TestCharts : public QObject
{
    Q_OBJECT
    QGraphicsScene m_scene;

private slots:
    void gridStep_data()
    {
        QTest::addColumn<qlonglong>("maximum");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<qlonglong>("step");
        const qlonglong cases[][3] = {{1234, 5, 200}, {120, 5, 20}, {1250, 5, 300}, {1249, 5, 200},
                                      {25, 5, 10},    {24, 5, 0},   {0, 5, 0},      {700, 3, 200}};
        for (const auto& c : cases)
            QTest::addRow("%lld/%lld", c[0], c[1]) << c[0] << int(c[1]) << c[2];
    }
    void gridStep()
    {
        QFETCH(qlonglong, maximum);
        QFETCH(int, divisions);
        QTEST(Charts::gridStep(maximum, divisions), "step");
    }

    void gridLinesOnImage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("maximum");  // negative: set as the norm
        QTest::addColumn<double>("step");
        QTest::newRow("1234") << 1 << 1234.0 << 200.0;
        QTest::newRow("120 with legend") << 0 << 120.0 << 20.0;
        QTest::newRow("norm sets the maximum") << 1 << -120.0 << 20.0;
    }
    void gridLinesOnImage()
    {
        QFETCH(int, type);
        QFETCH(double, maximum);
        QFETCH(double, step);
        MarkerTable table(MarkerTableSize);
        (maximum > 0 ? table[RowAtPosition0].result : table[RowAtPosition0].norm) = std::abs(maximum);
        const QImage img = Charts::draw(m_scene, type, table);
        const double scale = (img.width() - 35) / std::abs(maximum);
        QList<double> expected;
        for (int k = 1; k <= 5; ++k) {
            expected << 15 + k * step * scale;
            // its label sits above the line, between y 26 and 40
            QVERIFY(count(img, QRect(int(expected.last()) - 12, 26, 22, 14), isDark) > 5);
        }
        QVERIFY(linesAt(verticalLines(img, 22, img.width()), expected));
        // nothing written between the first two labels
        const int gapLeft = int(15 + step * scale + 14);
        const int gapRight = int(15 + 2 * step * scale - 14);
        if (gapRight > gapLeft)
            QCOMPARE(count(img, QRect(gapLeft, 26, gapRight - gapLeft, 14), isDark), 0);
    }

    void emptyTableDrawsNoBarsOrGrid_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("width");
        QTest::newRow("with legend") << 0 << 520;
        QTest::newRow("overview") << 1 << 550;
        QTest::newRow("difference") << 2 << 550;
    }
    void emptyTableDrawsNoBarsOrGrid()
    {
        QFETCH(int, type);
        QFETCH(int, width);
        const QImage img = Charts::draw(m_scene, type, MarkerTable(MarkerTableSize));
        QCOMPARE(img.size(), QSize(width, 1207));
        QCOMPARE(img.pixel(width - 1, 20) & 0xffffff, 0xffffffu);
        QCOMPARE(count(img, QRect(0, 30, img.width(), img.height() - 30), isBlue), 0);
        if (type == 2) {
            QVERIFY(solidColumn(img, 300));
            QCOMPARE(verticalLines(img, 0, 280) + verticalLines(img, 325, img.width()), QList<double>());
        } else {
            QVERIFY(solidColumn(img, 15));
            QCOMPARE(verticalLines(img, 22, img.width()), QList<double>());
        }
        // legend squares on the first chart only
        QCOMPARE(count(img, QRect(149, 4, 12, 12), isBlue), type == 0 ? 144 : 0);
        QCOMPARE(count(img, QRect(269, 4, 12, 12), isGray), type == 0 ? 144 : 0);
        QCOMPARE(count(img, QRect(165, 3, 50, 16), isDark) > 10, type == 0);
        // the row labels are still there: label 1 and label 57
        const int labelX = type == 2 ? 308 : 0;
        QVERIFY(count(img, QRect(labelX, int(centreOf(0)) - 4, 12, 9), isDark) > 3);
        QVERIFY(count(img, QRect(labelX, 1195, 14, 9), isDark) > 3);
    }

    void barLengthsProportional()
    {
        MarkerTable table(MarkerTableSize);
        table[RowAtPosition0].result = 1000;
        table[RowAtPosition0].norm = 250;
        table[RowAtPosition10].result = 500;
        table[RowAtPosition56].norm = 100;
        table[57].result = 50000;  // the sum row neither counts nor shows
        for (int type : {0, 1}) {
            const QImage img = Charts::draw(m_scene, type, table);
            const double scale = (img.width() - 35) / 1000.0;
            // result bars above the row centre, norm bars below
            const struct { int position, dy; bool (*pred)(QRgb); double value; } bars[] = {
                {0, -3, isBlue, 1000}, {0, 3, isGray, 250}, {10, -3, isBlue, 500}, {56, 3, isGray, 100}};
            for (const auto& b : bars) {
                const int length = run(img, 16, int(std::floor(centreOf(b.position))) + b.dy, 1, b.pred);
                QVERIFY2(std::abs(length - b.value * scale) <= 2.0, qPrintable(QString::number(b.position)));
            }
            QCOMPARE(count(img, QRect(16, int(centreOf(10)) + 1, 500, 5), isGray), 0);
            QCOMPARE(count(img, QRect(16, int(centreOf(56)) - 6, 500, 5), isBlue), 0);
        }
    }

    void differenceChart()
    {
        MarkerTable table(MarkerTableSize);
        table[RowAtPosition0].result = 400;  // 300 above: the largest excess
        table[RowAtPosition0].norm = 100;
        table[RowAtPosition10].result = 100;  // 300 below: the largest shortfall
        table[RowAtPosition10].norm = 400;
        table[RowAtPosition20].result = 50;  // equal
        table[RowAtPosition20].norm = 50;
        const QImage img = Charts::draw(m_scene, 2, table);

        const int y0 = int(centreOf(0));
        QVERIFY(std::abs(run(img, 301, y0, 1, isBlue) - 235) <= 2);  // 235 px for the largest
        QCOMPARE(count(img, QRect(0, y0 - 3, 299, 7), isBlue), 0);
        QVERIFY(count(img, QRect(284, y0 - 4, 14, 9), isDark) > 3);   // label left of the axis
        QCOMPARE(count(img, QRect(308, y0 - 4, 14, 9), isDark), 0);

        const int y10 = int(centreOf(10));
        QVERIFY(std::abs(run(img, 299, y10, -1, isBlue) - 285) <= 2);
        QCOMPARE(count(img, QRect(301, y10 - 3, 249, 7), isBlue), 0);

        const int y20 = int(centreOf(20));
        QCOMPARE(count(img, QRect(0, y20 - 5, img.width(), 10), isBlue), 0);
        QVERIFY(count(img, QRect(308, y20 - 4, 14, 9), isDark) > 3);  // label right of the axis

        // grid: step 100 on both sides
        QVERIFY(solidColumn(img, 300));
        QVERIFY(linesAt(verticalLines(img, 0, 280) + verticalLines(img, 325, img.width()),
                        {300 - 285, 300 - 190, 300 - 95, 300 + 235 / 3.0, 300 + 470 / 3.0, 300 + 235}));
    }

    void differenceChartOneSided()
    {
        MarkerTable table(MarkerTableSize);
        for (int r = 0; r < DeviceMarkerCount; ++r)
            table[r].result = 1 + r;  // every result above its zero norm
        const QImage img = Charts::draw(m_scene, 2, table);
        QCOMPARE(count(img, QRect(0, 40, 299, 1167), isBlue), 0);
        QVERIFY(count(img, QRect(301, 40, 249, 1167), isBlue) > 0);
        QCOMPARE(verticalLines(img, 0, 280), QList<double>());
        QCOMPARE(verticalLines(img, 325, img.width()).size(), 3);
    }

    // A label cut at the image edge shows another number: "-2100" reads "100".
    void gridLabelsAreWhole_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("up");    // largest result above its reference
        QTest::addColumn<double>("down");  // largest shortfall, or the maximum of an overview
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("difference 1987 down, 1800 up") << 2 << 1800.0 << 1987.0
                                                       << QStringList{"-1400", "-700", "600", "1200", "1800"};
        QTest::newRow("line near the left edge") << 2 << 0.0 << 2020.0 << QStringList{"-2100", "-1400", "-700"};
        QTest::newRow("overview 1900") << 1 << 0.0 << 1900.0 << QStringList{"400", "800", "1200", "1600"};
        QTest::newRow("with legend 1900") << 0 << 0.0 << 1900.0 << QStringList{"400", "800", "1200", "1600"};
    }
    void gridLabelsAreWhole()
    {
        QFETCH(int, type);
        QFETCH(double, up);
        QFETCH(double, down);
        QFETCH(QStringList, labels);
        MarkerTable table(MarkerTableSize);
        table[RowAtPosition0].result = up;
        table[RowAtPosition10].norm = down;
        QFont font;
        font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
        font.setPixelSize(12);
        const QList<int> widths = labelWidths(Charts::draw(m_scene, type, table));
        QCOMPARE(widths.size(), labels.size());
        for (int i = 0; i < labels.size(); ++i) {
            const double whole = QFontMetricsF(font).horizontalAdvance(labels[i]);
            QVERIFY2(widths[i] >= whole - 3 && widths[i] <= whole + 1, qPrintable(labels[i]));
        }
    }

    void savesBmp()
    {
        QTemporaryDir dir;
        const QString path = Charts::imagePath(dir.path(), QStringLiteral("."), QStringLiteral("P9"), 2);
        MarkerTable table(MarkerTableSize);
        table[5].result = 700;
        const QImage img = Charts::draw(m_scene, 2, table);
        QVERIFY(Charts::save(img, path));
        QImage back;
        QVERIFY(back.load(path, "BMP"));
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), img.convertToFormat(QImage::Format_RGB32));
        QVERIFY(!Charts::save(img, dir.filePath(QStringLiteral("missing/x.bmp"))));
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
