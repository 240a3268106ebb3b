#include "editreport_fixture.h"

class tst_EditReport : public EditReportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void init() { MessageBox::clearShown(); }

    void form_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<QString>("english");
        const auto row = [](const char* n, QRect g, const char* ru = "", const char* en = "") {
            QTest::newRow(n) << QString::fromLatin1(n) << g << u(ru) << u(en);
        };
        row("webView", QRect(10, 10, 941, 601));
        row("line", QRect(10, 609, 941, 16));
        row("label", QRect(10, 620, 71, 16), "Заключение", "Conclusion");
        row("label_6", QRect(620, 620, 51, 20), "Изменить", "Изменить");
        row("plainTextEdit", QRect(10, 640, 461, 141));
        row("label_8", QRect(490, 640, 141, 16), "Название анализа", "Analysis name");
        row("label_7", QRect(670, 640, 141, 16), "Новое название анализа", "New analysis name");
        row("leProbeNameOld", QRect(490, 660, 141, 20));
        row("pb_CopyProbeName", QRect(630, 660, 20, 20));
        row("cb_NewProbeName", QRect(650, 660, 20, 20));
        row("leProbeNameNew", QRect(670, 660, 141, 20));
        row("label_2", QRect(490, 690, 141, 16), "Код анализа", "Analysis code");
        row("label_3", QRect(670, 690, 141, 16), "Новый код анализа", "New analysis code");
        row("leProbeCodeOld", QRect(490, 710, 141, 20));
        row("pb_CopyProbeID", QRect(630, 710, 20, 20));
        row("cb_NewProbeID", QRect(650, 710, 20, 20));
        row("leProbeCodeNew", QRect(670, 710, 141, 20));
        row("label_4", QRect(490, 740, 141, 16), "Имя пациента", "Patient name");
        row("label_5", QRect(670, 740, 141, 16), "Новое имя пациента", "New patient name");
        row("lePatientOld", QRect(490, 760, 141, 20));
        row("pb_CopyPatient", QRect(630, 760, 20, 20));
        row("cb_NewPatient", QRect(650, 760, 20, 20));
        row("lePatientNew", QRect(670, 760, 141, 20));
        row("pbDefault", QRect(840, 640, 101, 31), "По умолчанию", "Default");
        row("pb_Apply", QRect(840, 710, 101, 31), "Применить", "Apply");
        row("pb_Exit", QRect(840, 750, 101, 31), "Выход", "Exit");
    }

    void form()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, russian);
        QFETCH(QString, english);
        editReport w;
        QWidget* c = w.findChild<QWidget*>(name);
        QVERIFY(c);
        QCOMPARE(c->parentWidget(), &w);
        QCOMPARE(c->geometry(), geometry);
        const auto text = [c]() {
            if (auto* l = qobject_cast<QLabel*>(c))
                return l->text();
            if (auto* b = qobject_cast<QPushButton*>(c))
                return b->text();
            return QString();
        };
        QCOMPARE(text(), russian);
        w.SetLang(1);
        QCOMPARE(text(), russian);
        w.SetLang(0);
        QCOMPARE(text(), english);
        QCOMPARE(w.windowTitle(), u("Просмотр отчета"));
    }

    void window()
    {
        editReport w;
        QCOMPARE(w.objectName(), QStringLiteral("editReport"));
        QCOMPARE(w.windowTitle(), u("Просмотр отчета"));
        QCOMPARE(w.size(), QSize(958, 791));
        QCOMPARE(w.windowModality(), Qt::ApplicationModal);
        const Qt::WindowFlags f = w.windowFlags();
        QVERIFY(f.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(f.testFlag(Qt::MSWindowsFixedSizeDialogHint));
        QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(w.isWindow());

        auto* line = child<QFrame>(w, "line");
        QCOMPARE(line->frameShape(), QFrame::HLine);
        QCOMPARE(line->frameShadow(), QFrame::Sunken);
        for (const char* old : {"leProbeNameOld", "leProbeCodeOld", "lePatientOld"}) {
            QVERIFY(child<QLineEdit>(w, old)->isReadOnly());
            QVERIFY(child<QLineEdit>(w, old)->isEnabled());
        }
        for (const char* fresh : {"leProbeNameNew", "leProbeCodeNew", "lePatientNew"})
            QVERIFY(!child<QLineEdit>(w, fresh)->isEnabled());
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"}) {
            auto* b = child<QPushButton>(w, t);
            QVERIFY(b->isCheckable());
            QVERIFY(!b->isChecked());
            QVERIFY(!b->isFlat());
            QVERIFY(b->text().isEmpty());
        }
        for (const char* c : {"pb_CopyProbeName", "pb_CopyProbeID", "pb_CopyPatient"})
            QVERIFY(child<QPushButton>(w, c)->text().isEmpty());

        QWebSettings* web = child<QWebView>(w, "webView")->settings();
        QVERIFY(!web->testAttribute(QWebSettings::JavascriptEnabled));
        QVERIFY(!web->testAttribute(QWebSettings::PluginsEnabled));

        w.SetLang(0);
        QCOMPARE(w.windowTitle(), u("Просмотр отчета"));
        QCOMPARE(child<QLabel>(w, "label_6")->text(), u("Изменить"));
    }

    void setPosition()
    {
        editReport w;
        w.SetPosition(1000, 600);
        QCOMPARE(w.geometry(), QRect(521, 205, 958, 791));
        QCOMPARE(w.minimumSize(), QSize(958, 791));
        QCOMPARE(w.maximumSize(), QSize(958, 791));
    }

    void loadIcons()
    {
        editReport w;
        const QString app = m_tmp.path() + QLatin1String("/app");
        QDir().mkpath(app + QLatin1String("/icons"));
        w.LoadIcons(app); // no images yet
        QVERIFY(child<QPushButton>(w, "pb_CopyPatient")->icon().isNull());
        QVERIFY(child<QPushButton>(w, "cb_NewPatient")->icon().isNull());

        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(app + QLatin1String("/icons/copy_value.png")));
        w.LoadIcons(app);
        for (const char* c : {"pb_CopyProbeName", "pb_CopyProbeID", "pb_CopyPatient"})
            QVERIFY(!child<QPushButton>(w, c)->icon().isNull());
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            QVERIFY(child<QPushButton>(w, t)->icon().isNull());
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
        auto* t = w.findChild<QPushButton*>(toggle);
        auto* o = w.findChild<QLineEdit*>(oldField);
        auto* n = w.findChild<QLineEdit*>(newField);
        QTest::mouseClick(t, Qt::LeftButton);
        QVERIFY(t->isChecked());
        QVERIFY(!o->isEnabled());
        QVERIFY(n->isEnabled());
        QTest::mouseClick(t, Qt::LeftButton);
        QVERIFY(o->isEnabled());
        QVERIFY(!n->isEnabled());
    }

    void viewThenEdit()
    {
        const QString folder = makeReport(QStringLiteral("V.D"), QStringLiteral("V7"));
        editReport w;
        w.SetLang(0);
        w.ShowWindow(folder, false);
        QVERIFY(w.isVisible());
        QCOMPARE(w.htmlPath(), reportHtml(folder, QStringLiteral("V7")));
        QCOMPARE(w.iniPath(), folder + QLatin1String("/report.ini"));
        auto* view = child<QWebView>(w, "webView");
        QCOMPARE(view->page()->mainFrame()->requestedUrl(), QUrl::fromLocalFile(w.htmlPath()));
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 741));
        QCOMPARE(child<QPushButton>(w, "pb_Exit")->geometry(), QRect(850, 755, 101, 31));
        QCOMPARE(child<QPushButton>(w, "pb_Exit")->text(), QStringLiteral("Exit"));
        QVERIFY(child<QPushButton>(w, "pb_Exit")->isVisible());
        for (const QString& name : editControls())
            QVERIFY2(w.findChild<QWidget*>(name)->isHidden(), qPrintable(name));

        w.ShowWindow(folder, true);
        QCOMPARE(w.htmlPath(), reportHtml(folder, QStringLiteral("V7")));
        QCOMPARE(view->page()->mainFrame()->requestedUrl(), QUrl::fromLocalFile(w.htmlPath()));
        QCOMPARE(view->geometry(), QRect(10, 10, 941, 601));
        QCOMPARE(child<QPushButton>(w, "pb_Exit")->geometry(), QRect(840, 748, 101, 31));
        for (const QString& name : editControls())
            QVERIFY2(w.findChild<QWidget*>(name)->isVisible(), qPrintable(name));
        QCOMPARE(child<QLineEdit>(w, "leProbeNameOld")->text(), u("Кровь, венозная"));
        QCOMPARE(child<QLineEdit>(w, "leProbeCodeOld")->text(), QStringLiteral("V7-p"));
        QCOMPARE(child<QLineEdit>(w, "lePatientOld")->text(), u("Иванов Иван"));
        QCOMPARE(child<QPlainTextEdit>(w, "plainTextEdit")->toPlainText(),
                 QStringLiteral("first line\nsecond line"));
        QCOMPARE(child<QPlainTextEdit>(w, "plainTextEdit")->document()->blockCount(), 2);
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
        child<QLineEdit>(w, "lePatientNew")->setText(QStringLiteral("typed"));
        child<QLineEdit>(w, "leProbeCodeNew")->setText(QStringLiteral("typed too"));
        child<QPlainTextEdit>(w, "plainTextEdit")->setPlainText(QStringLiteral("unsaved"));
        w.close();

        w.ShowWindow(folder, true);
        for (const char* t : {"cb_NewProbeName", "cb_NewProbeID", "cb_NewPatient"})
            QVERIFY(!child<QPushButton>(w, t)->isChecked());
        for (const char* n : {"leProbeNameNew", "leProbeCodeNew", "lePatientNew"}) {
            QVERIFY(child<QLineEdit>(w, n)->text().isEmpty());
            QVERIFY(!child<QLineEdit>(w, n)->isEnabled());
        }
        for (const char* o : {"leProbeNameOld", "leProbeCodeOld", "lePatientOld"})
            QVERIFY(child<QLineEdit>(w, o)->isEnabled());
        QCOMPARE(child<QPlainTextEdit>(w, "plainTextEdit")->toPlainText(),
                 QStringLiteral("first line\nsecond line"));
    }

};

QTEST_MAIN(tst_EditReport)
#include "tst_editreport.moc"
