#include <QtTest>

#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

#include "device/debug_tcp.h"

// The colours of a real exchange are checked end to end; here: empty lines, the
// buttons and the scrolling.
namespace {
// "text/colour" of every paragraph; an empty paragraph has the colour of its format.
QStringList linesOf(Debug_TCP& w)
{
    QStringList lines;
    const QTextDocument* doc = w.findChild<QTextEdit*>(QStringLiteral("textEdit"))->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QColor colour = b.charFormat().foreground().color();
        for (auto it = b.begin(); !it.atEnd(); ++it)
            colour = it.fragment().charFormat().foreground().color();
        lines << QString(b.text() % QLatin1Char('/') % colour.name());
    }
    return lines;
}

QPushButton* button(Debug_TCP& w, const char* name)
{
    return w.findChild<QPushButton*>(QLatin1String(name));
}

const QString Out = QStringLiteral("/#008000");   // dark green
const QString In = QStringLiteral("/#0000ff");    // blue
}  // namespace

class TestDebugTcp : public QObject
{
    Q_OBJECT
private slots:
    void clearAndExit();
    void viewFollowsEndOnlyWhenThere();
};

void TestDebugTcp::clearAndExit()
{
    Debug_TCP w;
    QCOMPARE(w.windowModality(), Qt::WindowModal);
    QCOMPARE(button(w, "pbClear")->text(), QStringLiteral("Очистить"));
    QCOMPARE(button(w, "pbExit")->text(), QStringLiteral("Выход"));
    w.debug_add_message(QStringLiteral("$?*"), true);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(button(w, "pbClear"), Qt::LeftButton);
    QVERIFY(w.findChild<QTextEdit*>()->document()->isEmpty());
    w.debug_add_message(QString(), false);
    w.debug_add_message(QStringLiteral("@OK*"), false);
    QTest::mouseClick(button(w, "pbExit"), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    w.debug_add_message(QString(), true);
    w.debug_add_message(QStringLiteral("$MIR*"), true);
    QCOMPARE(linesOf(w), (QStringList{In, QString("@OK*" + In), Out, QString("$MIR*" + Out)}));
    // The log is not something to undo.
    QVERIFY(!w.findChild<QTextEdit*>()->document()->isUndoAvailable());

    // A long day keeps the newest lines only, also after Clear.
    for (int i = 0; i < Debug_TCP::MaxLines; ++i)
        w.debug_add_message(QString::number(i), false);
    QTRY_COMPARE(linesOf(w).size(), Debug_TCP::MaxLines);
    QCOMPARE(linesOf(w).first(), QString("0" + In));
}

void TestDebugTcp::viewFollowsEndOnlyWhenThere()
{
    Debug_TCP w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QScrollBar* bar = w.findChild<QTextEdit*>()->verticalScrollBar();
    for (int i = 0; i < 300; ++i)
        w.debug_add_message(QStringLiteral("@OK*"), false);
    QTest::qWait(20);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Someone reading older lines is not pulled down by new ones.
    bar->setValue(0);
    for (int i = 0; i < 50; ++i)
        w.debug_add_message(QStringLiteral("$MO*"), true);
    QTest::qWait(20);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(linesOf(w).size(), 350);
}

QTEST_MAIN(TestDebugTcp)
#include "tst_debug_tcp.moc"
