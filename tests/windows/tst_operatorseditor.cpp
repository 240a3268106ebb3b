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

private slots:
    void init();
    void formAndGeometry();
    void languageTexts_data();
    void languageTexts();
    void showSortsAndResets();
    void addName_data();
    void addName();
    void rename_data();
    void rename();
    void renameToSameTextAsksNothing();
    void deleteRow();
    void okWithEmptyListWarns_data();
    void okWithEmptyListWarns();
    void okWithoutChangeSavesNothing();
    void saveEmitsSortedList();
    void saveRefusedKeepsWindowOpen();
    void closeRefusedUntilOkOrCancel();
    void listLimit();

private:
    template <class T> T* get(const char* name)
    {
        T* found = ed->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("missing widget %s", name);
        return found;
    }
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
    void click(const char* name) { get<QPushButton>(name)->click(); }
    // Pressing Ok reveals whether the editor believes the list changed: it asks first.
    bool okAsks()
    {
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::No);
        click("pbOk");
        return !MessageBox::shown().isEmpty() && MessageBox::shown().last().kind == MessageBox::Question;
    }

    std::unique_ptr<settings> ed;
};

void TestOperatorsEditor::init()
{
    MessageBox::setAutoAnswer(true);
    MessageBox::clearShown();
    ed.reset(new settings);
}

void TestOperatorsEditor::formAndGeometry()
{
    QCOMPARE(ed->objectName(), QStringLiteral("settings"));
    QCOMPARE(ed->windowTitle(), QStringLiteral("Form"));
    QCOMPARE(ed->windowModality(), Qt::ApplicationModal);
    QCOMPARE(ed->windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint);
    QCOMPARE(ed->size(), QSize(167, 241));
    QCOMPARE(get<QPushButton>("pbNew")->geometry(), QRect(10, 10, 41, 23));
    QCOMPARE(get<QPushButton>("pbChange")->geometry(), QRect(50, 10, 58, 23));
    QCOMPARE(get<QPushButton>("pbDelete")->geometry(), QRect(108, 10, 53, 23));
    QCOMPARE(get<QLineEdit>("LineText")->geometry(), QRect(10, 40, 151, 20));
    QCOMPARE(get<QListWidget>("ListText")->geometry(), QRect(10, 70, 151, 131));
    QVERIFY(get<QListWidget>("ListText")->isSortingEnabled());
    QCOMPARE(get<QPushButton>("pbCancel")->geometry(), QRect(10, 210, 71, 23));
    QCOMPARE(get<QPushButton>("pbOk")->geometry(), QRect(90, 210, 71, 23));

    ed->ChangeGeometry(400, 300);
    QCOMPARE(ed->geometry(), QRect(317, 180, 167, 241));
    QCOMPARE(ed->minimumSize(), QSize(167, 241));
    QCOMPARE(ed->maximumSize(), QSize(167, 241));
}

void TestOperatorsEditor::languageTexts_data()
{
    QTest::addColumn<int>("lang");
    QTest::addColumn<QStringList>("texts"); // pbNew, pbChange, pbDelete, pbCancel, pbOk
    const QStringList russian{u("Новый"), u("Изменить"), u("Удалить"), u("Отмена"), u("Сохранить")};
    const QStringList english{"New", "Change", "Delete", "Cancel", "Ok"};
    QTest::newRow("built") << -1 << russian;
    QTest::newRow("english") << 0 << english;
    QTest::newRow("russian") << 1 << russian;
    QTest::newRow("unknown byte") << 5 << english;
}

void TestOperatorsEditor::languageTexts()
{
    QFETCH(int, lang);
    QFETCH(QStringList, texts);
    if (lang >= 0)
        ed->SetLang(static_cast<uchar>(lang));
    const char* names[] = {"pbNew", "pbChange", "pbDelete", "pbCancel", "pbOk"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(get<QPushButton>(names[i])->text(), texts.at(i));
}

void TestOperatorsEditor::showSortsAndResets()
{
    ed->ShowWindow({"Ivan", "Boris", "Anna"});
    QVERIFY(ed->isVisible());
    QCOMPARE(rows(), QStringList({"Anna", "Boris", "Ivan"}));
    clickRow(1);
    QCOMPARE(get<QLineEdit>("LineText")->text(), QStringLiteral("Boris"));
    QVERIFY(get<QPushButton>("pbChange")->isEnabled());
    QVERIFY(get<QPushButton>("pbDelete")->isEnabled());

    ed->ShowWindow({"Zoya"});
    QCOMPARE(rows(), QStringList{"Zoya"});
    QVERIFY(get<QLineEdit>("LineText")->text().isEmpty());
    QVERIFY(!get<QPushButton>("pbChange")->isEnabled());
    QVERIFY(!get<QPushButton>("pbDelete")->isEnabled());
    QVERIFY(get<QPushButton>("pbNew")->isEnabled());
}

void TestOperatorsEditor::addName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("added");
    QTest::newRow("new name") << "Oleg" << true;
    QTest::newRow("duplicate") << "Boris" << false;
    QTest::newRow("other case") << "boris" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("trailing blank is different") << "Boris " << true;
}

