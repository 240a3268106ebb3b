// The operators list editor window, and the settings dialog's operators page that shares its rules.
#include "app/messagebox.h"
#include "config/settings_common.h"
#include "windows/settings.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
QString u(const char* text)
{
    return QString::fromUtf8(text);
}
enum Part { Line, List, Add, Rename, Delete, Save, Cancel };
const char* const kEditor[] = {"LineText", "ListText", "pbNew", "pbChange", "pbDelete", "pbOk", "pbCancel"};
const char* const kPage[] = {"op_le_CurrentOperator", "op_lt_OperatorsList", "op_pb_NewOperator",
                             "op_pb_EditOperator", "op_pb_DeleteOperator", "pb_ok", "pb_cancel"};
QStringList question(int lang, const QString& english, const QString& russian)
{
    return lang == 1 ? QStringList({"question", u("Подтверждение"), russian, u("Да"), u("Нет")})
                     : QStringList({"question", "Confirmation", english, "Yes", "No"});
}
}

class TestOperatorsEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<settings> ed;
    std::unique_ptr<settings_common> dlg;
    bool onPage = false;

    QWidget* window() { return onPage ? static_cast<QWidget*>(dlg.get()) : ed.get(); }
    template <class T = QPushButton> T* get(Part part)
    {
        return window()->findChild<T*>(QString::fromLatin1((onPage ? kPage : kEditor)[part]));
    }
    QLineEdit* line() { return get<QLineEdit>(Line); }
    QStringList rows()
    {
        QStringList all;
        for (int i = 0; i < get<QListWidget>(List)->count(); ++i)
            all << get<QListWidget>(List)->item(i)->text();
        return all;
    }
    void clickRow(int row)
    {
        auto* list = get<QListWidget>(List);
        list->setCurrentRow(row);
        emit list->clicked(list->model()->index(row, 0));
    }
    void click(Part part) { get(part)->click(); }
    // Every box shown so far: kind, title, text, buttons.
    static QStringList boxes()
    {
        QStringList all;
        for (const MessageBox::Shown& b : MessageBox::shown())
            all << QStringList({b.kind == MessageBox::Question ? "question" : "warning", b.title, b.text}) + b.buttons;
        return all;
    }
    void open(bool page, const QStringList& names, int lang)
    {
        onPage = page;
        if (page) {
            dlg->SaveListOperators(names);
            dlg->SetLang(uchar(lang));
            dlg->show();
        } else {
            ed->SetLang(uchar(lang));
            ed->ShowWindow(names);
        }
    }

