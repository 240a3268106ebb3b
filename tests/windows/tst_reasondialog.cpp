// The reason window, driven through the shown window: OK only with a reason that is not
// blank, the reason trimmed, Cancel and Esc give nothing; and the answers tests queue.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/messagebox.h"
#include "windows/reasondialog.h"

class TestReasonDialog : public QObject
{
    Q_OBJECT

  private slots:
    void shownWindow_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("action"); // "ok", "cancel", or a key: "enter", "esc"
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<bool>("answered"); // ask() returned true
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty: Enter does nothing") << 0 << ""
                                                   << "enter" << false << false << "";
        QTest::newRow("blanks: Enter does nothing") << 1 << "   "
                                                    << "enter" << false << false << "";
        QTest::newRow("Enter takes the trimmed text")
            << 0 << "  Typo in the name "
            << "enter" << true << true << "Typo in the name";
        QTest::newRow("OK, Russian") << 1 << "Wrong code"
                                     << "ok" << true << true << "Wrong code";
        QTest::newRow("Cancel") << 0 << "Wrong code"
                                << "cancel" << true << false << "";
        QTest::newRow("Esc") << 1 << "Wrong code"
                             << "esc" << true << false << "";
    }
    void shownWindow()
    {
        QFETCH(int, lang);
        QFETCH(QString, typed);
        QFETCH(QString, action);
        QFETCH(bool, okEnabled);
        MessageBox::setAutoAnswer(false);
        // What the window showed; it is always closed, so a failed check never blocks the test.
        QStringList shown;
        bool okAtFirst = true, focused = false, okTyped = false, stayedOpen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ReasonDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* text = dialog->findChild<QLineEdit*>(QStringLiteral("le_reason"));
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("pb_ok"));
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("pb_cancel"));
            shown =
                QStringList{dialog->windowTitle(), ok->text(), cancel->text(),
                            dialog->findChild<QLabel*>()->text().section(QLatin1Char(' '), 0, 2)};
            okAtFirst = ok->isEnabled();
            focused = QTest::qWaitForWindowActive(dialog) && text->hasFocus();
            QTest::keyClicks(text, typed);
            okTyped = ok->isEnabled();
            if (action == QLatin1String("ok"))
                ok->click();
            else if (action == QLatin1String("cancel"))
                cancel->click();
            else
                QTest::keyClick(text,
                                action == QLatin1String("esc") ? Qt::Key_Escape : Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                dialog->reject();
        });
        QString reason = QStringLiteral("untouched");
        const bool answered = ReasonDialog::ask(uchar(lang), &reason);
        const QStringList expected =
            lang == 0
                ? QStringList{"Reason for the change", "OK", "Cancel", "Why is this"}
                : QStringList{"Причина изменения", "Ок", "Отмена", "Почему изменяется выданный"};
        QCOMPARE(shown, expected);
        QVERIFY(!okAtFirst && focused);
        QCOMPARE(okTyped, okEnabled);
        QCOMPARE(stayedOpen, !okEnabled);
        QTEST(answered, "answered");
        if (answered)
            QTEST(reason, "reason");
        else
            QCOMPARE(reason, QStringLiteral("untouched"));
    }

    // Queued answers come in order, blank or null ones as Cancel; with auto-answer on and none
    // queued, nothing is shown and the answer is Cancel, so no test ever waits for a window.
    void queuedAnswers()
    {
        MessageBox::setAutoAnswer(true);
        const int before = ReasonDialog::askedCount();
        ReasonDialog::setNextReason(QStringLiteral(" First "));
        ReasonDialog::setNextReason(QString());
        ReasonDialog::setNextReason(QStringLiteral("  "));
        QString reason;
        QVERIFY(ReasonDialog::ask(0, &reason));
        QCOMPARE(reason, QStringLiteral("First"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!ReasonDialog::ask(1, &reason));
        QCOMPARE(ReasonDialog::askedCount() - before, 4);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestReasonDialog)
#include "tst_reasondialog.moc"
