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
    void labelText()
    {
        about w;
        auto* label = w.findChild<QLabel*>(QStringLiteral("label"));
        QVERIFY(label->wordWrap());
        QTextDocument doc;
        doc.setHtml(label->text());
        QCOMPARE(doc.firstBlock().text(),
                 QStringLiteral("The program is designed to form, view and edit reports of research "
                                "carried out by mass spectrometric determination of microbial markers."));
        const QTextBlock version = doc.firstBlock().next();
        QCOMPARE(version.text(), QStringLiteral("Version 3.5"));
        QCOMPARE(version.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
        QVERIFY(!version.next().text().trimmed().isEmpty()); // maker's contacts
        QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("pbClose"))->text(), QString::fromUtf8("Закрыть"));
    }

    void changeGeometryCentresFixedWindow_closeHides()
    {
        about w;
        w.ChangeGeometry(600, 400); // before showing: the offscreen platform cannot resize a shown fixed window
        w.show();
        QCOMPARE(w.geometry(), QRect(453, 332, 295, 136));
        QVERIFY(w.minimumSize() == QSize(295, 136) && w.maximumSize() == QSize(295, 136));
        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("pbClose")), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
