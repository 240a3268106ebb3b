// The history file: every text survives the file unchanged, each entry stays one line, and
// lines that are not entries are kept as they are rather than misread.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "report/history.h"

class TestHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;

private slots:
    void oddText_roundTripsOnOneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");  // as a person reads it in the file
        QTest::newRow("line feed") << "a\nb" << "a\\nb";
        QTest::newRow("CR LF") << "a\r\nb" << "a\\r\\nb";
        QTest::newRow("tab") << "a\tb" << "a\\tb";
        QTest::newRow("backslash before n") << "C:\\new\\" << "C:\\\\new\\\\";
        QTest::newRow("quotes") << "\"q\" 'x'" << "\"q\" 'x'";
        QTest::newRow("Cyrillic, no-break space") << QString::fromUtf8("Иванов\u00A0И.") << QString::fromUtf8("Иванов\u00A0И.");
        QTest::newRow("empty") << "" << "";
    }
    void oddText_roundTripsOnOneLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        const QString path = m_tmp.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".txt");
        const QDateTime when(QDate(2026, 12, 7), QTime(10, 15, 3), Qt::OffsetFromUTC, 3600);
        ReportRecord::PrintValues before, after;
        before.patient = text;
        after.patient = text + "!";
        const QList<History::Entry> changed = History::changes(when, text, before, after);
        QVERIFY(History::append(path, changed));
        QVERIFY(History::append(path, {History::produced(when, text, 18, 20231117, 0x35, text, text)}));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
        QCOMPARE(lines.size(), 3);  // two entries, each ended by CR LF
        QCOMPARE(lines[0].section("\tprev=", 0, 0), QString("2026-12-07T10:15:03+01:00\tchanged\t" + stored + "\tPatientPrint\t" + stored + '\t' + stored + '!'));

        const QList<History::Entry> read = History::read(path);
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].kind, History::Entry::Kind::Changed);
        QCOMPARE(QStringList({read[0].operatorName, read[0].oldValue, read[0].newValue}), QStringList({text, text, text + "!"}));
        QCOMPARE(read[0].when, when);
        QCOMPARE(read[1].kind, History::Entry::Kind::Produced);
        QCOMPARE(QStringList({read[1].operatorName, read[1].typeCode, read[1].serial, read[1].version, read[1].folderPath, read[1].folderName}),
                 QStringList({text, "18", "20231117", "0x35", text, text}));
    }

    void timeText_keepsTheOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("west, half hour") << -(5 * 3600 + 1800) << "2026-01-02T03:04:05-05:30";
        QTest::newRow("UTC") << 0 << "2026-01-02T03:04:05+00:00";
    }
    void timeText_keepsTheOffset()
    {
        QFETCH(int, offset);
        QFETCH(QString, text);
        const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::OffsetFromUTC, offset);
        QCOMPARE(History::timeText(when), text);
    }

    void notAnEntry_isKeptAsUnreadable_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("entry");
        QTest::newRow("text") << "edited by hand" << false;
        QTest::newRow("no time") << "yesterday\tchanged\tA\tPatientPrint\tx\ty" << false;
        QTest::newRow("unknown kind") << "2026-01-02T03:04:05+03:00\tdeleted\tA\tPatientPrint\tx\ty" << false;
        QTest::newRow("field missing") << "2026-01-02T03:04:05+03:00\tchanged\tA\tPatientPrint\tx" << false;
        QTest::newRow("later field added") << "2026-01-02T03:04:05+03:00\tchanged\tA\tPatientPrint\tx\ty\tz" << true;
    }
    void notAnEntry_isKeptAsUnreadable()
    {
        QFETCH(QString, line);
        QFETCH(bool, entry);
        const History::Entry e = History::parse(QString(line + '\r'));
        QCOMPARE(e.kind == History::Entry::Kind::Changed, entry);
        QCOMPARE(e.kind == History::Entry::Kind::Unreadable, !entry);
        QCOMPARE(e.line, line);
    }

    void unreadableFile_isAnErrorMissingFileIsNot()
    {
        FileWrite::Result error;
        QVERIFY(History::read(m_tmp.filePath("none.txt"), &error).isEmpty() && error);
        QVERIFY(QDir().mkpath(m_tmp.filePath("folder.txt")) && History::read(m_tmp.filePath("folder.txt"), &error).isEmpty());
        QVERIFY(!error && error.reading && error.path == m_tmp.filePath("folder.txt"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
