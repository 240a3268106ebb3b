// Draws the button and window icons of the application and writes them into a folder;
// with a second folder, also the program's icon as <themedir>/<N>x<N>/apps/markerreport.png
// in the sizes of the desktop's icon theme.
// Usage: make_icons <outdir> [<themedir>]
// Every icon is drawn on a 24 x 24 unit grid and scaled to each output size, so all
// sizes share one look. Exits with 1 when any file cannot be written.

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QTextStream>
#include <QtEndian>
#include <QtMath>

#include <functional>
#include <vector>

namespace {

// One palette for every icon.
const QColor kInk(0x33, 0x41, 0x55); // outlines, dark details
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kPaperBack(0xE2, 0xE8, 0xF0); // sheets behind others, folds
const QColor kLine(0x94, 0xA3, 0xB8);      // text lines on paper
const QColor kBlue(0x25, 0x63, 0xEB);
const QColor kGreen(0x16, 0xA3, 0x4A);
const QColor kOrange(0xEA, 0x58, 0x0C);
const QColor kYellow(0xFA, 0xCC, 0x15);
const QColor kFolder(0xF5, 0xB0, 0x32);
const QColor kFolderBack(0xD9, 0x8E, 0x12);
const QColor kPink(0xF4, 0x72, 0xB6);

using Draw = std::function<void(QPainter&)>;

QPen outline(qreal w = 1.5, const QColor& c = kInk)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet with a folded top-right corner inside the given rectangle.
void sheet(QPainter& p, const QRectF& r, const QColor& fill = kPaper, bool lines = true)
{
    const qreal fold = qMin(r.width(), r.height()) * 0.32;
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.right() - fold, r.top());
    body.lineTo(r.right(), r.top() + fold);
    body.lineTo(r.right(), r.bottom());
    body.lineTo(r.left(), r.bottom());
    body.closeSubpath();
    p.setPen(outline());
    p.setBrush(fill);
    p.drawPath(body);

    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(kPaperBack);
    p.drawPath(corner);

    if (!lines)
        return;
    p.setPen(outline(1.5, kLine));
    const qreal x0 = r.left() + 3, x1 = r.right() - 3;
    for (qreal y = r.top() + fold + 3; y < r.bottom() - 2; y += 3)
        p.drawLine(QPointF(x0, y), QPointF(y < r.top() + fold + 4 ? x1 - 2 : x1, y));
}

// A pencil whose tip lies at `tip`, pointing down-left at 45 degrees.
void pencil(QPainter& p, QPointF tip, qreal length, qreal width)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    const qreal h = width / 2, point = width * 1.2;
    QPainterPath wood; // the sharpened end
    wood.moveTo(0, 0);
    wood.lineTo(point, -h);
    wood.lineTo(point, h);
    wood.closeSubpath();
    p.setPen(outline(1.2));
    p.setBrush(QColor(0xFD, 0xE6, 0xB8));
    p.drawPath(wood);
    p.setBrush(kYellow);
    p.drawRect(QRectF(point, -h, length - point - width, width));
    p.setBrush(kPink);
    p.drawRect(QRectF(length - width, -h, width, width));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    QPainterPath lead;
    lead.moveTo(0, 0);
    lead.lineTo(point * 0.4, -h * 0.4);
    lead.lineTo(point * 0.4, h * 0.4);
    lead.closeSubpath();
    p.drawPath(lead);
    p.restore();
}

void magnifier(QPainter& p, QPointF centre, qreal radius)
{
    const qreal d = radius * 0.7071;
    p.setPen(QPen(kInk, radius * 0.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(d, d), centre + QPointF(radius * 1.9, radius * 1.9));
    p.setPen(outline(1.6));
    p.setBrush(QColor(0xDB, 0xEA, 0xFE));
    p.drawEllipse(centre, radius, radius);
}

void plusBadge(QPainter& p, QPointF c, qreal r)
{
    p.setPen(QPen(kPaper, 1.2));
    p.setBrush(kGreen);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(kPaper, 2.0, Qt::SolidLine, Qt::FlatCap));
    const qreal a = r * 0.55;
    p.drawLine(c - QPointF(a, 0), c + QPointF(a, 0));
    p.drawLine(c - QPointF(0, a), c + QPointF(0, a));
}

