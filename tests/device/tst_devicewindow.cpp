// The device link as the user meets it in the main window, over a real loopback socket
// to the simulator; and the link debug window.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>

#include "app/mainwindow.h"
#include "app/messagebox.h"
#include "apptestdir.h"
#include "demodata/demodata.h"
#include "device/debug_tcp.h"
#include "device_test_util.h"
#include "windows/progressinfo.h"

class TestDeviceWindow : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    // What the user sees after the check at sign-in and after what happens next: the status
    // label, the boxes and dialogs shown, the last line the device got and how far a run went.
    void outcome_data()
    {
        QTest::addColumn<Faults>("faults");
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("exportBytes"); // empty: a sound export
        // "check" (the refresh timer's), "new" (the New button), "esc:Y"/"esc:N" (Esc in the
        // progress window and the answer), "svc:<text>" (Ctrl+Shift+F12 and a service command)
        QTest::addColumn<QString>("actions");
        QTest::addColumn<int>("stage"); // DebugStage after New
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("seen"); // kind|title|text|buttons
        auto row = [](const char* name, const Faults& f, int language, const char* actions,
                      int stage, const char* status, const QString& last,
                      const QStringList& seen = {}, const QByteArray& bytes = {}) {
            QTest::newRow(name) << f << language << bytes << QString::fromUtf8(actions) << stage
                                << QString::fromUtf8(status) << last << seen;
        };
        const char* en = " Status: Connected ";
        const char* ru = " Статус: Подключен ";
        const QString fails = QStringLiteral("I|Attention|%1|Ok"),
                      failsRu = QStringLiteral("I|Внимание|%1|Ок");
        const QString lost = QStringLiteral("Ошибка подключения к аппаратной части.");
        row("connected", Faults(), 0, "", -1, en, "$RCV*");
        row("connected, Russian", Faults(), 1, "", -1, ru, "$RCV*");
        row("wrong identity", fault(&Faults::wrongIdentity, true), 0, "", -1, " Status: Error #0 ",
            "$?*");
        row("bad serial", fault(&Faults::badSerialChecksum, true), 1, "", -1, " Статус: Error #8 ",
            "$RSN*");
        row("bad version", fault(&Faults::badVersionChecksum, true), 0, "", -1,
            " Status: Error #3 ", "$RCV*");
        // The box comes with the first of a row of failed checks, and again after the device
        // answered.
        const QString dropped = QStringLiteral(
            "I|Connecting error|Error code: The remote host closed the connection.|OK");
        row("dropped twice", fault(&Faults::dropIn, Phase::Identify), 0, "check", -1,
            " Status: Error ", "$?*", {dropped});
        row("dropped after identifying", fault(&Faults::dropIn, Phase::Serial), 0, "check", -1,
            " Status: Error ", "$RSN*", {dropped, dropped});
        // A report made after a failed check: the calculation's own identification shows.
        row("report after failed check", fault(&Faults::dropIn, Phase::Identify), 0, "new", -1, en,
            "$RCV*", {dropped});
        // Every failure of a calculation ends in one box with a fixed Russian message.
        row("0, write", fault(&Faults::notReady, true), 0, "new", 10, en, "$MIW*",
            {fails.arg("Ошибка записи данных.")});
        row("1, read back", fault(&Faults::wrongReadBackLine, 7), 0, "new", 10, en, "$MIR*",
            {fails.arg("Ошибка проверки записанных данных.")});
        row("2, calculate", fault(&Faults::calcFails, true), 1, "new", 10, ru, "$MC,00,D1*",
            {failsRu.arg("Ошибка выполенения расчета.")});
        row("3, output", fault(&Faults::wrongTypeEcho, true), 0, "new", 10, en, "$MO*",
            {fails.arg("Ошибка чтения полученных данных.")});
        row("4, connection", fault(&Faults::dropIn, Phase::ReadBack), 1, "new", 10,
            " Статус: Error ", "$MIR*", {failsRu.arg(lost)});
        // A silent device: Esc asks, No goes on waiting, Yes ends the run and says so in the
        // interface language.
        const Faults silent = fault(&Faults::silentIn, Phase::Calculate);
        const QString ask = QStringLiteral("Q|Confirmation|Stop the calculation?|Yes|No");
        row("Esc, no, yes", silent, 0, "new esc:N esc:Y", 10, en, "$MC,00,D1*",
            {ask, ask, fails.arg("The calculation was stopped.")});
        row("Esc, Russian", silent, 1, "new esc:Y", 10, ru, "$MC,00,D1*",
            {"Q|Подтверждение|Остановить расчет?|Да|Нет",
             failsRu.arg(QString::fromUtf8("Расчет остановлен."))});
        // Exports the device cannot take are refused before connecting, naming the analysis first.
        DemoData::ExportContent content;
        content.values[12] = -5;
        row("negative value", Faults(), 0, "new", 7, en, "$RCV*",
            {"W|Attention|Analysis \"AN_1.D\": line 33 of the "
             "export holds the value -5, which the device cannot take (it takes 0 to 4294967295). "
             "Process stopped."
             "\n\n<file>|Exit"},
            DemoData::makeExport(content));
        content.values[12] = Q_INT64_C(4294967296);
        row("value of 2^32", Faults(), 1, "new", 7, ru, "$RCV*",
            {"W|Внимание|Анализ \"AN_1.D\": строка 33 файла "
             "экспорта содержит значение 4294967296, которое аппаратная часть не принимает "
             "(допустимо от 0 до "
             "4294967295). Процесс остановлен.\n\n<file>|Выход"},
            DemoData::makeExport(content));
        const QByteArray whole = DemoData::makeExport({});
        row("no closing line", Faults(), 0, "new", 7, en, "$RCV*",
            {"W|Attention|Analysis \"AN_1.D\": the table of "
             "the export has no closing line of hyphens. Process stopped.\n\n<file>|Exit"},
            whole.left(whole.indexOf("-----")));
        // The service command goes out with its checksum; the unlock word reveals the debug
        // window's entry.
        const QString dialog = QStringLiteral("D|Service command|Command:|Ok|Cancel");
        row("service command", Faults(), 0, "svc:$ABC", -1, en, RefCrc::checked("$ABC"), {dialog});
        row("unlock word", Faults(), 1, "svc:vitroXY", -1, ru, "$RCV*",
            {"D|Сервисная команда|Команда:|Ок|Отмена", "M|action_TCP_debug"});
        row("unlock word in other case", Faults(), 0, "svc:Vitro", -1, en, "$RCV*", {dialog});
    }
    void outcome()
    {
        QFETCH(Faults, faults);
        QFETCH(int, language);
        QFETCH(QByteArray, exportBytes);
        QFETCH(QString, actions);
        QFETCH(int, stage);
        // A signed-in window over a data directory holding AN_1.D, its first device check over.
        AppTestDir app;
        DeviceSimulator sim;
        AppTestDir::Settings settings;
        settings.dataDir = app.file(QStringLiteral("data"));
        settings.language = language;
        QFile file(app.file(QStringLiteral("data/AN_1.D/epatemp.txt")));
        const QByteArray bytes = exportBytes.isEmpty() ? DemoData::makeExport({}) : exportBytes;
        QVERIFY(sim.listen() && app.copyTemplates() &&
                QDir().mkpath(app.file(QStringLiteral("data/AN_1.D"))));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                file.flush());
        settings.port = QString::number(sim.port());
        QVERIFY(app.writeSettings(settings));
        app.enter();
        MainWindow w;
        w.show();
        DeviceLink* link = w.deviceLink();
        link->setPhaseTimeouts(300, 300, 250);
        sim.setFaults(faults);
        w.login_procedure();
        w.findChild<QComboBox*>("cb_01")->setCurrentIndex(21); // every sample type
        QVERIFY(waitUntil([&] { return link->step() == DeviceLink::Closed; }, 5000));
        ProgressInfo* progress = w.progressWindow();
        w.showProgress();
        QTest::keyClick(progress, Qt::Key_Escape); // outside an exchange: nothing
        progress->initStage(10);
        QRect geometry;
        QStringList seen;
        for (const QString& action : actions.split(' ', Qt::SkipEmptyParts)) {
            if (action == QLatin1String("check")) {
                w.tmr_refreshInfo();
                QVERIFY(waitUntil([&] { return sim.connectionCount() == 2; }, 5000));
            } else if (action == QLatin1String("new")) {
                link->setPhaseTimeouts(300, actions.contains("esc") ? 60000 : 300, 250);
                auto* list = w.findChild<QListWidget*>("ListText");
                QVERIFY(waitUntil([&] { return list->count() == 1; }, 5000));
                emit list->activated(list->model()->index(0, 0));
                w.findChild<QPushButton*>("pb_01")->click();
                geometry = progress->geometry();
            } else if (action.startsWith(QLatin1String("esc:"))) {
                QVERIFY(
                    waitUntil([&] { return sim.receivedLines().last().startsWith("$MC"); }, 5000));
                QVERIFY(progress->isVisible());
                MessageBox::setNextAnswer(action == QLatin1String("esc:Y") ? MessageBox::Yes
                                                                           : MessageBox::No);
                QTest::keyClick(progress, Qt::Key_Escape);
                QCOMPARE(progress->geometry(), geometry);
            } else {
                QTimer::singleShot(0, this, [&] {
                    auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                    QVERIFY(d);
                    seen << QStringList{"D", d->windowTitle(), d->labelText(), d->okButtonText(),
                                        d->cancelButtonText()}
                                .join('|');
                    d->setTextValue(action.mid(4));
                    d->accept();
                });
                w.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&w));
                QTest::keyClick(&w, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
            }
        }
        QTest::qWait(50);
        QVERIFY(waitUntil(
            [&] { return !progress->isVisible() && link->step() == DeviceLink::Closed; }, 10000));
        if (stage >= 0)
            QCOMPARE(iniValue(app.file("debug.ini"), "Debug/DebugStage").toInt(), stage);
        QTEST(w.statusLabel()->text(), "status");
        QTEST(sim.receivedLines().last(), "last");
        for (const MessageBox::Shown& s : MessageBox::shown())
            seen << QString(QString(QLatin1Char("WIQ"[s.kind])) % '|' % s.title % '|' % s.text %
                            '|' % s.buttons.join('|'))
                        .replace(app.file("data/AN_1.D/epatemp.txt"), "<file>");
        if (w.findChild<QAction*>("action_TCP_debug")->isVisible())
            seen << QStringLiteral("M|action_TCP_debug"); // the debug window's menu entry
        QTEST(seen, "seen");
        QCOMPARE(link->deviceAvailable(), !faults.wrongIdentity);
    }

    // The colours of a real exchange are checked end to end; here: Clear, Exit and empty lines.
    void debugWindow()
    {
        Debug_TCP w;
        auto* log = w.findChild<QTextEdit*>(QStringLiteral("textEdit"));
        auto* clear = w.findChild<QPushButton*>(QStringLiteral("pbClear"));
        auto* exit = w.findChild<QPushButton*>(QStringLiteral("pbExit"));
        QCOMPARE(clear->text() + exit->text(), QStringLiteral("ОчиститьВыход"));
        w.debug_add_message(QStringLiteral("$?*"), true);
        w.show();
        clear->click();
        w.debug_add_message(QString(), false);
        w.debug_add_message(QStringLiteral("@OK*"), false);
        exit->click();
        QVERIFY(!w.isVisible());
        w.debug_add_message(QStringLiteral("$MIR*"), true); // logged while hidden
        QStringList lines; // text/colour; an empty paragraph has the colour of its format
        for (QTextBlock b = log->document()->begin(); b.isValid(); b = b.next())
            lines << b.text() + '/' + b.charFormat().foreground().color().name();
        QCOMPARE(lines, (QStringList{"/#0000ff", "@OK*/#0000ff", "$MIR*/#008000"}));
        QVERIFY(!log->document()->isUndoAvailable()); // the log is not something to undo
        // A long day keeps the newest lines only, also after Clear.
        for (int i = 0; i < Debug_TCP::MaxLines; ++i)
            w.debug_add_message(QString::number(i), false);
        QTRY_COMPARE(log->document()->blockCount(), Debug_TCP::MaxLines);
        QCOMPARE(log->document()->firstBlock().text(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestDeviceWindow)
#include "tst_devicewindow.moc"
