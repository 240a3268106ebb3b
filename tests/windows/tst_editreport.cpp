#include "editreport_fixture.h"

#include <QImage>
#include <QWebSettings>

class tst_EditReport : public EditReportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void init() { MessageBox::clearShown(); }

    void texts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<QString>("english");
        QTest::newRow("label") << "label" << u("Заключение") << "Conclusion";
        QTest::newRow("label_6") << "label_6" << u("Изменить") << u("Изменить"); // has no English text
        QTest::newRow("pbDefault") << "pbDefault" << u("По умолчанию") << "Default";
        QTest::newRow("pb_Exit") << "pb_Exit" << u("Выход") << "Exit";
    }
    void texts()
    {
        QFETCH(QString, name);
        QFETCH(QString, russian);
        QFETCH(QString, english);
        editReport w;
        QWidget* c = child<QWidget>(w, name);
        const auto text = [c] {
            auto* l = qobject_cast<QLabel*>(c);
            return l ? l->text() : qobject_cast<QPushButton*>(c)->text();
        };
        QCOMPARE(text(), russian);
        w.SetLang(1);
        QCOMPARE(text(), russian);
        w.SetLang(0);
        QCOMPARE(text(), english);
        QCOMPARE(w.windowTitle(), u("Просмотр отчета"));
    }

    void windowIsSafeAndStartsLocked()
    {
        editReport w;
        // Report pages are local documents; nothing in them may run.
        QWebSettings* web = child<QWebView>(w, QStringLiteral("webView"))->settings();
        QVERIFY(!web->testAttribute(QWebSettings::JavascriptEnabled) && !web->testAttribute(QWebSettings::PluginsEnabled));
        for (const char* old : {"leProbeNameOld", "leProbeCodeOld", "lePatientOld"})
            QVERIFY(edit(w, old)->isReadOnly() && edit(w, old)->isEnabled());
        for (const char* fresh : {"leProbeNameNew", "leProbeCodeNew", "lePatientNew"})
            QVERIFY(!edit(w, fresh)->isEnabled());
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            QVERIFY(child(w, t)->isCheckable() && !child(w, t)->isChecked());
        w.SetPosition(1000, 600);
        QCOMPARE(w.geometry(), QRect(521, 205, 958, 791));
        QCOMPARE(w.minimumSize(), w.maximumSize());
    }

    void loadIcons()
    {
        editReport w;
        const QString app = m_tmp.path() + QLatin1String("/app");
        QDir().mkpath(app + QLatin1String("/icons"));
        w.LoadIcons(app); // no images yet
        QVERIFY(child(w, "pb_CopyPatient")->icon().isNull());
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(app + QLatin1String("/icons/copy_value.png")));
        w.LoadIcons(app);
        for (const char* c : {"pb_CopyProbeName", "pb_CopyProbeID", "pb_CopyPatient"})
            QVERIFY(!child(w, c)->icon().isNull());
        QVERIFY(child(w, "cb_NewPatient")->icon().isNull());
    }

    void toggles_data()
    {
        QTest::addColumn<QString>("toggle");
        QTest::addColumn<QString>("oldField");
        QTest::addColumn<QString>("newField");
        QTest::newRow("name") << "cb_NewProbeName" << "leProbeNameOld" << "leProbeNameNew";
        QTest::newRow("code") << "cb_NewProbeID" << "leProbeCodeOld" << "leProbeCodeNew";
        QTest::newRow("patient") << "cb_NewPatient" << "lePatientOld" << "lePatientNew";
    }
    void toggles()
    {
        QFETCH(QString, toggle);
        QFETCH(QString, oldField);
        QFETCH(QString, newField);
        editReport w;
        w.ShowWindow(makeReport(QStringLiteral("T.D"), QStringLiteral("T1")), true);
        auto* o = child<QLineEdit>(w, oldField);
        auto* n = child<QLineEdit>(w, newField);
        click(w, toggle);
        QVERIFY(child(w, toggle)->isChecked() && !o->isEnabled() && n->isEnabled());
        click(w, toggle);
        QVERIFY(o->isEnabled() && !n->isEnabled());
    }

    // Viewing hides every editing control and gives the page more room; editing shows them.
    void viewThenEdit()
    {
        const QString folder = makeReport(QStringLiteral("V.D"), QStringLiteral("V7"));
        const QStringList editControls = QStringLiteral("cb_NewProbeName cb_NewProbeID cb_NewPatient pb_CopyProbeName "
                                                        "pb_CopyProbeID pb_CopyPatient label label_2 label_3 label_4 "
                                                        "label_5 label_6 label_7 label_8 leProbeNameNew leProbeCodeNew "
                                                        "lePatientNew leProbeNameOld leProbeCodeOld lePatientOld "
                                                        "pb_Apply pbDefault line plainTextEdit")
                                             .split(QLatin1Char(' '));
        editReport w;
        w.ShowWindow(folder, false);
        QVERIFY(w.isVisible() && child(w, "pb_Exit")->isVisible());
        auto* view = child<QWebView>(w, QStringLiteral("webView"));
        QCOMPARE(view->page()->mainFrame()->requestedUrl(), QUrl::fromLocalFile(reportHtml(folder, QStringLiteral("V7"))));
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 741));
        for (const QString& name : editControls)
            QVERIFY2(child<QWidget>(w, name)->isHidden(), qPrintable(name));

        w.ShowWindow(folder, true);
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 601));
        for (const QString& name : editControls)
            QVERIFY2(child<QWidget>(w, name)->isVisible(), qPrintable(name));
        QCOMPARE(QStringList({edit(w, "leProbeNameOld")->text(), edit(w, "leProbeCodeOld")->text(),
                              edit(w, "lePatientOld")->text()}),
                 QStringList({u("Кровь, венозная"), "V7-p", u("Иванов Иван")}));
        QCOMPARE(conclusion(w)->toPlainText(), QStringLiteral("first line\nsecond line"));
        QCOMPARE(conclusion(w)->document()->blockCount(), 2);
        QCOMPARE(w.premadeText(), QString::fromUtf8(kPremade));
        click(w, "pb_Exit");
        QVERIFY(!w.isVisible());
    }

    void reopenResetsRows()
    {
        const QString folder = makeReport(QStringLiteral("R.D"), QStringLiteral("R1"));
        editReport w;
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        click(w, "cb_NewProbeID");
        edit(w, "lePatientNew")->setText(QStringLiteral("typed"));
        conclusion(w)->setPlainText(QStringLiteral("unsaved"));
        w.close();

        w.ShowWindow(folder, true);
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            QVERIFY(!child(w, t)->isChecked());
        for (const char* n : {"leProbeNameNew", "leProbeCodeNew", "lePatientNew"})
            QVERIFY(edit(w, n)->text().isEmpty() && !edit(w, n)->isEnabled());
        for (const char* o : {"leProbeNameOld", "leProbeCodeOld", "lePatientOld"})
            QVERIFY(edit(w, o)->isEnabled());
        QCOMPARE(conclusion(w)->toPlainText(), QStringLiteral("first line\nsecond line"));
    }
};

QTEST_MAIN(tst_EditReport)
#include "tst_editreport.moc"
