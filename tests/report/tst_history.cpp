// The history file: every text survives the file unchanged, each entry stays one line, and
// lines that are not entries are kept as they are rather than misread.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "report/history.h"

namespace {

const QDateTime kStart(QDate(2026, 1, 2), QTime(10, 0), Qt::OffsetFromUTC, 3 * 3600);

bool writeFile(const QString& path, const QByteArray& bytes,
               QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile f(path);
    return f.open(mode) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

History::Entry change(int minute, const char* field, int version, const QString& pdf,
                      const QString& reason)
{
    ReportRecord::PrintValues before, after;
    after.patient = after.conclusion = QStringLiteral("new");
    History::Entry e = History::changes(kStart.addSecs(60 * minute), "Op", before, after)
                           .at(QByteArray(field) == "PatientPrint" ? 0 : 1);
    e.reportVersion = version;
    e.pdf = History::fileHash(pdf);
    e.reason = reason;
    return e;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;

  private slots:
    void oddText_roundTripsOnOneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // as a person reads it in the file
        QTest::newRow("line feed") << "a\nb"
                                   << "a\\nb";
        QTest::newRow("CR LF") << "a\r\nb"
                               << "a\\r\\nb";
        QTest::newRow("tab") << "a\tb"
                             << "a\\tb";
        QTest::newRow("backslash before n") << "C:\\new\\"
                                            << "C:\\\\new\\\\";
        QTest::newRow("quotes") << "\"q\" 'x'"
                                << "\"q\" 'x'";
        QTest::newRow("Cyrillic, no-break space")
            << QString::fromUtf8("Иванов\u00A0И.") << QString::fromUtf8("Иванов\u00A0И.");
        QTest::newRow("empty") << ""
                               << "";
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
        QVERIFY(
            History::append(path, {History::produced(when, text, 18, 20231117, 0x35, text, text)}));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
        QCOMPARE(lines.size(), 3); // two entries, each ended by CR LF
        QCOMPARE(lines[0].section("\tprev=", 0, 0),
                 QString("2026-12-07T10:15:03+01:00\tchanged\t" + stored + "\tPatientPrint\t" +
                         stored + '\t' + stored + '!'));

        const QList<History::Entry> read = History::read(path);
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].kind, History::Entry::Kind::Changed);
        QCOMPARE(QStringList({read[0].operatorName, read[0].oldValue, read[0].newValue}),
                 QStringList({text, text, text + "!"}));
        QCOMPARE(read[0].when, when);
        QCOMPARE(read[1].kind, History::Entry::Kind::Produced);
        QCOMPARE(QStringList({read[1].operatorName, read[1].typeCode, read[1].serial,
                              read[1].version, read[1].folderPath, read[1].folderName}),
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
        QTest::newRow("unknown kind")
            << "2026-01-02T03:04:05+03:00\tdeleted\tA\tPatientPrint\tx\ty" << false;
        QTest::newRow("field missing")
            << "2026-01-02T03:04:05+03:00\tchanged\tA\tPatientPrint\tx" << false;
        QTest::newRow("later field added")
            << "2026-01-02T03:04:05+03:00\tchanged\tA\tPatientPrint\tx\ty\tz" << true;
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
        QVERIFY(QDir().mkpath(m_tmp.filePath("folder.txt")) &&
                History::read(m_tmp.filePath("folder.txt"), &error).isEmpty());
        QVERIFY(!error && error.reading && error.path == m_tmp.filePath("folder.txt"));
    }