void TestOperatorsEditor::addName()
{
    QFETCH(QString, name);
    QFETCH(bool, added);
    ed->ShowWindow({"Anna", "Boris"});
    get<QLineEdit>("LineText")->setText(name);
    click("pbNew");
    QVERIFY(get<QLineEdit>("LineText")->text().isEmpty());
    QCOMPARE(rows().size(), added ? 3 : 2);
    QCOMPARE(rows().contains(name), added || name == QLatin1String("Boris"));
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(okAsks(), added);
}

void TestOperatorsEditor::rename_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("yes en") << int(MessageBox::Yes) << 0 << "Anya" << QStringList({"Anya", "Boris"});
    QTest::newRow("no ru") << int(MessageBox::No) << 1 << "Anya" << QStringList({"Anna", "Boris"});
    QTest::newRow("closed") << int(MessageBox::Closed) << 0 << "Anya" << QStringList({"Anna", "Boris"});
    QTest::newRow("yes to duplicate") << int(MessageBox::Yes) << 0 << "Boris" << QStringList({"Boris", "Boris"});
    QTest::newRow("yes to empty") << int(MessageBox::Yes) << 1 << "" << QStringList({"", "Boris"});
    QTest::newRow("resorted") << int(MessageBox::Yes) << 0 << "Zoya" << QStringList({"Boris", "Zoya"});
}

void TestOperatorsEditor::rename()
{
    QFETCH(int, answer);
    QFETCH(int, lang);
    QFETCH(QString, newName);
    QFETCH(QStringList, after);
    ed->SetLang(static_cast<uchar>(lang));
    ed->ShowWindow({"Boris", "Anna"});
    clickRow(0);
    get<QLineEdit>("LineText")->setText(newName);
    MessageBox::setNextAnswer(static_cast<MessageBox::Answer>(answer));
    click("pbChange");

    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown box = MessageBox::shown().first();
    QCOMPARE(box.kind, MessageBox::Question);
    if (lang == 0) {
        QCOMPARE(box.title, QStringLiteral("Confirmation"));
        QCOMPARE(box.text, QStringLiteral("Replace \"Anna\" with \"%1\"?").arg(newName));
        QCOMPARE(box.buttons, QStringList({"Yes", "No"}));
    } else {
        QCOMPARE(box.title, u("Подтверждение"));
        QCOMPARE(box.text, u("Заменить \"Anna\" на \"%1\"?").arg(newName));
        QCOMPARE(box.buttons, QStringList({u("Да"), u("Нет")}));
    }
    QCOMPARE(rows(), after);
    const bool yes = answer == MessageBox::Yes;
    QCOMPARE(get<QLineEdit>("LineText")->text(), yes ? QString() : newName);
    QCOMPARE(get<QPushButton>("pbChange")->isEnabled(), !yes);
    QCOMPARE(get<QPushButton>("pbDelete")->isEnabled(), !yes);
    if (!rows().contains(QString()))
        QCOMPARE(okAsks(), yes);
}

void TestOperatorsEditor::renameToSameTextAsksNothing()
{
    ed->ShowWindow({"Anna", "Boris"});
    clickRow(1);
    click("pbChange");
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(get<QLineEdit>("LineText")->text().isEmpty());
    QVERIFY(get<QListWidget>("ListText")->selectedItems().isEmpty());
    QVERIFY(!get<QPushButton>("pbChange")->isEnabled());
    QVERIFY(get<QPushButton>("pbDelete")->isEnabled());
    QVERIFY(!okAsks());
}

void TestOperatorsEditor::deleteRow()
{
    ed->ShowWindow({"Anna", "Boris", "Ivan"});
    clickRow(1);
    click("pbDelete");
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(rows(), QStringList({"Anna", "Ivan"}));
    QVERIFY(get<QLineEdit>("LineText")->text().isEmpty());
    QVERIFY(!get<QPushButton>("pbChange")->isEnabled());
    QVERIFY(!get<QPushButton>("pbDelete")->isEnabled());
    QVERIFY(okAsks());
}

