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
enum Part { Line, List, Add, Rename, Delete, Save, Cancel };
const char* const kEditor[] = {"LineText", "ListText", "pbNew",   "pbChange",
                               "pbDelete", "pbOk",     "pbCancel"};
const char* const kPage[] = {"op_le_CurrentOperator",
                             "op_lt_OperatorsList",
                             "op_pb_NewOperator",
                             "op_pb_EditOperator",
                             "op_pb_DeleteOperator",
                             "pb_ok",
                             "pb_cancel"};
// One edit on the list {"Anna", "Boris"}: pick a row (-1: none), type, press, answer any box.
struct Edit
{
    int lang, row;
    const char* typed;
    Part button;
    MessageBox::Answer answer;
    const char* after; // the rows afterwards, joined by commas
};
QStringList question(int lang, const QString& english, const QString& russian)
{
    return lang == 1 ? QStringList({"question", "Подтверждение", russian, "Да", "Нет"})
                     : QStringList({"question", "Confirmation", english, "Yes", "No"});
}
} // namespace
Q_DECLARE_METATYPE(Edit)

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
    void click(Part part) { get(part)->click(); }
    QString rows()
    {
        QStringList all;
        for (int i = 0; i < get<QListWidget>(List)->count(); ++i)
            all << get<QListWidget>(List)->item(i)->text();
        return all.join(',');
    }
    void clickRow(int row)
    {
        auto* list = get<QListWidget>(List);
        list->setCurrentRow(row);
        emit list->clicked(list->model()->index(row, 0));
    }
    static QStringList boxes() // kind, title, text, buttons of each box shown
    {
        QStringList all;
        for (const MessageBox::Shown& b : MessageBox::shown())
            all << QStringList(
                       {b.kind == MessageBox::Question ? "question" : "warning", b.title, b.text}) +
                       b.buttons;
        return all;
    }
    void open(bool page, const QStringList& names, int lang)
    {
        onPage = page;
        ed->SetLang(uchar(lang));
        dlg->SetLang(uchar(lang));
        if (page)
            dlg->SaveListOperators(names);
        else
            ed->ShowWindow(names);
        window()->show();
    }

  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
        ed.reset(new settings);
        dlg.reset(new settings_common);
        dlg->SetappDir(dir.path());
        dlg->LoadSettings(); // the first time writes a default file that passes the checks
    }

    // Centred on the given point at a fixed size; built Russian, any language byte but 1 gives
    // English.
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
        QCOMPARE(texts, QStringList({"Новый", "Изменить", "Удалить", "Отмена", "Сохранить", "New",
                                     "Change", "Delete", "Cancel", "Ok"}));
    }

    // Either window, then its save button: a refused rename keeps the text and the row's buttons;
    // the editor asks before saving, and saves, only after a change.
    void edit_data()
    {
        QTest::addColumn<bool>("page");
        QTest::addColumn<Edit>("e");
        const MessageBox::Answer yes = MessageBox::Yes, no = MessageBox::No;
        for (bool page : {false, true}) {
            const auto add = [page](const char* name, const Edit& e) {
                QTest::addRow("%s: %s", page ? "page" : "editor", name) << page << e;
            };
            add("add new", {0, -1, "Oleg", Add, no, "Anna,Boris,Oleg"});
            add("add duplicate", {1, -1, "Boris", Add, no, "Anna,Boris"});
            add("add other case", {0, -1, "boris", Add, no, "Anna,Boris,boris"});
            add("add empty", {0, -1, "", Add, no, "Anna,Boris"});
            add("add trailing blank", {0, -1, "Boris ", Add, no, "Anna,Boris,Boris "});
            add("rename yes", {0, 0, "Anya", Rename, yes, "Anya,Boris"});
            add("rename no", {1, 0, "Anya", Rename, no, "Anna,Boris"});
            add("rename box closed", {0, 0, "Anya", Rename, MessageBox::Closed, "Anna,Boris"});
            add("rename to duplicate", {0, 0, "Boris", Rename, yes, "Boris,Boris"});
            add("rename to empty", {1, 0, "", Rename, yes, ",Boris"});
            add("rename to same asks nothing", {0, 0, "Anna", Rename, yes, "Anna,Boris"});
            add("delete", {1, 1, "", Delete, yes, "Anna"});
            add("rename moves", {0, 0, "Zoya", Rename, yes,
                                 page ? "Zoya,Boris" : "Boris,Zoya"}); // the editor sorts
        }
    }
    void edit()
    {
        QFETCH(bool, page);
        QFETCH(Edit, e);
        const QString typed = QString::fromUtf8(e.typed), after = QString::fromUtf8(e.after);
        open(page, page ? QStringList{"Anna", "Boris"} : QStringList{"Boris", "Anna"}, e.lang);
        if (e.row >= 0)
            clickRow(e.row);
        if (e.button != Delete)
            line()->setText(typed);
        MessageBox::setNextAnswer(e.answer);
        click(e.button);

        const bool sameText = e.button == Rename && typed == QLatin1String("Anna");
        const bool refused = e.button == Rename && e.answer != MessageBox::Yes && !sameText;
        QCOMPARE(boxes(), e.button != Rename || sameText
                              ? QStringList()
                              : question(e.lang, "Replace \"Anna\" with \"" + typed + "\"?",
                                         "Заменить \"Anna\" на \"" + typed + "\"?"));
        QCOMPARE(rows(), after);
        QCOMPARE(line()->text(), refused ? typed : QString());
        QCOMPARE(get(Rename)->isEnabled(), refused);
        QCOMPARE(get(Delete)->isEnabled(), refused || sameText);

        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        QSignalSpy saved(ed.get(), &settings::SaveNewListOperators);
        click(Save);
        const bool asks = !page && after != QLatin1String("Anna,Boris");
        QCOMPARE(boxes(),
                 asks ? question(e.lang, "Save changes?", "Сохранить изменения?") : QStringList());
        const QStringList kept = page              ? SettingsStore::load(dir.path()).operators
                                 : saved.isEmpty() ? QStringList{"unsaved"}
                                                   : saved.first().first().toStringList();
        QCOMPARE(kept.join(','), page || asks ? after : "unsaved");
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
        QCOMPARE(boxes(), QStringList({"warning", "Внимание",
                                       "Неправильно заполнен список  операторов.", "Ок"}));
        line()->setText(QStringLiteral("Oleg"));
        click(Add);
        MessageBox::setNextAnswer(MessageBox::No);
        click(Save); // declines to save
        QVERIFY(!ed->close() && ed->isVisible());
        clickRow(0);
        QVERIFY(line()->text() == QLatin1String("Oleg") && get(Rename)->isEnabled() &&
                get(Delete)->isEnabled());
        click(Cancel);
        QVERIFY(!ed->isVisible() && saved.isEmpty());
        ed->ShowWindow({"Anna"}); // every showing starts afresh
        QCOMPARE(rows(), QStringLiteral("Anna"));
        QVERIFY(line()->text().isEmpty() && !get(Rename)->isEnabled() && !get(Delete)->isEnabled());
    }

    // The file keeps the count in one byte: both windows take a 255th name and refuse a 256th.
    void listKeeps255Names()
    {
        QStringList names;
        for (int i = 0; i < 254; ++i)
            names << QStringLiteral("a%1").arg(i, 3, 10, QLatin1Char('0'));
        for (bool page : {false, true}) {
            MessageBox::clearShown();
            open(page, names, 0);
            for (const char* name : {"last", "one too many"}) {
                line()->setText(QString::fromLatin1(name));
                click(Add);
            }
            QCOMPARE(rows(), names.join(',') + ",last");
            QCOMPARE(boxes(),
                     QStringList({"warning", "Attention",
                                  "The list of operators is full: at most 255 names.", "Ok"}));
        }
    }
};

QTEST_MAIN(TestOperatorsEditor)
#include "tst_operatorseditor.moc"
