#include "app/about.h"

#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

class tst_About : public QObject
{
    Q_OBJECT

private slots:
    void form()
    {
        about w;
        QCOMPARE(w.objectName(), QStringLiteral("about"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Form"));
        QCOMPARE(w.size(), QSize(295, 136));
        QCOMPARE(w.windowModality(), Qt::ApplicationModal);
        QVERIFY(w.windowFlags().testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowTitleHint));
        QVERIFY(w.isWindow());

        auto* label = w.findChild<QLabel*>(QStringLiteral("label"));
        auto* close = w.findChild<QPushButton*>(QStringLiteral("pbClose"));
        QVERIFY(label && close);
        QCOMPARE(label->geometry(), QRect(5, 0, 286, 131));
        QCOMPARE(label->textFormat(), Qt::RichText);
        QVERIFY(label->wordWrap());
        QVERIFY(!label->hasScaledContents());
        QCOMPARE(label->font().pointSize(), 8);
        QCOMPARE(close->geometry(), QRect(215, 110, 75, 23));
        QCOMPARE(close->text(), QString::fromUtf8("Закрыть"));
    }

    void labelText()
    {
        about w;
        auto* label = w.findChild<QLabel*>(QStringLiteral("label"));
        QTextDocument doc;
        doc.setHtml(label->text());
        QVERIFY(doc.blockCount() >= 3);
        QCOMPARE(doc.firstBlock().text(),
                 QStringLiteral("The program is designed to form, view and edit reports of research "
                                "carried out by mass spectrometric determination of microbial "
                                "markers."));
        const QTextBlock version = doc.firstBlock().next();
        QCOMPARE(version.text(), QStringLiteral("Version 3.5"));
        QCOMPARE(version.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
        QVERIFY(!version.next().text().trimmed().isEmpty());
    }

    void changeGeometry_data()
    {
        QTest::addColumn<int>("cx");
        QTest::addColumn<int>("cy");
        QTest::newRow("centre") << 600 << 400;
        QTest::newRow("corner") << 147 << 68;
        QTest::newRow("odd") << 333 << 251;
    }

    void changeGeometry()
    {
        QFETCH(int, cx);
        QFETCH(int, cy);
        about w;
        w.show();
        w.ChangeGeometry(cx, cy);
        QCOMPARE(w.geometry(), QRect(cx - 147, cy - 68, 295, 136));
        QCOMPARE(w.minimumSize(), QSize(295, 136));
        QCOMPARE(w.maximumSize(), QSize(295, 136));
        // The rectangle holds the centre within one pixel (odd width and height).
        QVERIFY(qAbs(w.geometry().center().x() - cx) <= 1);
        QVERIFY(qAbs(w.geometry().center().y() - cy) <= 1);
    }

    void closeHidesAndReopens()
    {
        about w;
        w.show();
        w.ChangeGeometry(500, 300);
        QVERIFY(w.isVisible());
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("pbClose")), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        w.show();
        w.ChangeGeometry(700, 500);
        QVERIFY(w.isVisible());
        QCOMPARE(w.geometry(), QRect(553, 432, 295, 136));
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