    // A history of three versions, then one thing done to it behind the program's back.
    void alteration_isFoundAndNamed_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("named"); // what the message says after "altered: "
        const QString e0 = "the entry of 2026-01-02 10:00:00 +03:00 (Report produced, version 1)";
        const QString e1 =
            "the entry of 2026-01-02 10:01:00 +03:00 (Patient name changed, version 2)";
        const QString e2 = "the entry of 2026-01-02 10:02:00 +03:00 (Lock broken)";
        const QString e3 =
            "the entry of 2026-01-02 10:03:00 +03:00 (Conclusion changed, version 3)";
        const QString apart = " do not follow each other: one of them was changed, or entries "
                              "between them were removed.";
        const QString last =
            " is not the last entry recorded: it was changed, or entries after it were removed.";
        QTest::newRow("untouched") << "none"
                                   << "";
        QTest::newRow("line changed") << "change 1" << e1 + " and " + e2 + apart;
        QTest::newRow("line deleted") << "delete 1" << e0 + " and " + e2 + apart;
        QTest::newRow("first line deleted") << "delete 0"
                                            << e1 + " does not begin the history: entries before "
                                                    "it were removed, or it was changed.";
        QTest::newRow("last line changed") << "change 3" << e3 + last;
        QTest::newRow("last line deleted") << "delete 3" << e2 + last;
        QTest::newRow("line added by hand") << "add"
                                            << "the entry of 2026-01-02 11:00:00 +03:00 (Patient "
                                               "name changed) was changed or added by hand.";
        QTest::newRow("archived PDF replaced")
            << "replace 2"
            << "the PDF of version 2 (%2) is not the one recorded.";
        QTest::newRow("archived PDF removed") << "remove 1"
                                              << "the PDF of version 1 is missing.";
    }
    void alteration_isFoundAndNamed()
    {
        QFETCH(QString, action);
        QFETCH(QString, named);
        const QString folder = m_tmp.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(History::versionsDir(folder)));
        const QString v1 = History::versionsDir(folder) + "/" + History::archiveName(1, kStart);
        const QString v2 =
            History::versionsDir(folder) + "/" + History::archiveName(2, kStart.addSecs(180));
        const QString current = folder + "/current.pdf";
        QVERIFY(writeFile(v1, "%PDF one") && writeFile(v2, "%PDF two") &&
                writeFile(current, "%PDF three"));
        History::Entry produced = History::produced(kStart, "Op", 5, 1, 0x35, "/d", "X.D");
        produced.reportVersion = 1;
        produced.pdf = History::fileHash(v1);
        const QList<History::Entry> entries{
            produced, change(1, "PatientPrint", 2, v2, "Typo\tin\nname"),
            History::lockBroken(kStart.addSecs(120), "Op", "Ann", "ws2", 42, kStart),
            change(3, "ConclusionPrint", 3, current, "Second look")};
        const QString path = History::path(folder);
        QString head;
        QVERIFY(History::append(path, entries, &head));
        const QList<History::Entry> back = History::read(path);
        QCOMPARE(back.size(), 4);
        QCOMPARE(back[1].reason, QStringLiteral("Typo\tin\nname"));
        QCOMPARE(back[2].holderHost, QStringLiteral("ws2"));

        QList<QByteArray> lines = readFile(path).split('\n');
        const int arg = action.section(' ', 1).toInt();
        if (action.startsWith("change"))
            lines[arg].replace("new", "New");
        else if (action.startsWith("delete"))
            lines.removeAt(arg);
        else if (action == "add")
            lines.insert(4, "2026-01-02T11:00:00+03:00\tchanged\tOp\tPatientPrint\ta\tb\r");
        else if (action.startsWith("replace"))
            QVERIFY(writeFile(v2, "%PDF forged"));
        else if (action.startsWith("remove"))
            QVERIFY(QFile::remove(v1));
        QVERIFY(writeFile(path, lines.join('\n')));

        const History::Verdict verdict =
            History::verify(path, head, History::versionFiles(folder, current, 3));
        QCOMPARE(verdict.intact(), named.isEmpty());
        QCOMPARE(History::alteredMessage(verdict, 0),
                 named.isEmpty()
                     ? QString()
                     : "This history has been altered: " + QString(named).replace("%2", v2));
    }

    // A crash inside an append leaves a torn line or half a commit; the next append repairs the
    // one and writes only what is missing of the other.
    void tornLineAndReplay_leaveEachEntryOnce()
    {
        const QString path = m_tmp.filePath("replay.txt");
        const QList<History::Entry> commit =
            History::inTransaction({change(1, "PatientPrint", 2, QString(), "a"),
                                    change(1, "ConclusionPrint", 2, QString(), "a")},
                                   History::newTransaction());
        QVERIFY(History::append(path, {commit[0]}));
        QVERIFY(
            writeFile(path, "2026-01-02T10:05:00+03:00\tchanged\tOp\tPatient", QIODevice::Append));
        QVERIFY(History::verify(path, QString(), {}).intact());
        const QString predicted = History::headAfter(path, commit);
        QString head;
        QVERIFY(History::append(path, commit, &head));
        QCOMPARE(head, predicted);
        const QByteArray once = readFile(path);
        QVERIFY(History::append(path, commit, &head));
        QCOMPARE(readFile(path), once);
        QCOMPARE(History::read(path).size(), 2);
        QVERIFY(!once.contains("10:05:00"));
        QVERIFY(History::verify(path, head, {}).intact());
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