private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        ed.reset(new settings);
        dlg.reset(new settings_common);
        dlg->SetappDir(dir.path());
        dlg->LoadSettings();  // the first time writes a default file that passes the checks
    }
    // Centred on the given point at a fixed size; built Russian, any language byte but 1 gives English.
    void placedAndLabelled()
    {
        ed->ChangeGeometry(400, 300);
        QCOMPARE(ed->geometry(), QRect(317, 180, 167, 241));
        QVERIFY(ed->minimumSize() == QSize(167, 241) && ed->maximumSize() == QSize(167, 241));
        QStringList texts;
        for (int lang : {1, 5}) {
            ed->SetLang(uchar(lang));
            for (Part part : {Add, Rename, Delete, Cancel, Save})
                texts << get(part)->text();
        }
        QCOMPARE(texts, QStringList({u("Новый"), u("Изменить"), u("Удалить"), u("Отмена"), u("Сохранить"), "New",
                                     "Change", "Delete", "Cancel", "Ok"}));
    }

    // One edit on {"Anna", "Boris"} in either window: pick a row (or none), type, press a button,
    // answer any box; then save. A refused rename keeps the typed text and the row's buttons.
    void edit_data()
    {
        QTest::addColumn<bool>("page");
        QTest::addColumn<int>("lang");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("after");
        const int yes = MessageBox::Yes, no = MessageBox::No;
        const QStringList same{"Anna", "Boris"};
        for (bool page : {false, true}) {
            const auto add = [page](const char* name, int lang, int row, const char* typed, Part button, int answer,
                                    const QStringList& after) {
                QTest::addRow("%s: %s", page ? "page" : "editor", name)
                    << page << lang << row << QString::fromUtf8(typed) << int(button) << answer << after;
            };
            add("add new", 0, -1, "Oleg", Add, no, {"Anna", "Boris", "Oleg"});
            add("add duplicate", 1, -1, "Boris", Add, no, same);
            add("add other case", 0, -1, "boris", Add, no, {"Anna", "Boris", "boris"});
            add("add empty", 0, -1, "", Add, no, same);
            add("add trailing blank", 0, -1, "Boris ", Add, no, {"Anna", "Boris", "Boris "});
            add("rename yes", 0, 0, "Anya", Rename, yes, {"Anya", "Boris"});
            add("rename no", 1, 0, "Anya", Rename, no, same);
            add("rename box closed", 0, 0, "Anya", Rename, MessageBox::Closed, same);
            add("rename to duplicate", 0, 0, "Boris", Rename, yes, {"Boris", "Boris"});
            add("rename to empty", 1, 0, "", Rename, yes, {"", "Boris"});
            add("rename to same asks nothing", 0, 0, "Anna", Rename, yes, same);
            add("delete", 1, 1, "", Delete, yes, {"Anna"});
            // Only the editor keeps its list sorted.
            add("rename moves", 0, 0, "Zoya", Rename, yes, page ? QStringList{"Zoya", "Boris"} : QStringList{"Boris", "Zoya"});
        }
    }
    void edit()
    {
        QFETCH(bool, page);
        QFETCH(int, lang);
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(int, button);
        QFETCH(int, answer);
        QFETCH(QStringList, after);
        open(page, page ? QStringList{"Anna", "Boris"} : QStringList{"Boris", "Anna"}, lang);  // the editor sorts
        if (row >= 0)
            clickRow(row);
        if (button != Delete)
            line()->setText(typed);
        MessageBox::setNextAnswer(static_cast<MessageBox::Answer>(answer));
        click(Part(button));

        const bool sameText = button == Rename && typed == QLatin1String("Anna");
        const bool refused = button == Rename && answer != MessageBox::Yes && !sameText;
        if (button != Rename || sameText)
            QCOMPARE(boxes(), QStringList());
        else
            QCOMPARE(boxes(), question(lang, "Replace \"Anna\" with \"" + typed + "\"?",
                                     u("Заменить \"Anna\" на \"") + typed + "\"?"));
        QCOMPARE(rows(), after);
        QCOMPARE(line()->text(), refused ? typed : QString());
        QCOMPARE(get(Rename)->isEnabled(), refused);
        QCOMPARE(get(Delete)->isEnabled(), refused || sameText);

        // Saving keeps the list as shown; the editor asks, and saves, only after a change.
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        QStringList order;
        connect(ed.get(), &settings::SaveNewListOperators, this, [&](const QStringList& l) { order << "save:" + l.join(','); });
        connect(ed.get(), &settings::UpdateListOperators, this, [&](const QStringList& l) { order << "update:" + l.join(','); });
        click(Save);
        const bool changed = after != QStringList({"Anna", "Boris"});
        if (page) {
            QCOMPARE(SettingsStore::load(dir.path()).operators, after);
        } else if (changed) {
            QCOMPARE(boxes(), question(lang, "Save changes?", u("Сохранить изменения?")));
            QCOMPARE(order, QStringList({"save:" + after.join(','), "update:" + after.join(',')}));
        } else {
            QVERIFY(boxes().isEmpty() && order.isEmpty());
        }
        QVERIFY(!window()->isVisible());
    }

    // Only Ok with a list worth keeping, or Cancel, closes the editor; the window system cannot.
    void editorStaysOpenUntilOkOrCancel()
    {
        open(false, {"Anna"}, 1);
        QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
        clickRow(0);
        click(Delete);
        click(Save);
        QCOMPARE(boxes(), QStringList({"warning", u("Внимание"), u("Неправильно заполнен список  операторов."), u("Ок")}));
        line()->setText(QStringLiteral("Oleg"));
        click(Add);
        MessageBox::setNextAnswer(MessageBox::No);
        click(Save);  // declines to save
        QVERIFY(!ed->close());
        clickRow(0);
        QVERIFY(line()->text() == QLatin1String("Oleg") && get(Rename)->isEnabled() && get(Delete)->isEnabled());
        click(Cancel);
        QVERIFY(!ed->isVisible() && saved.isEmpty());
        // The next showing starts afresh and refuses a close again.
        ed->ShowWindow({"Anna"});
        QVERIFY(!ed->close());
        QCOMPARE(rows(), QStringList{"Anna"});
        QVERIFY(line()->text().isEmpty() && !get(Rename)->isEnabled() && !get(Delete)->isEnabled() && get(Add)->isEnabled());
        click(Save);
        QVERIFY(!ed->isVisible());
    }

    // The file keeps the count in one byte: both windows take a 255th name and refuse a 256th.
    void listKeeps255Names()
    {
        QStringList names;
        for (int i = 0; i < 254; ++i)
            names << QStringLiteral("op%1").arg(i, 3, 10, QLatin1Char('0'));
        for (bool page : {false, true}) {
            MessageBox::clearShown();
            open(page, names, 0);
            for (const char* name : {"last", "one too many"}) {
                line()->setText(QString::fromLatin1(name));
                click(Add);
            }
            QCOMPARE(rows().size(), 255);
            QVERIFY(rows().contains(QStringLiteral("last")));
            QCOMPARE(boxes(), QStringList({"warning", "Attention", "The list of operators is full: at most 255 names.", "Ok"}));
        }
    }
};

QTEST_MAIN(TestOperatorsEditor)
#include "tst_operatorseditor.moc"
