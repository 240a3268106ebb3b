// The reason window as shown: OK only with a reason that is not blank, the reason trimmed,
// Cancel and Esc give nothing; and the answers tests queue instead.
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
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<QString>("action"); // "ok", "cancel", or a key: "enter", "esc"
        QTest::addColumn<QString>("reason"); // null: ask() returns false
        QTest::newRow("empty: Enter does nothing") << 0 << "" << false << "enter" << QString();
        QTest::newRow("blanks: Enter does nothing") << 1 << "   " << false << "enter" << QString();
        QTest::newRow("Enter, trimmed")
            << 0 << " Typo in the name " << true << "enter" << QStringLiteral("Typo in the name");
        QTest::newRow("OK, Russian")
            << 1 << "Wrong code" << true << "ok" << QStringLiteral("Wrong code");
        QTest::newRow("Cancel") << 0 << "Wrong code" << true << "cancel" << QString();
        QTest::newRow("Esc") << 1 << "Wrong code" << true << "esc" << QString();
    }
    void shownWindow()
    {
        QFETCH(int, lang);
        QFETCH(QString, typed);
        QFETCH(bool, okEnabled);
        QFETCH(QString, action);
        QFETCH(QString, reason);
        MessageBox::setAutoAnswer(false);
        // What the window showed and did; it is always closed, so a failed check never blocks.
        QStringList texts;
        QList<bool> states; // OK at first, text focused, OK after typing, open after the action
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ReasonDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* text = dialog->findChild<QLineEdit*>();
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("pb_ok"));
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("pb_cancel"));
            texts << dialog->windowTitle() << ok->text() << cancel->text()
                  << dialog->findChild<QLabel*>()->text().section(QLatin1Char(' '), 0, 2);
            states << ok->isEnabled() << (QTest::qWaitForWindowActive(dialog) && text->hasFocus());
            QTest::keyClicks(text, typed);
            states << ok->isEnabled();
            if (action == QLatin1String("ok"))
                ok->click();
            else if (action == QLatin1String("cancel"))
                cancel->click();
            else
                QTest::keyClick(text,
                                action == QLatin1String("esc") ? Qt::Key_Escape : Qt::Key_Return);
            states << dialog->isVisible();
            if (dialog->isVisible())
                dialog->reject();
        });
        QString answer = QStringLiteral("untouched");
        QCOMPARE(ReasonDialog::ask(uchar(lang), &answer), !reason.isNull());
        QCOMPARE(answer, reason.isNull() ? QStringLiteral("untouched") : reason);
        const QStringList expected =
            lang == 0
                ? QStringList{"Reason for the change", "OK", "Cancel", "Why is this"}
                : QStringList{"Причина изменения", "Ок", "Отмена", "Почему изменяется выданный"};
        QCOMPARE(texts, expected);
        QCOMPARE(states, (QList<bool>{false, true, okEnabled, !okEnabled}));
    }

    // Queued answers come in order, blank or null ones as Cancel; with auto-answer on and none
    // queued, nothing is shown and the answer is Cancel, so no test ever waits for a window.
    void queuedAnswers()
    {
        MessageBox::setAutoAnswer(true);
        const int before = ReasonDialog::askedCount();
        for (const QString& answer : {QStringLiteral(" First "), QString(), QStringLiteral("  ")})
            ReasonDialog::setNextReason(answer);
        QString reason;
        QVERIFY(ReasonDialog::ask(0, &reason));
        QCOMPARE(reason, QStringLiteral("First"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!ReasonDialog::ask(1, &reason));
        QCOMPARE(ReasonDialog::askedCount() - before, 4);
    }
};

QTEST_MAIN(TestReasonDialog)
#include "tst_reasondialog.moc"
