// Checks the staged installation data: the icons decode to real pictures and the user
// manual is a complete PDF. Skips when the application folder has not been staged yet.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QtTest>

namespace {

QString appDir()
{
    return QStringLiteral(LAB_APP_DIR);
}

// Number of different colours, stopping early once there are enough to call it a picture.
int distinctColours(const QImage& img, int enough)
{
    QSet<QRgb> seen;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seen.insert(img.pixel(x, y));
            if (seen.size() >= enough)
                return seen.size();
        }
    return seen.size();
}

} // namespace

class tst_InstallData : public QObject
{
    Q_OBJECT

private slots:
    void icon_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"doc.ico", "new.ico", "edit.ico", "view.ico", "print.ico", "refresh.ico",
                              "text-editor.ico", "login.ico", "folder-search.ico", "copy_value.png",
                              "edit_value.png"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void icon();
    void manualPdf();
};

void tst_InstallData::icon()
{
    QFETCH(QString, name);
    const QString dir = appDir() + QStringLiteral("/icons");
    if (!QDir(dir).exists())
        QSKIP("icons have not been staged into the application folder");

    const QString path = dir + QLatin1Char('/') + name;
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));

    QImageReader reader(path);
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    const int count = qMax(1, reader.imageCount());
    int largest = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            QVERIFY(reader.jumpToImage(i));
        const QImage img = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!img.isNull(), qPrintable(QStringLiteral("image %1: %2").arg(i).arg(reader.errorString())));
        QCOMPARE(img.width(), img.height());
        QVERIFY(img.width() >= 16);
        largest = qMax(largest, img.width());
        // A drawn icon has several colours and a transparent background at its corner.
        QVERIFY2(distinctColours(img, 4) >= 4, qPrintable(QStringLiteral("image %1 is flat").arg(i)));
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    }
    QVERIFY(largest >= 24); // buttons show them at 24 x 24
}

void tst_InstallData::manualPdf()
{
    const QString dir = appDir() + QStringLiteral("/help");
    if (!QDir(dir).exists())
        QSKIP("the manual has not been staged into the application folder");

    QFile f(dir + QStringLiteral("/User manual.pdf"));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const QByteArray pdf = f.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY2(pdf.size() > 8 * 1024, qPrintable(QString::number(pdf.size())));
    // A finished PDF ends with its end-of-file marker; a truncated one does not.
    QVERIFY(pdf.right(32).contains("%%EOF"));
}

QTEST_MAIN(tst_InstallData)
#include "tst_installdata.moc"
