#include "editreport_fixture.h"

class tst_EditReportApply : public EditReportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void init() { MessageBox::clearShown(); }

    void applyUnchanged()
    {
        const QString folder = makeReport(QStringLiteral("A.D"), QStringLiteral("A1"));
        editReport w;
        QSignalSpy pdf(&w, &editReport::signalSavePDF);
        w.ShowWindow(folder, true);
        click(w, "pb_Apply");

        const QString html = reportHtml(folder, QStringLiteral("A1"));
        QCOMPARE(pdf.count(), 1);
        QCOMPARE(pdf.at(0).at(0).toString(), html);
        QCOMPARE(readUtf8(html), expectedPage({u("Кровь, венозная"), QStringLiteral("A1-p"),
                                               u("Иванов Иван"),
                                               QStringLiteral("first line<br>second line")}));
        QFile raw(html);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.readAll().startsWith("\xEF\xBB\xBF"));
        QCOMPARE(iniValue(folder, "ProbeNamePrint"), u("Кровь, венозная"));
        QCOMPARE(iniValue(folder, "ProbeIDPrint"), QStringLiteral("A1-p"));
        QCOMPARE(iniValue(folder, "PatientPrint"), u("Иванов Иван"));
        QCOMPARE(iniValue(folder, "ConclusionPrint"), QStringLiteral("first line<br>second line"));
        // The held premade text is a template for every later Apply.
        QCOMPARE(w.premadeText(), QString::fromUtf8(kPremade));
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(w.isVisible());
    }

    void applyTwiceKeepsOnlySecond()
    {
        const QString folder = makeReport(QStringLiteral("B.D"), QStringLiteral("B1"));
        editReport w;
        w.ShowWindow(folder, true);
        click(w, "cb_NewProbeName");
        click(w, "cb_NewProbeID");
        click(w, "cb_NewPatient");
        child<QLineEdit>(w, "leProbeNameNew")->setText(QStringLiteral("Urine"));
        child<QLineEdit>(w, "leProbeCodeNew")->setText(QStringLiteral("U-1"));
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("Petrov"));
        child<QPlainTextEdit>(w, "plainTextEdit")->setPlainText(QStringLiteral("first"));
        click(w, "pb_Apply");
        QCOMPARE(readUtf8(reportHtml(folder, QStringLiteral("B1"))),
                 expectedPage({QStringLiteral("Urine"), QStringLiteral("U-1"),
                               QStringLiteral("Petrov"), QStringLiteral("first")}));

        child<QLineEdit>(w, "leProbeNameNew")->setText(QStringLiteral("Blood"));
        child<QLineEdit>(w, "leProbeCodeNew")->setText(QStringLiteral("B-2"));
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("Sidorov"));
        child<QPlainTextEdit>(w, "plainTextEdit")->setPlainText(QStringLiteral("alpha\nbeta"));
        click(w, "pb_Apply");
        const QString page = readUtf8(reportHtml(folder, QStringLiteral("B1")));
        QCOMPARE(page, expectedPage({QStringLiteral("Blood"), QStringLiteral("B-2"),
                                     QStringLiteral("Sidorov"), QStringLiteral("alpha<br>beta")}));
        QVERIFY(!page.contains(QLatin1String("Petrov")));
        QCOMPARE(iniValue(folder, "PatientPrint"), QStringLiteral("Sidorov"));
        QCOMPARE(iniValue(folder, "ConclusionPrint"), QStringLiteral("alpha<br>beta"));

        // Reopening shows the stored values, the conclusion on two lines again.
        w.ShowWindow(folder, true);
        QCOMPARE(child<QLineEdit>(w, "lePatientOld")->text(), QStringLiteral("Sidorov"));
        QCOMPARE(child<QLineEdit>(w, "leProbeCodeOld")->text(), QStringLiteral("B-2"));
        QCOMPARE(child<QPlainTextEdit>(w, "plainTextEdit")->toPlainText(),
                 QStringLiteral("alpha\nbeta"));
    }

    void defaultRestoresWithoutAsking()
    {
        const QString folder = makeReport(QStringLiteral("D.D"), QStringLiteral("D1"));
        {
            QSettings ini(folder + QLatin1String("/report.ini"), QSettings::IniFormat);
            ini.remove(QStringLiteral("ReportData/PatientDefault"));
        }
        editReport w;
        QSignalSpy pdf(&w, &editReport::signalSavePDF);
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("Someone"));
        click(w, "pbDefault");

        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(child<QLineEdit>(w, "leProbeNameOld")->text(), u("Кровь"));
        QCOMPARE(child<QLineEdit>(w, "leProbeCodeOld")->text(), QStringLiteral("D1"));
        QCOMPARE(child<QLineEdit>(w, "lePatientOld")->text(), QString());
        QVERIFY(child<QLineEdit>(w, "lePatientOld")->isEnabled());
        QVERIFY(!child<QPushButton>(w, "cb_NewPatient")->isChecked());
        QVERIFY(!child<QLineEdit>(w, "lePatientNew")->isEnabled());
        QVERIFY(child<QLineEdit>(w, "lePatientNew")->text().isEmpty());
        QCOMPARE(child<QPlainTextEdit>(w, "plainTextEdit")->toPlainText(),
                 QStringLiteral("Default one\nDefault two"));

        QCOMPARE(iniValue(folder, "ProbeNamePrint"), u("Кровь"));
        QCOMPARE(iniValue(folder, "ProbeIDPrint"), QStringLiteral("D1"));
        QCOMPARE(iniValue(folder, "PatientPrint"), QString());
        QCOMPARE(iniValue(folder, "ConclusionPrint"), QStringLiteral("Default one<br>Default two"));
        QCOMPARE(readUtf8(reportHtml(folder, QStringLiteral("D1"))),
                 expectedPage({u("Кровь"), QStringLiteral("D1"), QString(),
                               QStringLiteral("Default one<br>Default two")}));
        QCOMPARE(pdf.count(), 1);
    }

    void rows_data()
    {
        QTest::addColumn<QString>("copy");
        QTest::addColumn<QString>("toggle");
        QTest::addColumn<QString>("oldField");
        QTest::addColumn<QString>("newField");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("placeholder");
        QTest::newRow("name") << "pb_CopyProbeName" << "cb_NewProbeName" << "leProbeNameOld"
                              << "leProbeNameNew" << "ProbeNamePrint" << "Name: $TypeProbe";
        QTest::newRow("code") << "pb_CopyProbeID" << "cb_NewProbeID" << "leProbeCodeOld"
                              << "leProbeCodeNew" << "ProbeIDPrint" << "Code: $ProbeID";
        QTest::newRow("patient") << "pb_CopyPatient" << "cb_NewPatient" << "lePatientOld"
                                 << "lePatientNew" << "PatientPrint" << "Patient: $PatientID";
    }

    void copyCountsOnlyWhenChecked_data() { rows_data(); }
    void copyCountsOnlyWhenChecked()
    {
        QFETCH(QString, copy);
        QFETCH(QString, toggle);
        QFETCH(QString, oldField);
        QFETCH(QString, newField);
        QFETCH(QString, key);
        const QString folder = makeReport(QStringLiteral("C.D"), QStringLiteral("C1"));
        editReport w;
        w.ShowWindow(folder, true);
        auto* o = w.findChild<QLineEdit*>(oldField);
        auto* n = w.findChild<QLineEdit*>(newField);
        const QString oldText = o->text();
        QVERIFY(!oldText.isEmpty());

        QTest::mouseClick(w.findChild<QPushButton*>(copy), Qt::LeftButton);
        QCOMPARE(n->text(), oldText);
        QVERIFY(!n->isEnabled());
        n->setText(QStringLiteral("edited copy"));
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key.toLatin1().constData()), oldText);

        QTest::mouseClick(w.findChild<QPushButton*>(toggle), Qt::LeftButton);
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key.toLatin1().constData()), QStringLiteral("edited copy"));
        QVERIFY(readUtf8(reportHtml(folder, QStringLiteral("C1"))).contains(QLatin1String("edited copy")));
    }

    void emptyCheckedFieldStoresEmpty_data() { rows_data(); }
    void emptyCheckedFieldStoresEmpty()
    {
        QFETCH(QString, toggle);
        QFETCH(QString, key);
        QFETCH(QString, placeholder);
        const QString folder = makeReport(QStringLiteral("E.D"), QStringLiteral("E1"));
        editReport w;
        w.ShowWindow(folder, true);
        QTest::mouseClick(w.findChild<QPushButton*>(toggle), Qt::LeftButton);
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, key.toLatin1().constData()), QString());
        const QString page = readUtf8(reportHtml(folder, QStringLiteral("E1")));
        const QString label = placeholder.section(QLatin1Char('$'), 0, 0);
        QVERIFY(page.contains(QString(QLatin1String("<p>") + label + QLatin1String("</p>"))));
        QVERIFY(!page.contains(QLatin1Char('$')));
    }

    void valuesAreEscapedInPage()
    {
        const QString folder = makeReport(QStringLiteral("H.D"), QStringLiteral("H1"));
        editReport w;
        w.ShowWindow(folder, true);
        click(w, "cb_NewPatient");
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("<b>Smith & Co</b>"));
        click(w, "cb_NewProbeName");
        child<QLineEdit>(w, "leProbeNameNew")->setText(QStringLiteral("see $PatientID"));
        child<QPlainTextEdit>(w, "plainTextEdit")
            ->setPlainText(QStringLiteral("a < b\n<script>x</script>"));
        click(w, "pb_Apply");
        QCOMPARE(iniValue(folder, "PatientPrint"), QStringLiteral("<b>Smith & Co</b>"));
        QCOMPARE(iniValue(folder, "ConclusionPrint"),
                 QStringLiteral("a < b<br><script>x</script>"));
        const QString page = readUtf8(reportHtml(folder, QStringLiteral("H1")));
        QVERIFY(page.contains(QLatin1String("Patient: &lt;b&gt;Smith &amp; Co&lt;/b&gt;</p>")));
        QVERIFY(!page.contains(QLatin1String("<b>Smith")));
        QVERIFY(page.contains(QLatin1String("<p>a &lt; b<br>&lt;script&gt;x&lt;/script&gt;</p>")));
        QVERIFY(!page.contains(QLatin1String("<script>")));
        // A value that looks like a placeholder is printed as typed.
        QVERIFY(page.contains(QLatin1String("<p>Name: see $PatientID</p>")));
    }

    void unreadablePremade_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<uchar>("lang");
        QTest::newRow("missing, russian") << 0 << uchar(1);
        QTest::newRow("missing, english") << 0 << uchar(0);
        QTest::newRow("directory") << 1 << uchar(1);
        QTest::newRow("empty file") << 2 << uchar(0);
    }

    // An earlier report was shown and read fine; this one's premade page is unusable.
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
        QVERIFY(!w.premadeText().isEmpty());

        w.ShowWindow(bad, true);
        QVERIFY(!w.hasPremade());
        QVERIFY(w.premadeText().isEmpty());
        click(w, "cb_NewPatient");
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("Kept"));
        click(w, "pb_Apply");

        QCOMPARE(iniValue(bad, "PatientPrint"), QStringLiteral("Kept"));
        QCOMPARE(iniValue(bad, "ProbeNamePrint"), u("Кровь, венозная"));
        QCOMPARE(readUtf8(reportHtml(bad, QStringLiteral("U1"))), QStringLiteral("ORIGINAL PAGE"));
        QCOMPARE(pdf.count(), 0);
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown box = MessageBox::shown().first();
        QCOMPARE(box.kind, MessageBox::Warning);
        QCOMPARE(box.title, lang == 0 ? QStringLiteral("Attention") : u("Внимание"));
        QCOMPARE(box.buttons, QStringList{lang == 0 ? QStringLiteral("Ok") : u("Ок")});
        QVERIFY(!box.text.isEmpty());
        // The message is in the window's language.
        const bool cyrillic = box.text.contains(QRegularExpression(QStringLiteral("[А-Яа-я]")));
        QCOMPARE(cyrillic, lang != 0);

        // Default takes the same path: values stored, page untouched.
        click(w, "pbDefault");
        QCOMPARE(iniValue(bad, "PatientPrint"), u("Иванов И.И."));
        QCOMPARE(readUtf8(reportHtml(bad, QStringLiteral("U1"))), QStringLiteral("ORIGINAL PAGE"));
        QCOMPARE(pdf.count(), 0);
        QCOMPARE(MessageBox::shown().size(), 2);

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
        auto* view = child<QWebView>(w, "webView");
        QSignalSpy loaded(view, &QWebView::loadFinished);
        w.ShowWindow(folder, true);
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() >= 1, 20000);
        QCOMPARE(view->page()->mainFrame()->toPlainText(), QStringLiteral("ORIGINAL PAGE"));

        click(w, "cb_NewPatient");
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("Reloaded Patient"));
        const int before = loaded.count();
        click(w, "pb_Apply");
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > before, 20000);
        QVERIFY(view->page()->mainFrame()->toPlainText().contains(QLatin1String("Reloaded Patient")));
    }
};

QTEST_MAIN(tst_EditReportApply)
#include "tst_editreport_apply.moc"
