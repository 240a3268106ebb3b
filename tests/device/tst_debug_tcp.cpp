#include <QtTest>

#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

#include "device/debug_tcp.h"

namespace {
struct Line {
    QString text;
    QColor colour;
};

// Text and colour of every paragraph; a paragraph's colour is that of its text
// or, when empty, of its character format.
QVector<Line> linesOf(const QTextEdit* edit)
{
    QVector<Line> lines;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        QColor colour = b.charFormat().foreground().color();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QColor c = it.fragment().charFormat().foreground().color();
            if (it.fragment().length() > 0)
                colour = c;
        }
        lines.append({b.text(), colour});
    }
    return lines;
}
}  // namespace

class TestDebugTcp : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void colours_data();
    void colours();
    void clearStartsFreshLog();
    void loggedWhileHidden();
    void manyLines();
    void viewFollowsEndOnlyWhenThere();

private:
    static QTextEdit* edit(Debug_TCP& w) { return w.findChild<QTextEdit*>(QStringLiteral("textEdit")); }
};

void TestDebugTcp::form()
{
    Debug_TCP w;
    QCOMPARE(w.objectName(), QStringLiteral("Debug_TCP"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(w.size(), QSize(411, 743));
    QCOMPARE(w.windowModality(), Qt::WindowModal);
    QVERIFY(edit(w));
    QCOMPARE(edit(w)->geometry(), QRect(10, 10, 391, 691));
    auto* clear = w.findChild<QPushButton*>(QStringLiteral("pbClear"));
    auto* exit = w.findChild<QPushButton*>(QStringLiteral("pbExit"));
    QVERIFY(clear && exit);
    QCOMPARE(clear->text(), QStringLiteral("Очистить"));
    QCOMPARE(clear->geometry(), QRect(20, 710, 75, 23));
    QCOMPARE(exit->text(), QStringLiteral("Выход"));
    QCOMPARE(exit->geometry(), QRect(320, 710, 75, 23));
    QVERIFY(edit(w)->document()->isEmpty());
}

void TestDebugTcp::colours_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<bool>>("directions");
    QTest::newRow("calculation start")
        << QStringList{"$MIW*", "@READY*", "$00,00000000,00*", "@OK*", "$01,00000005,9B*", "@OK*"}
        << QList<bool>{true, false, true, false, true, false};
    QTest::newRow("same direction twice") << QStringList{"@OK*", "@OK*", "$MO*"} << QList<bool>{false, false, true};
    QTest::newRow("empty incoming line") << QStringList{"$?*", "", "@Q"} << QList<bool>{true, false, false};
    QTest::newRow("empty first line") << QStringList{"", "$RSN*"} << QList<bool>{false, true};
}

void TestDebugTcp::colours()
{
    QFETCH(QStringList, messages);
    QFETCH(QList<bool>, directions);
    Debug_TCP w;
    for (int i = 0; i < messages.size(); ++i)
        w.debug_add_message(messages.at(i), directions.at(i));
    const QVector<Line> lines = linesOf(edit(w));
    QCOMPARE(lines.size(), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
        QCOMPARE(lines.at(i).text, messages.at(i));
        QCOMPARE(lines.at(i).colour, directions.at(i) ? QColor(Qt::darkGreen) : QColor(Qt::blue));
    }
}

void TestDebugTcp::clearStartsFreshLog()
{
    Debug_TCP w;
    w.show();
    w.debug_add_message(QStringLiteral("$MIW*"), true);
    w.debug_add_message(QStringLiteral("@READY*"), false);
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("pbClear")), Qt::LeftButton);
    QVERIFY(edit(w)->document()->isEmpty());
    QCOMPARE(edit(w)->document()->blockCount(), 1);
    w.debug_add_message(QStringLiteral("@OK*"), false);
    w.debug_add_message(QStringLiteral("$MIR*"), true);
    const QVector<Line> lines = linesOf(edit(w));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).text, QStringLiteral("@OK*"));
    QCOMPARE(lines.at(0).colour, QColor(Qt::blue));
    QCOMPARE(lines.at(1).text, QStringLiteral("$MIR*"));
    QCOMPARE(lines.at(1).colour, QColor(Qt::darkGreen));
    // The log is not something to undo.
    QVERIFY(!edit(w)->document()->isUndoAvailable());
}

void TestDebugTcp::loggedWhileHidden()
{
    Debug_TCP w;
    w.debug_add_message(QStringLiteral("$?*"), true);
    w.debug_add_message(QStringLiteral("@Quendalivertyx"), false);
    QVERIFY(!w.isVisible());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(edit(w)->toPlainText(), QStringLiteral("$?*\n@Quendalivertyx"));

    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("pbExit")), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    w.debug_add_message(QStringLiteral("$RSN*"), true);
    w.show();
    QCOMPARE(edit(w)->toPlainText(), QStringLiteral("$?*\n@Quendalivertyx\n$RSN*"));
}

void TestDebugTcp::manyLines()
{
    Debug_TCP w;
    w.show();
    for (int i = 0; i < 5000; ++i)
        w.debug_add_message(QStringLiteral("line %1").arg(i), i % 2 == 0);
    QCOMPARE(edit(w)->document()->blockCount(), 5000);
    const QVector<Line> lines = linesOf(edit(w));
    QCOMPARE(lines.last().text, QStringLiteral("line 4999"));
    QCOMPARE(lines.last().colour, QColor(Qt::blue));
    QCOMPARE(lines.at(4998).colour, QColor(Qt::darkGreen));
}

void TestDebugTcp::viewFollowsEndOnlyWhenThere()
{
    Debug_TCP w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QScrollBar* bar = edit(w)->verticalScrollBar();
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
    QCOMPARE(edit(w)->document()->blockCount(), 350);
}

QTEST_MAIN(TestDebugTcp)
#include "tst_debug_tcp.moc"
