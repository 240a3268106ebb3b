// The report editor and viewer on report folders as production leaves them.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <QtTest>

#include "app/messagebox.h"
#include "report/history.h"
#include "report/reportunit.h"
#include "reportfolder.h"
#include "unitsandbox.h"
#include "windows/editreport.h"
#include "windows/reasondialog.h"

namespace {

const char kPremade[] =
    "<html><body><h1>Отчет</h1>\n<p>Name: $TypeProbe</p><p>Code: $ProbeID</p>\n"
    "<p>Patient: $PatientID</p><p>Again $PatientID</p>\n<p>$Conclusion</p></body></html>\n";

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// The premade text filled with plain values (no HTML specials).
QString expectedPage(const QString& name, const QString& id, const QString& patient,
                     const QString& conclusion)
{
    return u(kPremade)
        .replace(QLatin1String("$TypeProbe"), name)
        .replace(QLatin1String("$ProbeID"), id)
        .replace(QLatin1String("$PatientID"), patient)
        .replace(QLatin1String("$Conclusion"), conclusion);
}

} // namespace

class TestEditReport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    TextPagePrinter m_printer;
    std::unique_ptr<ReportUnit> m_unit;

    ReportUnit& unit()
    {
        if (!m_unit)
            m_unit = std::make_unique<ReportUnit>(m_tmp.path(), &m_printer);
        return *m_unit;
    }
    // The text of a report's current PDF.
    QString pdfOf(const QString& folder)
    {
        return pdfTitle(unit().pdfPath(QFileInfo(folder).fileName()));
    }

    QString report(const QString& name, const QString& code, bool premade = true)
    {
        ReportFolder r;
        r.reportsDir = m_tmp.filePath(QStringLiteral("reports"));
        r.name = name;
        r.code = code;
        r.analysisPath = m_tmp.path();
        r.premade = premade ? u(kPremade) : QString();
        return r.write();
    }
    static QString page(const QString& folder, const QString& code)
    {
        return folder + '/' + code + "_report.html";
    }
    static QString stored(const QString& folder, const char* key)
    {
        return QSettings(folder + "/report.ini", QSettings::IniFormat)
            .value(QLatin1String("ReportData/") + key, "<absent>")
            .toString();
    }
    // Name, code, patient and conclusion as printed.
    static QStringList printed(const QString& folder)
    {
        return {stored(folder, "ProbeNamePrint"), stored(folder, "ProbeIDPrint"),
                stored(folder, "PatientPrint"), stored(folder, "ConclusionPrint")};
    }
    template <typename T = QPushButton> static T* child(editReport& w, const char* name)
    {
        T* c = w.findChild<T*>(QLatin1String(name));
        if (!c)
            qFatal("missing child %s", name);
        return c;
    }
    static QLineEdit* edit(editReport& w, const char* name) { return child<QLineEdit>(w, name); }
    static QPlainTextEdit* conclusion(editReport& w)
    {
        return child<QPlainTextEdit>(w, "plainTextEdit");
    }
    static void click(editReport& w, const char* name)
    {
        QTest::mouseClick(child(w, name), Qt::LeftButton);
    }

  private slots:
    void initTestCase() { MessageBox::setAutoAnswer(true); }
    void init()
    {
        MessageBox::clearShown();
        // The reports here are released: each Apply that changes something gives a reason,
        // unless a test says otherwise.
        ReasonDialog::clearNextReasons();
        for (int i = 0; i < 20; ++i)
            ReasonDialog::setNextReason(QStringLiteral("Checked again"));
    }

    void texts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<QString>("english");
        QTest::newRow("label") << "label" << u("Заключение") << "Conclusion";
        QTest::newRow("label_6") << "label_6" << u("Изменить")
                                 << u("Изменить"); // has no English text
        QTest::newRow("pbDefault") << "pbDefault" << u("По умолчанию") << "Default";
        QTest::newRow("pb_Exit") << "pb_Exit" << u("Выход") << "Exit";
    }
    void texts()
    {
        QFETCH(QString, name);
        QFETCH(QString, russian);
        QFETCH(QString, english);
        editReport w;
        w.setReportUnit(&unit());
        QWidget* c = child<QWidget>(w, qPrintable(name));
        const auto text = [c] {
            auto* l = qobject_cast<QLabel*>(c);
            return l ? l->text() : qobject_cast<QPushButton*>(c)->text();
        };
        QCOMPARE(text(), russian);
        w.SetLang(0);
        QCOMPARE(text(), english);
        QCOMPARE(w.windowTitle(), u("Просмотр отчета"));
    }

    // Viewing hides every editing control and gives the page more room; editing shows them,
    // each toggle switching its row from the old field to the new one.
    void viewThenEdit()
    {
        const QString folder = report("V.D", "V7");
        const QStringList editControls =
            QStringLiteral("cb_NewProbeName cb_NewProbeID cb_NewPatient pb_CopyProbeName "
                           "pb_CopyProbeID pb_CopyPatient label label_2 label_3 label_4 "
                           "label_5 label_6 label_7 label_8 leProbeNameNew leProbeCodeNew "
                           "lePatientNew leProbeNameOld leProbeCodeOld lePatientOld "
                           "pb_Apply pbDefault line plainTextEdit")
                .split(' ');
        editReport w;
        w.setReportUnit(&unit());
        QWebSettings* web = child<QWebView>(w, "webView")->settings();
        QVERIFY(!web->testAttribute(QWebSettings::JavascriptEnabled) &&
                !web->testAttribute(QWebSettings::PluginsEnabled));
        w.ShowWindow(folder, false);
        auto* view = child<QWebView>(w, "webView");
        QCOMPARE(view->page()->mainFrame()->requestedUrl(),
                 QUrl::fromLocalFile(page(folder, "V7")));
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 741));
        QCOMPARE(child(w, "pb_Exit")->geometry(), QRect(850, 755, 101, 31));
        for (const QString& name : editControls)
            QVERIFY2(child<QWidget>(w, qPrintable(name))->isHidden(), qPrintable(name));

        w.ShowWindow(folder, true);
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 601));
        for (const QString& name : editControls)
            QVERIFY2(child<QWidget>(w, qPrintable(name))->isVisible(), qPrintable(name));
        QCOMPARE(QStringList({edit(w, "leProbeNameOld")->text(), edit(w, "leProbeCodeOld")->text(),
                              edit(w, "lePatientOld")->text()}),
                 QStringList({u("в крови"), "V7", u("Иванов И.И.")}));
        QCOMPARE(conclusion(w)->document()->blockCount(), 2);
        for (const auto& row : {std::pair{"cb_NewProbeName", "ProbeName"},
                                {"cb_NewProbeID", "ProbeCode"},
                                {"cb_NewPatient", "Patient"}}) {
            QLineEdit* o = edit(w, qPrintable(QStringLiteral("le%1Old").arg(row.second)));
            QLineEdit* n = edit(w, qPrintable(QStringLiteral("le%1New").arg(row.second)));
            click(w, row.first);
            QVERIFY(!o->isEnabled() && n->isEnabled());
            n->setText(QStringLiteral("typed"));
        }
        conclusion(w)->setPlainText(QStringLiteral("unsaved"));
        w.close();

        // Reopening discards what was not applied.
        w.ShowWindow(folder, true);
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            QVERIFY(!child(w, t)->isChecked());
        for (const char* n : {"leProbeNameNew", "leProbeCodeNew", "lePatientNew"})
            QVERIFY(edit(w, n)->text().isEmpty() && !edit(w, n)->isEnabled());
        QCOMPARE(conclusion(w)->toPlainText(), QStringLiteral("first line\nsecond line"));
    }

    // Each Apply rewrites the page from the premade text, not from the previous result;
    // Default puts the produced values back without asking.
    void applyTwiceThenDefault()
    {
        const QString folder = report("B.D", "B1");
        editReport w;
        w.setReportUnit(&unit());
        w.ShowWindow(folder, true);
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            click(w, t);
        for (const QStringList& v : {QStringList{"Urine", "U-1", "Petrov", "first"},
                                     {"Blood", "B-2", "Sidorov", "alpha\nbeta"}}) {
            edit(w, "leProbeNameNew")->setText(v.at(0));
            edit(w, "leProbeCodeNew")->setText(v.at(1));
            edit(w, "lePatientNew")->setText(v.at(2));
            conclusion(w)->setPlainText(v.at(3));
            click(w, "pb_Apply");
        }
        QCOMPARE(readUtf8(page(folder, "B1")),
                 expectedPage("Blood", "B-2", "Sidorov", "alpha<br>beta"));
        QCOMPARE(printed(folder), QStringList({"Blood", "B-2", "Sidorov", "alpha<br>beta"}));
        QVERIFY(pdfOf(folder).contains(QStringLiteral("Patient: Sidorov")));

        click(w, "pbDefault");
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!child(w, "cb_NewPatient")->isChecked() && !edit(w, "lePatientNew")->isEnabled());
        QCOMPARE(printed(folder),
                 QStringList({u("в крови"), "B1", u("Иванов И.И."), "first line<br>second line"}));
        QCOMPARE(readUtf8(page(folder, "B1")),
                 expectedPage(u("в крови"), "B1", u("Иванов И.И."), "first line<br>second line"));
        QVERIFY(pdfOf(folder).contains(u("Patient: Иванов И.И.")));
    }

    // Each printed value that Apply or Default changes gets one history entry with the old
    // and the new value; a value left as it was gets none.
    void changes_areRecordedInTheHistory_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("entries"); // field|old|new
        QTest::newRow("two values")
            << "pb_Apply"
            << QStringList{u("ProbeNamePrint|в крови|Urine"), u("PatientPrint|Иванов И.И.|Petrov")};
        QTest::newRow("same value typed") << "pb_Apply" << QStringList();
        QTest::newRow("default") << "pbDefault"
                                 << QStringList{"ProbeIDPrint|X-9|H1",
                                                "ConclusionPrint|edited|first line<br>second line"};
    }
    void changes_areRecordedInTheHistory()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, entries);
        const QString folder = report(QString::fromLatin1(QTest::currentDataTag()) + ".D", "H1");
        QSettings(folder + "/report.ini", QSettings::IniFormat)
            .setValue("ReportData/ProbeIDPrint", "X-9");
        QSettings(folder + "/report.ini", QSettings::IniFormat)
            .setValue("ReportData/ConclusionPrint", "edited");
        editReport w;
        w.setReportUnit(&unit());
        w.setOperator(u("Анна"));
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        click(w, "pb_CopyPatient");
        if (!entries.isEmpty() && button == "pb_Apply") {
            click(w, "cb_NewProbeName");
            edit(w, "leProbeNameNew")->setText("Urine");
            edit(w, "lePatientNew")->setText("Petrov");
        }
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        click(w, qPrintable(button));
        QStringList recorded;
        for (const History::Entry& e : History::read(folder + "/history.txt")) {
            QVERIFY(e.when >= before && e.when <= QDateTime::currentDateTime().addSecs(1));
            QCOMPARE(e.operatorName, u("Анна"));
            recorded << QString(e.field + '|' + e.oldValue + '|' + e.newValue);
        }
        QCOMPARE(recorded, entries);
    }

    // A released report is never overwritten: Apply and Default ask why, Cancel writes
    // nothing, and each amendment keeps the PDF it replaces byte for byte and says so on the new
    // page and in the history.
    void amendment_keepsEveryVersion_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Apply") << "pb_Apply";
        QTest::newRow("Default") << "pbDefault";
    }
    void amendment_keepsEveryVersion()
    {
        QFETCH(QString, button);
        const QString folder = report(QString::fromLatin1(QTest::currentDataTag()) + "A.D", "A1");
        QSettings(folder + "/report.ini", QSettings::IniFormat)
            .setValue("ReportData/PatientPrint", "Ivanof");
        QFile premade(folder + "/A1_report_premade.html");
        QVERIFY(premade.open(QIODevice::Append) && premade.write("<p>$Amendment</p>") > 0);
        premade.close();
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(0);
        w.ShowWindow(folder, true);
        const QString pdf = unit().pdfPath(QFileInfo(folder).fileName());
        const QByteArray first = readUtf8(pdf).toUtf8();
        const auto amend = [&](const QString& patient) {
            if (button == "pb_Apply") {
                if (!child(w, "cb_NewPatient")->isChecked())
                    click(w, "cb_NewPatient");
                edit(w, "lePatientNew")->setText(patient);
            }
            click(w, qPrintable(button));
        };
        ReasonDialog::clearNextReasons();
        ReasonDialog::setNextReason(QString()); // Cancel
        const QByteArray record = readUtf8(folder + "/report.ini").toUtf8();
        const int asked = ReasonDialog::askedCount();
        amend("Ivanov");
        QCOMPARE(ReasonDialog::askedCount(), asked + 1);
        QCOMPARE(readUtf8(folder + "/report.ini").toUtf8(), record);
        QCOMPARE(readUtf8(pdf).toUtf8(), first);
        QVERIFY(!QFile::exists(folder + "/history.txt"));

        ReasonDialog::setNextReason(QStringLiteral("Typo in the patient name"));
        amend("Ivanov");
        QVERIFY2(pdfOf(folder).contains("Amended report, version 2. Replaces the report of ") &&
                     pdfOf(folder).contains("Reason: Typo in the patient name"),
                 qPrintable(pdfOf(folder)));
        QVERIFY(readUtf8(page(folder, "A1")).contains("Reason: Typo in the patient name"));
        const QList<History::Entry> history = History::read(folder + "/history.txt");
        QVERIFY(!history.isEmpty() && history.last().reason == "Typo in the patient name" &&
                history.last().reportVersion == 2);

        ReasonDialog::setNextReason(QStringLiteral("Second look"));
        conclusion(w)->setPlainText(QStringLiteral("Changed once more"));
        click(w, "pb_Apply");
        QVERIFY(pdfOf(folder).contains("Amended report, version 3"));
        const QStringList kept = QDir(folder + "/versions").entryList(QDir::Files, QDir::Name);
        QCOMPARE(kept.size(), 2);
        QVERIFY(kept[0].startsWith("v1_") && kept[1].startsWith("v2_"));
        QCOMPARE(readUtf8(folder + "/versions/" + kept[0]).toUtf8(), first);
        QCOMPARE(ReportRecord::readVersion(folder + "/report.ini"), 3);
    }

    // Another workstation corrects the patient while this editor is open; an Apply here that
    // changes only the conclusion must not put the old patient back: it is refused, names the
    // field and who changed it, writes nothing and shows what is stored now.
    void lostUpdate_isRefusedAndReloaded()
    {
        const QString folder = report("LU.D", "LU1");
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(0);
        w.ShowWindow(folder, true);
        ReportUnit::Change other;
        other.reportFolder = folder;
        other.shown = ReportRecord::readPrint(folder + "/report.ini");
        other.values = other.shown;
        other.values.patient = QStringLiteral("Right Patient");
        other.operatorName = QStringLiteral("Workstation B");
        QVERIFY(unit().apply(other).ok());
        const QByteArray record = readUtf8(folder + "/report.ini").toUtf8();

        conclusion(w)->setPlainText(QStringLiteral("Only the conclusion"));
        click(w, "pb_Apply");
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString text = MessageBox::shown()[0].text;
        QVERIFY2(text.contains("patient name") && text.contains("Workstation B") &&
                     text.contains("Nothing was saved"),
                 qPrintable(text));
        QCOMPARE(readUtf8(folder + "/report.ini").toUtf8(), record);
        QCOMPARE(edit(w, "lePatientOld")->text(), QStringLiteral("Right Patient"));
    }

    // A copied value counts only once its toggle is checked; checked and empty stores empty,
    // for the code and the patient only after a question that names the field.
    void copyCountsOnlyWhenChecked_data()
    {
        QTest::addColumn<QString>("row"); // ProbeName, ProbeCode or Patient
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("question");
        QTest::newRow("name") << "ProbeName"
                              << "ProbeNamePrint" << QString();
        QTest::newRow("code") << "ProbeID"
                              << "ProbeIDPrint"
                              << "The analysis code would be printed empty. Apply anyway?";
        QTest::newRow("patient") << "Patient"
                                 << "PatientPrint"
                                 << "The patient name would be printed empty. Apply anyway?";
    }
    void copyCountsOnlyWhenChecked()
    {
        QFETCH(QString, row);
        QFETCH(QString, key);
        QFETCH(QString, question);
        const QString field = row == "ProbeID" ? QStringLiteral("ProbeCode") : row;
        const QString folder = report("C.D", "C1");
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(0);
        w.ShowWindow(folder, true);
        auto* n = edit(w, qPrintable("le" + field + "New"));
        const QString oldText = edit(w, qPrintable("le" + field + "Old"))->text();
        click(w, qPrintable("pb_Copy" + row));
        QCOMPARE(n->text(), oldText);
        n->setText(QStringLiteral("edited copy"));
        click(w, "pb_Apply");
        QCOMPARE(stored(folder, qPrintable(key)), oldText);

        click(w, qPrintable("cb_New" + row));
        click(w, "pb_Apply");
        QCOMPARE(stored(folder, qPrintable(key)), QStringLiteral("edited copy"));
        n->setText(QStringLiteral("  "));
        click(w, "pb_Apply"); // No
        QCOMPARE(stored(folder, qPrintable(key)),
                 question.isEmpty() ? QStringLiteral("  ") : QStringLiteral("edited copy"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        n->clear();
        click(w, "pb_Apply");
        QCOMPARE(stored(folder, qPrintable(key)), QString());
        QCOMPARE(MessageBox::shown().size(), question.isEmpty() ? 0 : 2);
        QVERIFY(question.isEmpty() || MessageBox::shown().last().text == question);
        QVERIFY(!readUtf8(page(folder, "C1")).contains(QLatin1Char('$')));
    }

    // What a widget cannot hold must not be changed on the way: long texts, non-breaking
    // spaces, text that only looks like a line break.
    void untouchedValuesSurviveApplyAndDefault()
    {
        const QString folder = report("L.D", "L1");
        const QString patient = QString(40000, QLatin1Char('p')) + u("\u00A0end");
        const QString text = u("a\u00A0b<br>c  d\u00A0");
        {
            QSettings ini(folder + "/report.ini", QSettings::IniFormat);
            for (const char* key : {"PatientPrint", "PatientDefault"})
                ini.setValue(QLatin1String("ReportData/") + key, patient);
            for (const char* key : {"ConclusionPrint", "ConclusionDefault"})
                ini.setValue(QLatin1String("ReportData/") + key, text);
        }
        editReport w;
        w.setReportUnit(&unit());
        w.ShowWindow(folder, true);
        click(w, "pb_Apply");
        QCOMPARE(stored(folder, "PatientPrint"), patient);
        QCOMPARE(stored(folder, "ConclusionPrint"), text);
        click(w, "pbDefault");
        QCOMPARE(stored(folder, "PatientPrint"), patient);
        QCOMPARE(stored(folder, "ConclusionPrint"), text);
        // Typed into the editor, they survive as well.
        click(w, "cb_NewPatient");
        click(w, "pb_CopyPatient");
        conclusion(w)->setPlainText(u("x\u00A0y"));
        click(w, "pb_Apply");
        QCOMPARE(stored(folder, "PatientPrint"), patient);
        QCOMPARE(stored(folder, "ConclusionPrint"), u("x\u00A0y"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // A record that is damaged, unreadable or missing is never written: Apply and Default
    // refuse with one message and no report.ini appears where there was none.
    void unusableRecord_isRefused_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: a folder in the way; "-": no file
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged") << QByteArray("[ReportData]\nPatientPrint=x\n[Broken\nkeep\n")
                                 << "damaged";
        QTest::newRow("unreadable") << QByteArray() << "directory";
        QTest::newRow("missing") << QByteArray("-") << "No such file";
    }
    void unusableRecord_isRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString folder = report(QString::fromLatin1(QTest::currentDataTag()) + ".D", "X1");
        const QString ini = folder + "/report.ini";
        QVERIFY(QFile::remove(ini));
        if (content.isEmpty()) {
            QVERIFY(QDir().mkpath(ini));
        } else if (content != "-") {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(0);
        const QString pdfBefore = pdfOf(folder);
        w.ShowWindow(folder, true);
        for (const char* action : {"pb_Apply", "pbDefault"}) {
            MessageBox::clearShown();
            click(w, action);
            QCOMPARE(MessageBox::shown().size(), 1);
            QVERIFY2(MessageBox::shown()[0].text.contains(reason),
                     qPrintable(MessageBox::shown()[0].text));
            QVERIFY(MessageBox::shown()[0].text.contains(QStringLiteral("Nothing was saved.")));
        }
        QCOMPARE(pdfOf(folder), pdfBefore);
        QCOMPARE(readUtf8(page(folder, "X1")), QStringLiteral("ORIGINAL PAGE"));
        if (content == "-")
            QVERIFY(!QFile::exists(ini));
        else if (!content.isEmpty())
            QCOMPARE(readUtf8(ini).toUtf8(), content);
    }

    // This report's premade page is unusable while an earlier one's was fine: nothing is
    // stored, since a correction must never stand in report.ini without its page and PDF.
    void unreadablePremade_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<uchar>("lang");
        QTest::newRow("missing, russian") << 0 << uchar(1);
        QTest::newRow("directory, english") << 1 << uchar(0);
    }
    void unreadablePremade()
    {
        QFETCH(int, kind);
        QFETCH(uchar, lang);
        const QString good = report("G.D", "G1");
        const QString bad = report(QStringLiteral("U%1.D").arg(kind), "U1", false);
        if (kind == 1)
            QVERIFY(QDir().mkpath(bad + "/U1_report_premade.html"));
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(lang);
        const QString pdfBefore = pdfOf(bad);
        w.ShowWindow(good, true);
        w.ShowWindow(bad, true);
        QVERIFY(!w.hasPremade() && w.premadeText().isEmpty());
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("Kept"));
        click(w, "pb_Apply");

        QCOMPARE(stored(bad, "PatientPrint"), u("Иванов И.И."));
        QCOMPARE(readUtf8(page(bad, "U1")), QStringLiteral("ORIGINAL PAGE"));
        QCOMPARE(pdfOf(bad), pdfBefore);
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(QStringList({box.title}) + box.buttons,
                 lang == 0 ? QStringList({"Attention", "Ok"})
                           : QStringList({u("Внимание"), u("Ок")}));
        QVERIFY2(box.text.contains(lang == 0 ? QStringLiteral("Nothing was saved.")
                                             : u("Ничего не сохранено.")),
                 qPrintable(box.text));
    }

    // The pencil takes the keyboard to its new field, its text selected; switched off, the pencil
    // has the focus again.
    void pencil_movesTheFocus()
    {
        editReport w;
        w.setReportUnit(&unit());
        w.ShowWindow(report("F.D", "F1"), true);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        click(w, "pb_CopyProbeName");
        click(w, "cb_NewProbeName");
        QCOMPARE(QApplication::focusWidget(), edit(w, "leProbeNameNew"));
        QCOMPARE(edit(w, "leProbeNameNew")->selectedText(), u("в крови"));
        click(w, "cb_NewProbeName");
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(w, "cb_NewProbeName"));
    }

    // What is typed after a click on the pencil, spaces and all, is the new value. Exit, Esc and
    // the window's close button ask about changes not applied: Yes applies and closes, No closes,
    // Cancel stays; an Apply refused keeps the window open. The viewer just closes.
    void closing_asksAboutChangesNotApplied_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::addColumn<QString>("typed");   // after a click on the patient's pencil, or copy
        QTest::addColumn<QString>("how");     // pb_Exit, Esc or close
        QTest::addColumn<QString>("answers"); // Y, N, C in turn
        QTest::addColumn<QString>("patient"); // stored afterwards
        const QString before = u("Иванов И.И.");
        const auto row = [&](const char* name, bool editing, const QString& typed, const char* how,
                             const char* answers, const QString& patient) {
            QTest::newRow(name) << editing << typed << QString(how) << QString(answers) << patient;
        };
        row("viewer, Esc", false, "", "Esc", "", before);
        row("unchanged, Exit", true, "", "pb_Exit", "", before);
        row("copied, Exit", true, "copy", "pb_Exit", "", before); // the same value again
        row("yes, Exit", true, "Focus Test Name", "pb_Exit", "Y", "Focus Test Name");
        row("no, close button", true, "Petrov", "close", "N", before);
        row("cancel, Esc", true, "Petrov", "Esc", "C", before);
        row("yes, empty refused", true, " ", "pb_Exit", "YN", before);
    }
    void closing_asksAboutChangesNotApplied()
    {
        QFETCH(bool, editing);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, answers);
        const QString folder = report("X.D", "X1");
        editReport w;
        w.setReportUnit(&unit());
        w.SetLang(0);
        w.ShowWindow(folder, editing);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (!typed.isEmpty()) {
            click(w, "cb_NewPatient");
            if (typed == "copy")
                click(w, "pb_CopyPatient");
            else
                QTest::keyClicks(QApplication::focusWidget(), typed);
        }
        for (const QChar a : answers)
            MessageBox::setNextAnswer(a == 'Y'   ? MessageBox::Yes
                                      : a == 'N' ? MessageBox::No
                                                 : MessageBox::Cancel);
        if (how == "Esc")
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else if (how == "close")
            w.close();
        else
            click(w, "pb_Exit");
        QCOMPARE(w.isVisible(), answers.contains('C') || answers.contains("YN"));
        QTEST(stored(folder, "PatientPrint"), "patient");
        QCOMPARE(MessageBox::shown().size(), answers.size());
        for (const MessageBox::Shown& q : MessageBox::shown().mid(0, 1))
            QCOMPARE(
                q.title + '|' + q.text + '|' + q.buttons.join('|'),
                QStringLiteral("Confirmation|Apply the changes before closing?|Yes|No|Cancel"));
    }

    void applyReloadsView()
    {
        const QString folder = report("W.D", "W1");
        editReport w;
        w.setReportUnit(&unit());
        auto* view = child<QWebView>(w, "webView");
        QSignalSpy loaded(view, &QWebView::loadFinished);
        w.ShowWindow(folder, true);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() >= 1, 20000);
        QCOMPARE(view->page()->mainFrame()->toPlainText(), QStringLiteral("ORIGINAL PAGE"));
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("Reloaded Patient"));
        const int before = loaded.count();
        click(w, "pb_Apply");
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > before, 20000);
        QVERIFY(
            view->page()->mainFrame()->toPlainText().contains(QLatin1String("Reloaded Patient")));
    }
};

QTEST_MAIN(TestEditReport)
#include "tst_editreport.moc"
