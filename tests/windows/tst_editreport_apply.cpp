#include "editreport_fixture.h"

#include <QRegularExpression>

class tst_EditReportApply : public EditReportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void init() { MessageBox::clearShown(); }

    // Each Apply rewrites the page from the premade text, not from the previous result.
    void applyTwiceKeepsOnlySecond()
    {
        const QString folder = makeReport(QStringLiteral("B.D"), QStringLiteral("B1"));
        const QString html = reportHtml(folder, QStringLiteral("B1"));
        editReport w;
        QSignalSpy pdf(&w, &editReport::signalSavePDF);
        w.ShowWindow(folder, true);
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            click(w, t);
        const QStringList first{"Urine", "U-1", "Petrov", "first"}, second{"Blood", "B-2", "Sidorov", "alpha\nbeta"};
        for (const QStringList& v : {first, second}) {
            edit(w, "leProbeNameNew")->setText(v.at(0));
            edit(w, "leProbeCodeNew")->setText(v.at(1));
            edit(w, "lePatientNew")->setText(v.at(2));
            conclusion(w)->setPlainText(v.at(3));
            click(w, "pb_Apply");
        }
        QCOMPARE(readUtf8(html), expectedPage("Blood", "B-2", "Sidorov", "alpha<br>beta"));
        QFile raw(html);
        QVERIFY(raw.open(QIODevice::ReadOnly) && !raw.readAll().startsWith("\xEF\xBB\xBF")); // no byte order mark
        QCOMPARE(printed(folder), QStringList({"Blood", "B-2", "Sidorov", "alpha<br>beta"}));
        QCOMPARE(pdf.count(), 2);
        QCOMPARE(pdf.last().at(0).toString(), html);
        QVERIFY(MessageBox::shown().isEmpty() && w.isVisible());
        // Reopening shows the stored values, the conclusion on two lines again.
        w.ShowWindow(folder, true);
        QCOMPARE(edit(w, "lePatientOld")->text(), QStringLiteral("Sidorov"));
        QCOMPARE(edit(w, "leProbeCodeOld")->text(), QStringLiteral("B-2"));
        QCOMPARE(conclusion(w)->toPlainText(), QStringLiteral("alpha\nbeta"));
    }

    void defaultRestoresWithoutAsking()
    {
        const QString folder = makeReport(QStringLiteral("D.D"), QStringLiteral("D1"));
        QSettings(folder + QLatin1String("/report.ini"), QSettings::IniFormat).remove("ReportData/PatientDefault");
        editReport w;
        QSignalSpy pdf(&w, &editReport::signalSavePDF);
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("Someone"));
        click(w, "pbDefault");

        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(QStringList({edit(w, "leProbeNameOld")->text(), edit(w, "leProbeCodeOld")->text(),
                              edit(w, "lePatientOld")->text()}), QStringList({u("Кровь"), "D1", ""}));
        QVERIFY(edit(w, "lePatientOld")->isEnabled() && !child(w, "cb_NewPatient")->isChecked());
        QVERIFY(!edit(w, "lePatientNew")->isEnabled() && edit(w, "lePatientNew")->text().isEmpty());
        QCOMPARE(conclusion(w)->toPlainText(), QStringLiteral("Default one\nDefault two"));
        QCOMPARE(printed(folder), QStringList({u("Кровь"), "D1", "", "Default one<br>Default two"}));
        QCOMPARE(readUtf8(reportHtml(folder, QStringLiteral("D1"))),
                 expectedPage(u("Кровь"), "D1", "", "Default one<br>Default two"));
        QCOMPARE(pdf.count(), 1);
    }

    // A copied value counts only once its toggle is checked; checked and empty stores empty.
    void copyCountsOnlyWhenChecked_data()
    {
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("toggle");
        QTest::addColumn<QString>("oldField");
        QTest::addColumn<QString>("newField");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("label");
        QTest::newRow("name") << "pb_CopyProbeName" << "cb_NewProbeName" << "leProbeNameOld" << "leProbeNameNew"
                              << "ProbeNamePrint" << "Name: ";
        QTest::newRow("code") << "pb_CopyProbeID" << "cb_NewProbeID" << "leProbeCodeOld" << "leProbeCodeNew"
                              << "ProbeIDPrint" << "Code: ";
        QTest::newRow("patient") << "pb_CopyPatient" << "cb_NewPatient" << "lePatientOld" << "lePatientNew"
                                 << "PatientPrint" << "Patient: ";
    }
    void copyCountsOnlyWhenChecked()
    {
        QFETCH(QString, copy);
        QFETCH(QString, toggle);
        QFETCH(QString, oldField);
        QFETCH(QString, newField);
        QFETCH(QString, key);
        QFETCH(QString, label);
        const QString folder = makeReport(QStringLiteral("C.D"), QStringLiteral("C1"));
        editReport w;
        w.ShowWindow(folder, true);
        auto* n = child<QLineEdit>(w, newField);
        const QString oldText = child<QLineEdit>(w, oldField)->text();
        QVERIFY(!oldText.isEmpty());

        click(w, copy);
        QCOMPARE(n->text(), oldText);
        QVERIFY(!n->isEnabled());
        n->setText(QStringLiteral("edited copy"));
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key), oldText);

        click(w, toggle);
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key), QStringLiteral("edited copy"));
        QVERIFY(readUtf8(reportHtml(folder, QStringLiteral("C1"))).contains(QLatin1String("edited copy")));

        n->clear();
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key), QString());
        const QString page = readUtf8(reportHtml(folder, QStringLiteral("C1")));
        QVERIFY(page.contains(QString("<p>" + label + "</p>")));
        QVERIFY(!page.contains(QLatin1Char('$')));
    }

    void valuesAreEscapedInPage()
    {
        const QString folder = makeReport(QStringLiteral("H.D"), QStringLiteral("H1"));
        editReport w;
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("<b>Smith & Co</b>"));
        click(w, "cb_NewProbeName");
        edit(w, "leProbeNameNew")->setText(QStringLiteral("see $PatientID"));
        conclusion(w)->setPlainText(QStringLiteral("a < b\n<script>x</script>"));
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, "PatientPrint"), QStringLiteral("<b>Smith & Co</b>"));
        QCOMPARE(iniValue(folder, "ConclusionPrint"), QStringLiteral("a < b<br><script>x</script>"));
        const QString page = readUtf8(reportHtml(folder, QStringLiteral("H1")));
        QVERIFY(page.contains(QLatin1String("Patient: &lt;b&gt;Smith &amp; Co&lt;/b&gt;</p>")));
        QVERIFY(page.contains(QLatin1String("<p>a &lt; b<br>&lt;script&gt;x&lt;/script&gt;</p>")));
        QVERIFY(!page.contains(QLatin1String("<b>Smith")) && !page.contains(QLatin1String("<script>")));
        // A value that looks like a placeholder is printed as typed.
        QVERIFY(page.contains(QLatin1String("<p>Name: see $PatientID</p>")));
    }

    void unreadablePremade_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<uchar>("lang");
        QTest::newRow("missing, russian") << 0 << uchar(1);
        QTest::newRow("directory, english") << 1 << uchar(0);
        QTest::newRow("empty file") << 2 << uchar(1);
    }
    // An earlier report was shown and read fine; this one's premade page is unusable:
    // the values are stored, the page and PDF stay as they were, and the user is told.
    void unreadablePremade()
    {
        QFETCH(int, kind);
        QFETCH(uchar, lang);
        const QString good = makeReport(QStringLiteral("G.D"), QStringLiteral("G1"));
        const QString bad = makeReport(QStringLiteral("U%1.D").arg(kind), QStringLiteral("U1"), false);
        const QString premadePath = bad + QLatin1String("/U1_report_premade.html");
        if (kind == 1)
            QVERIFY(QDir().mkpath(premadePath));
        else if (kind == 2)
            writeBytes(premadePath, QByteArray());

        editReport w;
        w.SetLang(lang);
        QSignalSpy pdf(&w, &editReport::signalSavePDF);
        w.ShowWindow(good, true);
        QVERIFY(w.hasPremade());
        w.ShowWindow(bad, true);
        QVERIFY(!w.hasPremade() && w.premadeText().isEmpty());
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("Kept"));
        click(w, "pb_Apply");

        QCOMPARE(iniValue(bad, "PatientPrint"), QStringLiteral("Kept"));
        QCOMPARE(iniValue(bad, "ProbeNamePrint"), u("Кровь, венозная"));
        QCOMPARE(readUtf8(reportHtml(bad, QStringLiteral("U1"))), QStringLiteral("ORIGINAL PAGE"));
        QVERIFY(pdf.isEmpty());
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.kind, MessageBox::Warning);
        QCOMPARE(QStringList({box.title}) + box.buttons, lang == 0 ? QStringList({"Attention", "Ok"}) : QStringList({u("Внимание"), u("Ок")}));
        QCOMPARE(box.text.contains(QRegularExpression(QStringLiteral("[А-Яа-я]"))), lang != 0); // in the window's language
        QVERIFY(box.text.contains(QLatin1String("report.ini")));

        // Default takes the same path: values stored, page untouched.
        click(w, "pbDefault");
        QCOMPARE(iniValue(bad, "PatientPrint"), u("Иванов И.И."));
        QCOMPARE(readUtf8(reportHtml(bad, QStringLiteral("U1"))), QStringLiteral("ORIGINAL PAGE"));
        QVERIFY(pdf.isEmpty() && MessageBox::shown().size() == 2);

        // The good report still works afterwards, from its own premade text.
        w.ShowWindow(good, true);
        click(w, "pb_Apply");
        QCOMPARE(pdf.count(), 1);
        QVERIFY(readUtf8(reportHtml(good, QStringLiteral("G1"))).contains(u("Иванов Иван")));
    }

    void applyReloadsView()
    {
        const QString folder = makeReport(QStringLiteral("W.D"), QStringLiteral("W1"));
        editReport w;
        auto* view = child<QWebView>(w, QStringLiteral("webView"));
        QSignalSpy loaded(view, &QWebView::loadFinished);
        w.ShowWindow(folder, true);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() >= 1, 20000);
        QCOMPARE(view->page()->mainFrame()->toPlainText(), QStringLiteral("ORIGINAL PAGE"));
        click(w, "cb_NewPatient");
        edit(w, "lePatientNew")->setText(QStringLiteral("Reloaded Patient"));
        const int before = loaded.count();
        click(w, "pb_Apply");
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > before, 20000);
        QVERIFY(view->page()->mainFrame()->toPlainText().contains(QLatin1String("Reloaded Patient")));
    }
};

QTEST_MAIN(tst_EditReportApply)
#include "tst_editreport_apply.moc"
