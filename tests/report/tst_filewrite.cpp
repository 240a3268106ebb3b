// The checked writer: every way a write can fail leaves the old file as it was and says
// which file and why.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QtTest>

#include "report/filewrite.h"
#include "report/syscalls.h"

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

} // namespace

class TestFileWrite : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;

    QString at(const QString& relative) const { return m_tmp.filePath(relative); }

  private slots:
    void init()
    {
        QDir(m_tmp.path()).removeRecursively();
        QDir().mkpath(m_tmp.path());
        Sys::inject(Sys::Op::Any, 0);
        QFile f(at("old.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old content");
    }

    void failure_keepsOldFileAndNamesCause_data()
    {
        QTest::addColumn<QString>("obstacle"); // a plain file or a folder placed first
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason"); // English words of the system's reason
        QTest::addColumn<QString>("russian");
        QTest::newRow("folder is a file")
            << "reports"
            << "reports/a"
            << "Not a directory" << QString::fromUtf8("на месте папки находится файл");
        QTest::newRow("file is a folder")
            << "page/"
            << "page"
            << "directory" << QString::fromUtf8("на месте файла находится папка");
    }
    void failure_keepsOldFileAndNamesCause()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QFETCH(QString, russian);
        if (obstacle.endsWith('/'))
            QVERIFY(QDir().mkpath(at(obstacle)));
        else
            QVERIFY(QFile::copy(at("old.txt"), at(obstacle)));
        const QByteArray before = bytesOf(at(obstacle));

        if (obstacle.endsWith('/')) // the folder takes the name of each file below
            QVERIFY(QDir().mkpath(at(target + ".bmp")));
        const QVector<QPair<QString, FileWrite::Result>> results = {
            {at(target), FileWrite::text(at(target), QStringLiteral("x"))},
            {at(target + ".bmp"),
             FileWrite::image(at(target + ".bmp"), QImage(2, 2, QImage::Format_RGB32))}};
        for (const auto& [path, r] : results) {
            QVERIFY(!r);
            QVERIFY2(r.reason.contains(reason, Qt::CaseInsensitive), qPrintable(r.reason));
            QVERIFY(FileWrite::message(r, 0).startsWith(
                QStringLiteral("Could not write \"%1\": %2").arg(path, r.reason)));
            QVERIFY2(FileWrite::message(r, 1).contains(russian),
                     qPrintable(FileWrite::message(r, 1)));
        }
        QCOMPARE(bytesOf(at(obstacle)), before);
        // No temporary file is left behind.
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 obstacle.endsWith('/') ? 1 : 2);
    }

    void makePath_throughAFile_fails()
    {
        QVERIFY(FileWrite::makePath(at("a/b/c")));
        QVERIFY(QFileInfo(at("a/b/c")).isDir());
        const FileWrite::Result r = FileWrite::makePath(at("old.txt/sub"));
        QVERIFY(!r);
        QCOMPARE(r.path, at("old.txt"));
        QCOMPARE(bytesOf(at("old.txt")), QByteArray("old content"));
    }

    void text_isUtf8WithCrLf()
    {
        QVERIFY(FileWrite::text(at("old.txt"), QString::fromUtf8("a\nб\r\nc")));
        QCOMPARE(bytesOf(at("old.txt")), QByteArray("a\r\n\xD0\xB1\r\nc"));
    }

    // Each system call of a replacement failing in turn: the old file stays, no temporary file
    // is left, and the reason reaches the message.
    void failedCall_keepsOldFile_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("write") << int(Sys::Op::Write);
        QTest::newRow("sync") << int(Sys::Op::Sync);
        QTest::newRow("close") << int(Sys::Op::Close);
        QTest::newRow("rename") << int(Sys::Op::Rename);
    }
    void failedCall_keepsOldFile()
    {
        QFETCH(int, op);
        Sys::inject(Sys::Op(op), 1);
        const FileWrite::Result r = FileWrite::text(at("old.txt"), QStringLiteral("new"));
        QVERIFY(!r);
        QCOMPARE(r.path, at("old.txt"));
        QVERIFY(FileWrite::message(r, 1).contains(QString::fromUtf8("ошибка ввода-вывода")));
        QCOMPARE(bytesOf(at("old.txt")), QByteArray("old content"));
        QCOMPARE(QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        // The next write goes through.
        QVERIFY(FileWrite::text(at("old.txt"), QStringLiteral("new")));
        QCOMPARE(bytesOf(at("old.txt")), QByteArray("new"));
    }

    void ini_refusesWhatItCannotReadBack_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("written");
        QTest::newRow("damaged, update") << QByteArray("[ReportData]\nA=1\nkeep me\n")
                                         << int(FileWrite::IniMode::Update) << false;
        QTest::newRow("key that cannot be written back")
            << QByteArray("[ReportData]\nA/=1\n") << int(FileWrite::IniMode::Update) << false;
        QTest::newRow("missing, must exist")
            << QByteArray() << int(FileWrite::IniMode::UpdateExisting) << false;
        QTest::newRow("missing, update") << QByteArray() << int(FileWrite::IniMode::Update) << true;
        QTest::newRow("damaged, replace")
            << QByteArray("[Broken\n") << int(FileWrite::IniMode::Replace) << true;
    }
    void ini_refusesWhatItCannotReadBack()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(bool, written);
        const QString path = at("report.ini");
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const FileWrite::Result r = FileWrite::ini(
            path,
            [](QSettings& s) {
                s.setValue(QStringLiteral("X/Y"), QString::fromUtf8("знач\u00A0ение"));
            },
            FileWrite::IniMode(mode));
        QCOMPARE(bool(r), written);
        if (written) {
            QCOMPARE(QSettings(path, QSettings::IniFormat).value("X/Y").toString(),
                     QString::fromUtf8("знач\u00A0ение"));
        } else {
            QVERIFY(r.reading);
            QVERIFY(FileWrite::message(r, 0).startsWith(QStringLiteral("Could not read")));
            QCOMPARE(bytesOf(path), content.isEmpty() ? QByteArray("<none>") : content);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileWrite)
#include "tst_filewrite.moc"