void TestOperatorsEditor::okWithEmptyListWarns_data()
{
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("button");
    QTest::newRow("en") << 0 << "Attention" << "Incorrectly filled a list of operators." << "Ok";
    QTest::newRow("ru") << 1 << u("Внимание") << u("Неправильно заполнен список  операторов.") << u("Ок");
}

void TestOperatorsEditor::okWithEmptyListWarns()
{
    QFETCH(int, lang);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QString, button);
    ed->SetLang(static_cast<uchar>(lang));
    ed->ShowWindow({"Anna"});
    clickRow(0);
    click("pbDelete");
    QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
    click("pbOk");
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().kind, MessageBox::Warning);
    QCOMPARE(MessageBox::shown().first().title, title);
    QCOMPARE(MessageBox::shown().first().text, text);
    QCOMPARE(MessageBox::shown().first().buttons, QStringList{button});
    QVERIFY(ed->isVisible());
    QCOMPARE(saved.count(), 0);

    click("pbCancel");
    QVERIFY(!ed->isVisible());
    QCOMPARE(saved.count(), 0);
}

void TestOperatorsEditor::okWithoutChangeSavesNothing()
{
    ed->ShowWindow({"Anna", "Boris"});
    QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
    QSignalSpy updated(ed.get(), &settings::UpdateListOperators);
    click("pbOk");
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(!ed->isVisible());
    QCOMPARE(saved.count(), 0);
    QCOMPARE(updated.count(), 0);
}

void TestOperatorsEditor::saveEmitsSortedList()
{
    ed->SetLang(0);
    ed->ShowWindow({"Ivan", "Boris"});
    get<QLineEdit>("LineText")->setText(QStringLiteral("Anna"));
    click("pbNew");

    QStringList order;
    connect(ed.get(), &settings::SaveNewListOperators, this, [&order] { order << "save"; });
    connect(ed.get(), &settings::UpdateListOperators, this, [&order] { order << "update"; });
    QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
    QSignalSpy updated(ed.get(), &settings::UpdateListOperators);
    MessageBox::setNextAnswer(MessageBox::Yes);
    click("pbOk");

    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Confirmation"));
    QCOMPARE(MessageBox::shown().first().text, QStringLiteral("Save changes?"));
    QCOMPARE(MessageBox::shown().first().buttons, QStringList({"Yes", "No"}));
    const QStringList sorted{"Anna", "Boris", "Ivan"};
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.first().first().toStringList(), sorted);
    QCOMPARE(updated.count(), 1);
    QCOMPARE(updated.first().first().toStringList(), sorted);
    QCOMPARE(order, QStringList({"save", "update"}));
    QVERIFY(!ed->isVisible());
}

void TestOperatorsEditor::saveRefusedKeepsWindowOpen()
{
    ed->ShowWindow({"Ivan"});
    get<QLineEdit>("LineText")->setText(QStringLiteral("Oleg"));
    click("pbNew");
    QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
    MessageBox::setNextAnswer(MessageBox::No);
    click("pbOk");
    QCOMPARE(MessageBox::shown().first().text, u("Сохранить изменения?"));
    QCOMPARE(MessageBox::shown().first().buttons, QStringList({u("Да"), u("Нет")}));
    QVERIFY(ed->isVisible());
    QCOMPARE(saved.count(), 0);
}

void TestOperatorsEditor::closeRefusedUntilOkOrCancel()
{
    ed->ShowWindow({"Anna"});
    QVERIFY(!ed->close());
    QVERIFY(ed->isVisible());
    click("pbCancel");
    QVERIFY(!ed->isVisible());

    // Every showing refuses again.
    ed->ShowWindow({"Anna"});
    QVERIFY(!ed->close());
    QVERIFY(ed->isVisible());
    click("pbOk");
    QVERIFY(!ed->isVisible());
}

void TestOperatorsEditor::listLimit()
{
    QStringList names;
    for (int i = 0; i < 254; ++i)
        names << QStringLiteral("op%1").arg(i, 3, 10, QLatin1Char('0'));
    ed->SetLang(0);
    ed->ShowWindow(names);
    get<QLineEdit>("LineText")->setText(QStringLiteral("last"));
    click("pbNew");
    QCOMPARE(rows().size(), 255);
    QVERIFY(MessageBox::shown().isEmpty());

    get<QLineEdit>("LineText")->setText(QStringLiteral("one too many"));
    click("pbNew");
    QCOMPARE(rows().size(), 255);
    QVERIFY(!rows().contains(QStringLiteral("one too many")));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().kind, MessageBox::Warning);
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Attention"));
    QVERIFY(MessageBox::shown().first().text.contains(QStringLiteral("255")));
}

QTEST_MAIN(TestOperatorsEditor)
#include "tst_operatorseditor.moc"
