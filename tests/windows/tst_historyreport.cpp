// The History window: versions with their reasons, opening one, and the warning when the
// history or a PDF is not as it was written.
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/desktop.h"
#include "app/messagebox.h"
#include "windows/historyreport.h"

class TestHistoryReport : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

  private slots:
    void init()
    {
        MessageBox::setAutoAnswer(true);
        MessageBox::clearShown();
    }

    void versions_areListedOpenedAndChecked_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<bool>("forge"); // the archived first version replaced
        QTest::addColumn<QString>("warning");
        QTest::newRow("intact") << 0 << false << "";
        QTest::newRow("PDF replaced, Russian")
            << 1 << true << "История отчета изменена: PDF версии 1 (%1) не совпадает с записанным.";
    }
    void versions_areListedOpenedAndChecked()
    {
        QFETCH(int, lang);
        QFETCH(bool, forge);
        QFETCH(QString, warning);
        const QString folder = m_tmp.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(History::versionsDir(folder)));
        const QDateTime when(QDate(2026, 1, 2), QTime(10, 0), Qt::OffsetFromUTC, 0);
        const QString v1 = History::versionsDir(folder) + "/" + History::archiveName(1, when);
        const QString current = folder + "/X_report.pdf";
        QVERIFY(write(v1, "%PDF one") && write(current, "%PDF two"));
        // Two lines from before the chain, then a production and a change, each a version.
        QVERIFY(write(History::path(folder),
                      "2025-01-02T10:00:00+00:00\tchanged\tOld\tPatientPrint\ta\tb\r\n"
                      "2025-01-02T10:01:00+00:00\tchanged\tOld\tPatientPrint\tb\tc\r\n"));
        History::Entry produced = History::produced(when, "Ann", 5, 1, 0x35, "/d", "X.D");
        produced.reportVersion = 1;
        produced.pdf = History::fileHash(v1);
        ReportRecord::PrintValues before, after;
        after.patient = "Petrov";
        History::Entry changed = History::changes(when.addSecs(60), "Bob", before, after).first();
        changed.reportVersion = 2;
        changed.pdf = History::fileHash(current);
        changed.reason = "Typo in the patient name";
        QString head;
        QVERIFY(History::append(History::path(folder), {produced, changed}, &head));
        if (forge)
            QVERIFY(write(v1, "%PDF forged"));

        historyReport w;
        QList<QUrl> opened;
        Desktop::setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        w.SetLang(uchar(lang));
        w.setCurrent(current, 2, head);
        w.ShowWindow(folder);
        auto* list = w.findChild<QTableWidget*>("twHistory");
        QCOMPARE(list->rowCount(), 4);
        QVERIFY(list->item(0, 3)->text().endsWith(
            lang == 0 ? "; version 2; reason: «Typo in the patient name»"
                      : "; версия 2; причина: «Typo in the patient name»"));
        QVERIFY(list->item(3, 3)->text().endsWith(
            lang == 0 ? " — not protected (written before version 3.6)"
                      : " — не защищена (записана до версии 3.6)"));
        QVERIFY(!list->item(1, 3)->text().contains("3.6"));
        QTest::qWait(20); // the warning comes once the window is shown
        QCOMPARE(MessageBox::shown().size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QCOMPARE(MessageBox::shown()[0].text, warning.arg(v1));

        auto* open = w.findChild<QPushButton*>("pb_OpenVersion");
        list->setCurrentCell(2, 0); // the line before the chain made no version
        QVERIFY(!open->isEnabled());
        list->setCurrentCell(1, 0);
        open->click();
        list->setCurrentCell(0, 0);
        open->click();
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(v1), QUrl::fromLocalFile(current)}));
        Desktop::setOpener({});

        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestHistoryReport)
#include "tst_historyreport.moc"