void drawDoc(QPainter& p)
{
    sheet(p, QRectF(4.5, 2, 15, 20), kPaper, false);
    p.setPen(outline(1.5, kLine));
    p.drawLine(QPointF(7.5, 7), QPointF(12.5, 7));
    // A small bar chart: the report's markers.
    p.setPen(Qt::NoPen);
    const qreal base = 19;
    const QColor colours[] = {kBlue, kGreen, kOrange};
    const qreal heights[] = {6, 9, 4};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[i]);
        p.drawRect(QRectF(7.5 + i * 3.4, base - heights[i], 2.6, heights[i]));
    }
    p.setPen(outline(1.2));
    p.drawLine(QPointF(7, base + 0.6), QPointF(17, base + 0.6));
}

void drawNew(QPainter& p)
{
    sheet(p, QRectF(3, 2, 14, 19));
    plusBadge(p, QPointF(17, 17), 5.5);
}

void drawEdit(QPainter& p)
{
    sheet(p, QRectF(3, 2, 14, 19));
    pencil(p, QPointF(10.5, 20.5), 15.5, 4.4);
}

void drawView(QPainter& p)
{
    QPainterPath eye;
    eye.moveTo(1.5, 12);
    eye.cubicTo(6, 4, 18, 4, 22.5, 12);
    eye.cubicTo(18, 20, 6, 20, 1.5, 12);
    p.setPen(outline(1.6));
    p.setBrush(kPaper);
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(12, 12), 4.6, 4.6);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(12, 12), 2.1, 2.1);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(13.6, 10.4), 1.1, 1.1);
}

void drawPrint(QPainter& p)
{
    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 2.5, 11, 7));
    p.setBrush(QColor(0x47, 0x55, 0x69));
    p.drawRoundedRect(QRectF(2.5, 8.5, 19, 9), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(18, 11.5), 1.1, 1.1);
    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 13.5, 11, 8));
    p.setPen(outline(1.3, kLine));
    p.drawLine(QPointF(8.5, 16.5), QPointF(15.5, 16.5));
    p.drawLine(QPointF(8.5, 19), QPointF(13.5, 19));
}

void drawRefresh(QPainter& p)
{
    const QPointF c(12, 12);
    const qreal r = 7.2;
    const qreal startDeg = 60, spanDeg = 280;
    p.setPen(QPen(kBlue, 2.8, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), int(startDeg * 16), int(spanDeg * 16));
    // Arrow head at the end of the arc, pointing along it (counter-clockwise).
    const qreal end = qDegreesToRadians(startDeg + spanDeg);
    const QPointF tip(c.x() + r * qCos(end), c.y() - r * qSin(end));
    const QPointF along(-qSin(end), -qCos(end)); // direction of travel on screen
    const QPointF across(qCos(end), -qSin(end));
    QPainterPath head;
    head.moveTo(tip + along * 4.2);
    head.lineTo(tip + across * 4.2);
    head.lineTo(tip - across * 4.2);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPath(head);
}

void drawTextEditor(QPainter& p)
{
    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(2.5, 2.5, 16, 19), 1.5, 1.5);
    for (int i = 0; i < 4; ++i) {
        const qreal y = 6.5 + i * 4;
        p.setPen(Qt::NoPen);
        p.setBrush(i == 1 ? kOrange : kBlue);
        p.drawRect(QRectF(5, y - 1, 2, 2));
        p.setPen(outline(1.5, kLine));
        p.drawLine(QPointF(9, y), QPointF(i == 3 ? 12 : 15.5, y));
    }
    pencil(p, QPointF(12.5, 21.5), 13, 4.2);
}

