// Checks the staged icons: each decodes to a real picture in every size. Skips when the
// application folder has not been staged yet. (The manual is checked in the package.)

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QtTest>

class tst_InstallData : public QObject
{
    Q_OBJECT

    static QString staged(const char* folder)
    {
        const QString dir = QStringLiteral(LAB_APP_DIR "/") + QLatin1String(folder);
        return QDir(dir).exists() ? dir : QString();
    }
    // Number of different colours, stopping early once there are enough to call it a picture.
    static int distinctColours(const QImage& img, int enough)
    {
        QSet<QRgb> seen;
        for (int y = 0; y < img.height() && seen.size() < enough; ++y)
            for (int x = 0; x < img.width() && seen.size() < enough; ++x)
                seen.insert(img.pixel(x, y));
        return seen.size();
    }

private slots:
    void icon_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"doc.ico", "new.ico", "edit.ico", "view.ico", "print.ico", "refresh.ico",
                              "text-editor.ico", "login.ico", "folder-search.ico", "copy_value.png", "edit_value.png"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void icon()
    {
        QFETCH(QString, name);
        const QString dir = staged("icons");
        if (dir.isEmpty())
            QSKIP("icons have not been staged into the application folder");
        QImageReader reader(dir + QLatin1Char('/') + name);
        QVERIFY2(reader.canRead(), qPrintable(name + QLatin1String(": ") + reader.errorString()));
        int largest = 0;
        for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
            QVERIFY(i == 0 || reader.jumpToImage(i));
            const QImage img = reader.read().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!img.isNull(), qPrintable(QStringLiteral("image %1: %2").arg(i).arg(reader.errorString())));
            QVERIFY(img.width() == img.height() && img.width() >= 16);
            largest = qMax(largest, img.width());
            // A drawn icon has several colours and a transparent background at its corner.
            QVERIFY2(distinctColours(img, 4) >= 4, qPrintable(QStringLiteral("image %1 is flat").arg(i)));
            QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        }
        QVERIFY(largest >= 24); // buttons show them at 24 x 24
    }
};

QTEST_MAIN(tst_InstallData)
#include "tst_installdata.moc"
