#include <QtTest>

#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

#include "device/debug_tcp.h"

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

void click(Debug_TCP& w, const char* button)
{
    QTest::mouseClick(w.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

const QString Out = QStringLiteral("/#008000");   // dark green
const QString In = QStringLiteral("/#0000ff");    // blue
}  // namespace

class TestDebugTcp : public QObject
{
    Q_OBJECT
private slots:
    void colours_data();
    void colours();
    void clearAndExit();
    void viewFollowsEndOnlyWhenThere();
};

void TestDebugTcp::colours_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<bool>>("outgoing");
    QTest::newRow("alternating") << QStringList{"$MIW*", "@READY*", "$00,00000000,F4*"}
                                 << QList<bool>{true, false, true};
    QTest::newRow("same direction twice") << QStringList{"@OK*", "@OK*", "$MO*"} << QList<bool>{false, false, true};
    QTest::newRow("empty incoming line") << QStringList{"$?*", "", "@Q"} << QList<bool>{true, false, false};
    QTest::newRow("empty first line") << QStringList{"", "$RSN*"} << QList<bool>{false, true};
}

void TestDebugTcp::colours()
{
    QFETCH(QStringList, messages);
    QFETCH(QList<bool>, outgoing);
    Debug_TCP w;
    QStringList expected;
    for (int i = 0; i < messages.size(); ++i) {
        w.debug_add_message(messages.at(i), outgoing.at(i));
        expected << QString(messages.at(i) % (outgoing.at(i) ? Out : In));
    }
    QCOMPARE(linesOf(w), expected);
}

void TestDebugTcp::clearAndExit()
{
    Debug_TCP w;
    QCOMPARE(w.windowModality(), Qt::WindowModal);
    QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("pbClear"))->text(), QStringLiteral("Очистить"));
    QCOMPARE(w.findChild<QPushButton*>(QStringLiteral("pbExit"))->text(), QStringLiteral("Выход"));
    w.debug_add_message(QStringLiteral("$?*"), true);   // logged before the window is shown
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    click(w, "pbClear");
    QVERIFY(w.findChild<QTextEdit*>()->document()->isEmpty());
    w.debug_add_message(QStringLiteral("@OK*"), false);
    click(w, "pbExit");
    QVERIFY(!w.isVisible());
    w.debug_add_message(QStringLiteral("$MIR*"), true);   // and while hidden
    w.show();
    QCOMPARE(linesOf(w), (QStringList{QString("@OK*" + In), QString("$MIR*" + Out)}));
    // The log is not something to undo.
    QVERIFY(!w.findChild<QTextEdit*>()->document()->isUndoAvailable());
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
    const QStringList lines = linesOf(w);
    QCOMPARE(lines.size(), 350);
    QCOMPARE(lines.at(299), QString("@OK*" + In));
    QCOMPARE(lines.last(), QString("$MO*" + Out));
}

QTEST_MAIN(TestDebugTcp)
#include "tst_debug_tcp.moc"
