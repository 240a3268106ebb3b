#include "app/messagebox.h"
#include "windows/settings.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
QString u(const char* text)
{
    return QString::fromUtf8(text);
}
}

class TestOperatorsEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<settings> ed;

    template <class T = QPushButton> T* get(const char* name)
    {
        T* found = ed->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("missing widget %s", name);
        return found;
    }
    QLineEdit* line() { return get<QLineEdit>("LineText"); }
    QStringList rows()
    {
        QStringList all;
        auto* list = get<QListWidget>("ListText");
        for (int i = 0; i < list->count(); ++i)
            all << list->item(i)->text();
        return all;
    }
    void clickRow(int row)
    {
        auto* list = get<QListWidget>("ListText");
        list->setCurrentRow(row);
        emit list->clicked(list->model()->index(row, 0));
    }
    void click(const char* name) { get(name)->click(); }
    // The only box shown so far: kind, title, text, buttons.
    static QStringList box()
    {
        if (MessageBox::shown().size() != 1)
            return {QStringLiteral("%1 boxes").arg(MessageBox::shown().size())};
        const MessageBox::Shown& b = MessageBox::shown().first();
        return QStringList({b.kind == MessageBox::Question ? "question" : "warning", b.title, b.text}) + b.buttons;
    }
    // Pressing Ok reveals whether the editor believes the list changed: it asks first.
    bool okAsks()
    {
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::No);
        click("pbOk");
        return !MessageBox::shown().isEmpty() && MessageBox::shown().last().kind == MessageBox::Question;
    }

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        ed.reset(new settings);
    }

    void changeGeometryCentresFixedWindow()
    {
        ed->ChangeGeometry(400, 300);
        QCOMPARE(ed->geometry(), QRect(317, 180, 167, 241));
        QVERIFY(ed->minimumSize() == QSize(167, 241) && ed->maximumSize() == QSize(167, 241));
    }

    // Built Russian; any language byte but 1 gives English.
    void languageTexts()
    {
        const auto texts = [this] {
            QStringList all;
            for (const char* name : {"pbNew", "pbChange", "pbDelete", "pbCancel", "pbOk"})
                all << get(name)->text();
            return all;
        };
        QCOMPARE(texts(), QStringList({u("Новый"), u("Изменить"), u("Удалить"), u("Отмена"), u("Сохранить")}));
        ed->SetLang(5);
        QCOMPARE(texts(), QStringList({"New", "Change", "Delete", "Cancel", "Ok"}));
    }

    void showSortsAndResets()
    {
        ed->ShowWindow({"Ivan", "Boris", "Anna"});
        QVERIFY(ed->isVisible());
        QCOMPARE(rows(), QStringList({"Anna", "Boris", "Ivan"})); // sorted
        clickRow(1);
        QCOMPARE(line()->text(), QStringLiteral("Boris"));
        QVERIFY(get("pbChange")->isEnabled() && get("pbDelete")->isEnabled());
        ed->ShowWindow({"Zoya"});
        QCOMPARE(rows(), QStringList{"Zoya"});
        QVERIFY(line()->text().isEmpty());
        QVERIFY(!get("pbChange")->isEnabled() && !get("pbDelete")->isEnabled() && get("pbNew")->isEnabled());
    }

    // One edit on {"Anna", "Boris"}: pick a row (or none), type, press a button, answer any box.
    // A refused rename keeps the typed text and the row's buttons; Ok asks only after a change.
    void edit_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<bool>("refused");
        const int yes = MessageBox::Yes, no = MessageBox::No;
        const QStringList same{"Anna", "Boris"};
        QTest::newRow("add new") << 0 << -1 << "Oleg" << "pbNew" << no << QStringList({"Anna", "Boris", "Oleg"}) << false;
        QTest::newRow("add duplicate") << 0 << -1 << "Boris" << "pbNew" << no << same << false;
        QTest::newRow("add other case") << 0 << -1 << "boris" << "pbNew" << no << QStringList({"Anna", "Boris", "boris"}) << false;
        QTest::newRow("add empty") << 0 << -1 << "" << "pbNew" << no << same << false;
        QTest::newRow("add trailing blank") << 0 << -1 << "Boris " << "pbNew" << no << QStringList({"Anna", "Boris", "Boris "}) << false;
        QTest::newRow("rename yes en") << 0 << 0 << "Anya" << "pbChange" << yes << QStringList({"Anya", "Boris"}) << false;
        QTest::newRow("rename no ru") << 1 << 0 << "Anya" << "pbChange" << no << same << true;
        QTest::newRow("rename closed") << 0 << 0 << "Anya" << "pbChange" << int(MessageBox::Closed) << same << true;
        QTest::newRow("rename to duplicate") << 0 << 0 << "Boris" << "pbChange" << yes << QStringList({"Boris", "Boris"}) << false;
        QTest::newRow("rename to empty") << 1 << 0 << "" << "pbChange" << yes << QStringList({"", "Boris"}) << false;
        QTest::newRow("rename resorts") << 0 << 0 << "Zoya" << "pbChange" << yes << QStringList({"Boris", "Zoya"}) << false;
        QTest::newRow("rename percent sign") << 1 << 0 << "%1x" << "pbChange" << yes << QStringList({"%1x", "Boris"}) << false;
        QTest::newRow("rename to same asks nothing") << 0 << 0 << "Anna" << "pbChange" << yes << same << false;
        QTest::newRow("delete") << 0 << 1 << "" << "pbDelete" << yes << QStringList{"Anna"} << false;
    }
    void edit()
    {
        QFETCH(int, lang);
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(int, answer);
        QFETCH(QStringList, after);
        QFETCH(bool, refused);
        ed->SetLang(static_cast<uchar>(lang));
        ed->ShowWindow({"Boris", "Anna"});
        if (row >= 0)
            clickRow(row);
        if (button != QLatin1String("pbDelete"))
            line()->setText(typed);
        MessageBox::setNextAnswer(static_cast<MessageBox::Answer>(answer));
        click(button.toLatin1().constData());

        // Only a real rename asks, naming the old and the new text.
        const bool sameText = button == QLatin1String("pbChange") && typed == QLatin1String("Anna");
        if (button != QLatin1String("pbChange") || sameText)
            QVERIFY(MessageBox::shown().isEmpty());
        else if (lang == 0)
            QCOMPARE(box(), QStringList({"question", "Confirmation", "Replace \"Anna\" with \"" + typed + "\"?", "Yes", "No"}));
        else
            QCOMPARE(box(), QStringList({"question", u("Подтверждение"), u("Заменить \"Anna\" на \"") + typed + "\"?",
                                         u("Да"), u("Нет")}));
        QCOMPARE(rows(), after);
        QCOMPARE(line()->text(), refused ? typed : QString());
        QCOMPARE(get("pbChange")->isEnabled(), refused);
        QCOMPARE(get("pbDelete")->isEnabled(), refused || sameText); // same text keeps Delete on
        if (!rows().contains(QString()))
            QCOMPARE(okAsks(), after != QStringList({"Anna", "Boris"}));
    }

    void okWithEmptyListWarns()
    {
        ed->ShowWindow({"Anna"});
        clickRow(0);
        click("pbDelete");
        QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
        click("pbOk");
        QCOMPARE(box(), QStringList({"warning", u("Внимание"), u("Неправильно заполнен список  операторов."), u("Ок")}));
        QVERIFY(ed->isVisible());
        click("pbCancel");
        QVERIFY(!ed->isVisible() && saved.isEmpty());
    }

    void okWithoutChangeSavesNothing()
    {
        ed->ShowWindow({"Anna", "Boris"});
        QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
        QSignalSpy updated(ed.get(), &settings::UpdateListOperators);
        click("pbOk");
        QVERIFY(MessageBox::shown().isEmpty() && !ed->isVisible());
        QCOMPARE(saved.count() + updated.count(), 0);
    }

    // After a change Ok asks; Yes saves then updates with the sorted list and closes.
    void okAfterChangeAsks_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("question");
        QTest::newRow("yes en") << 0 << true << QStringList({"question", "Confirmation", "Save changes?", "Yes", "No"});
        QTest::newRow("no ru") << 1 << false
                               << QStringList({"question", u("Подтверждение"), u("Сохранить изменения?"), u("Да"), u("Нет")});
    }
    void okAfterChangeAsks()
    {
        QFETCH(int, lang);
        QFETCH(bool, yes);
        QFETCH(QStringList, question);
        ed->SetLang(static_cast<uchar>(lang));
        ed->ShowWindow({"Ivan", "Boris"});
        line()->setText(QStringLiteral("Anna"));
        click("pbNew");
        QStringList order;
        connect(ed.get(), &settings::SaveNewListOperators, this, [&order](const QStringList& l) {
            order << "save:" + l.join(',');
        });
        connect(ed.get(), &settings::UpdateListOperators, this, [&order](const QStringList& l) {
            order << "update:" + l.join(',');
        });
        MessageBox::setNextAnswer(yes ? MessageBox::Yes : MessageBox::No);
        click("pbOk");

        QCOMPARE(box(), question);
        QCOMPARE(order, yes ? QStringList({"save:Anna,Boris,Ivan", "update:Anna,Boris,Ivan"}) : QStringList());
        QCOMPARE(ed->isVisible(), !yes);
    }

    void closeRefusedUntilOkOrCancel()
    {
        for (const char* button : {"pbCancel", "pbOk"}) { // every showing refuses again
            ed->ShowWindow({"Anna"});
            QVERIFY(!ed->close());
            QVERIFY(ed->isVisible());
            click(button);
            QVERIFY(!ed->isVisible());
        }
    }

    void listLimit()
    {
        QStringList names;
        for (int i = 0; i < 254; ++i)
            names << QStringLiteral("op%1").arg(i, 3, 10, QLatin1Char('0'));
        ed->SetLang(0);
        ed->ShowWindow(names);
        line()->setText(QStringLiteral("last"));
        click("pbNew");
        QCOMPARE(rows().size(), 255);
        QVERIFY(MessageBox::shown().isEmpty());

        line()->setText(QStringLiteral("one too many"));
        click("pbNew");
        QVERIFY(rows().size() == 255 && !rows().contains(QStringLiteral("one too many")));
        QCOMPARE(box().mid(0, 2), QStringList({"warning", "Attention"}));
        QVERIFY(box().at(2).contains(QStringLiteral("255")));
    }
};

QTEST_MAIN(TestOperatorsEditor)
#include "tst_operatorseditor.moc"