void drawLogin(QPainter& p)
{
    // Door frame and an open door leaf.
    p.setPen(outline());
    p.setBrush(kPaperBack);
    p.drawRect(QRectF(11.5, 2.5, 10, 19));
    QPainterPath leaf;
    leaf.moveTo(11.5, 2.5);
    leaf.lineTo(17.5, 4.5);
    leaf.lineTo(17.5, 23);
    leaf.lineTo(11.5, 21.5);
    leaf.closeSubpath();
    p.setBrush(QColor(0x60, 0xA5, 0xFA));
    p.drawPath(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(15.6, 13), 0.9, 0.9);
    // Arrow going in.
    p.setPen(QPen(kGreen, 2.8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(1.5, 12), QPointF(8, 12));
    QPainterPath head;
    head.moveTo(13, 12);
    head.lineTo(7.5, 6.8);
    head.lineTo(7.5, 17.2);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPath(head);
}

void drawFolderSearch(QPainter& p)
{
    QPainterPath back;
    back.moveTo(1.5, 19.5);
    back.lineTo(1.5, 4.5);
    back.lineTo(7.5, 4.5);
    back.lineTo(9.5, 6.5);
    back.lineTo(19.5, 6.5);
    back.lineTo(19.5, 19.5);
    back.closeSubpath();
    p.setPen(outline(1.4));
    p.setBrush(kFolderBack);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(1.5, 19.5);
    front.lineTo(3.5, 9.5);
    front.lineTo(21.5, 9.5);
    front.lineTo(19.5, 19.5);
    front.closeSubpath();
    p.setBrush(kFolder);
    p.drawPath(front);
    magnifier(p, QPointF(15, 15), 4.2);
}

void drawCopyValue(QPainter& p)
{
    sheet(p, QRectF(2.5, 1.5, 12, 15), kPaperBack, false);
    sheet(p, QRectF(8.5, 7.5, 12, 15));
}

void drawEditValue(QPainter& p)
{
    pencil(p, QPointF(3, 21), 25, 6);
}

// The states of the analysis list. Each has its own shape as well as its colour, so the
// states tell apart on the grey band of the activated entry and without colour vision.
const QColor kStateRed(0xB9, 0x1C, 0x1C);
const QColor kStateMagenta(0xA2, 0x1C, 0xAF);
const QColor kStateGreen(0x15, 0x80, 0x3D);

// No readable export: a crossed-out circle.
void drawStateNoExport(QPainter& p)
{
    p.setPen(QPen(kStateRed, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.drawLine(QPointF(6, 18), QPointF(18, 6));
}

// Ready for a report: an empty circle.
void drawStateReady(QPainter& p)
{
    p.setPen(QPen(kStateMagenta, 2.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
}

// Report done: a check mark.
void drawStateDone(QPainter& p)
{
    p.setPen(QPen(kStateGreen, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(4, 12.5);
    tick.lineTo(9.5, 18);
    tick.lineTo(20, 5.5);
    p.drawPath(tick);
}

QImage render(const Draw& draw, int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    draw(p);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// One single-image ICO as the ico writer makes it: 6-byte header, one 16-byte entry, data.
bool encodeIco(const QImage& img, QByteArray* entry, QByteArray* data)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, "ico");
    if (!writer.write(img))
        return false;
    const QByteArray bytes = buf.data();
    if (bytes.size() < 22 || qFromLittleEndian<quint16>(bytes.constData() + 4) != 1)
        return false;
    const quint32 offset = qFromLittleEndian<quint32>(bytes.constData() + 18);
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + 14);
    if (offset > quint32(bytes.size()) || length > quint32(bytes.size()) - offset)
        return false;
    *entry = bytes.mid(6, 16);
    *data = bytes.mid(int(offset), int(length));
    return true;
}

// Joins the images of all sizes into one ICO file with one directory entry per size.
QByteArray multiSizeIco(const Draw& draw, const std::vector<int>& sizes)
{
    std::vector<QByteArray> entries, blocks;
    for (int s : sizes) {
        QByteArray e, d;
        if (!encodeIco(render(draw, s), &e, &d))
            return QByteArray();
        entries.push_back(e);
        blocks.push_back(d);
    }
    QByteArray out(6, '\0');
    qToLittleEndian<quint16>(1, out.data() + 2);
    qToLittleEndian<quint16>(quint16(sizes.size()), out.data() + 4);
    quint32 offset = quint32(6 + 16 * sizes.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        QByteArray e = entries[i];
        qToLittleEndian<quint32>(quint32(blocks[i].size()), e.data() + 8);
        qToLittleEndian<quint32>(offset, e.data() + 12);
        offset += quint32(blocks[i].size());
        out += e;
    }
    for (const QByteArray& b : blocks)
        out += b;
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (bytes.isEmpty() || !f.open(QIODevice::WriteOnly))
        return false;
    f.write(bytes);
    return f.commit();
}

// The joined file must read back with every size; otherwise fall back to one 32 px image.
bool writeIco(const QString& path, const Draw& draw)
{
    const std::vector<int> sizes = {16, 24, 32, 48};
    QByteArray bytes = multiSizeIco(draw, sizes);
    QBuffer check(&bytes);
    check.open(QIODevice::ReadOnly);
    QImageReader reader(&check, "ico");
    const bool joinedOk =
        !bytes.isEmpty() && reader.imageCount() == int(sizes.size()) && !reader.read().isNull();
    if (!joinedOk) {
        QBuffer single;
        single.open(QIODevice::WriteOnly);
        if (!QImageWriter(&single, "ico").write(render(draw, 32)))
            return false;
        bytes = single.data();
    }
    return writeFile(path, bytes);
}

bool writePng(const QString& path, const Draw& draw)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    if (!render(draw, 32).save(&buf, "PNG"))
        return false;
    return writeFile(path, buf.data());
}

// The program's icon is the window icon: a report with its bar chart.
bool writeThemeIcons(const QString& themeDir, QTextStream& err)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
        const QString path = dir + QStringLiteral("/markerreport.png");
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        if (!QDir().mkpath(dir) || !render(drawDoc, size).save(&buf, "PNG") ||
            !writeFile(path, buf.data())) {
            err << "failed to write " << path << '\n';
            ok = false;
        }
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2 && argc != 3) {
        err << "usage: make_icons <outdir> [<themedir>]\n";
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        err << "cannot create " << outDir << '\n';
        return 1;
    }

    struct Item
    {
        const char* name;
        Draw draw;
    };
    const Item icos[] = {
        {"doc.ico", drawDoc},
        {"new.ico", drawNew},
        {"edit.ico", drawEdit},
        {"view.ico", drawView},
        {"print.ico", drawPrint},
        {"refresh.ico", drawRefresh},
        {"text-editor.ico", drawTextEditor},
        {"login.ico", drawLogin},
        {"folder-search.ico", drawFolderSearch},
    };
    const Item pngs[] = {{"copy_value.png", drawCopyValue},
                         {"edit_value.png", drawEditValue},
                         {"state_no_export.png", drawStateNoExport},
                         {"state_ready.png", drawStateReady},
                         {"state_done.png", drawStateDone}};

    int failures = 0;
    for (const Item& it : icos) {
        const QString path = QString(outDir % QLatin1Char('/') % QLatin1String(it.name));
        if (!writeIco(path, it.draw)) {
            err << "failed to write " << path << '\n';
            ++failures;
        }
    }
    for (const Item& it : pngs) {
        const QString path = QString(outDir % QLatin1Char('/') % QLatin1String(it.name));
        if (!writePng(path, it.draw)) {
            err << "failed to write " << path << '\n';
            ++failures;
        }
    }
    if (argc == 3 && !writeThemeIcons(QString::fromLocal8Bit(argv[2]), err))
        ++failures;
    return failures == 0 ? 0 : 1;
}
