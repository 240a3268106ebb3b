// Writes the seed corpora of the fuzz targets (tools/fuzz/corpus/<target>/): transcripts of
// the device simulator, the demo export, report records as the program writes them, and
// excerpts of the report templates. Run it again when one of those changes:
//   cmake --build build-fuzz --target make_fuzz_seeds
//   build-fuzz/tools/fuzz/make_fuzz_seeds tools/fuzz/corpus data/docs
#include "demodata/demodata.h"
#include "device/devicelink.h"
#include "devicesim/devicesimulator.h"
#include "report/markertable.h"
#include "report/reporthtml.h"
#include "report/filewrite.h"
#include "report/reportrecord.h"

#include <QSettings>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

const unsigned char TypeCode = 10; // the calculation type code of fuzz_exchange

bool save(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + name);
    const bool ok =
        f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    std::printf("%s %s/%s (%d bytes)\n", ok ? "wrote" : "FAILED", qPrintable(dir), qPrintable(name),
                int(bytes.size()));
    return ok;
}

// The replies of one exchange as fuzz_exchange reads them: one line each, "~" where the read
// timer expired; with marks, a "#" in place of each checksum tail.
QByteArray transcript(const DeviceSimulator::Faults& faults, bool marks, bool check = false)
{
    DeviceSimulator sim;
    sim.listen();
    sim.setFaults(faults);
    DeviceLink link;
    const quint16 port = sim.port();
    link.setEndpointProvider([port] {
        return DeviceLink::Endpoint{QStringLiteral("127.0.0.1"), port};
    });
    link.setPhaseTimeouts(300, 300, 300);
    QByteArray script;
    bool ended = false;
    QObject::connect(&link, &DeviceLink::lineLogged, [&](const QString& line, bool outgoing) {
        if (outgoing)
            return;
        const bool tail = marks && Framing::checkReply(line);
        script += (tail ? line.left(line.size() - 4) + QLatin1Char('#') : line).toLatin1() + '\n';
    });
    QObject::connect(link.readTimeoutTimer(), &QTimer::timeout, [&] { script += "~\n"; });
    QObject::connect(&link, &DeviceLink::resultsReady, [&] { ended = true; });
    QObject::connect(&link, &DeviceLink::calculationFailed, [&] { ended = true; });
    QStringList raw;
    for (qint64 v : DemoData::ExportContent().values)
        raw << QString::number(v);
    if (check)
        link.startCheck();
    else
        link.startCalculation(raw, TypeCode);
    QDeadlineTimer deadline(20000);
    QTimer wake;
    wake.start(10);
    while (!((ended || check) && link.step() == DeviceLink::Closed) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return script;
}

// Lines as the device sends them, each ended by CR LF.
QByteArray wire(const QByteArray& script, int from, int count)
{
    QList<QByteArray> lines = script.split('\n').mid(from, count);
    return lines.join("\r\n") + "\r\n";
}

void deviceSeeds(const QString& corpus)
{
    using Faults = DeviceSimulator::Faults;
    const QByteArray clean = transcript(Faults(), false);
    save(corpus + QLatin1String("/exchange"), QStringLiteral("clean"), clean);
    Faults echo;
    echo.wrongTypeEcho = true;
    echo.failingAttempts = 1;
    save(corpus + QLatin1String("/exchange"), QStringLiteral("type-echo-retried-marked"),
         transcript(echo, true));
    Faults silent;
    silent.silentIn = DeviceSimulator::Phase::Calculate;
    save(corpus + QLatin1String("/exchange"), QStringLiteral("silent-calculation-marked"),
         transcript(silent, true));

    const QString lines = corpus + QLatin1String("/devicelines");
    save(lines, QStringLiteral("check"), wire(transcript(Faults(), false, true), 0, 3));
    const QList<QByteArray> all = clean.split('\n');
    auto first = [&](const char* prefix) {
        return int(std::find_if(all.begin(), all.end(),
                                [&](const QByteArray& l) { return l.startsWith(prefix); }) -
                   all.begin());
    };
    save(lines, QStringLiteral("read-back"), wire(clean, first("#"), 6) + "@DONE*\r\n");
    save(lines, QStringLiteral("output"), wire(clean, first("@TR-"), 6) + "@DONE*\r\n");
}

void exportSeeds(const QString& corpus)
{
    const QString dir = corpus + QLatin1String("/exportreader");
    save(dir, QStringLiteral("english"), DemoData::makeExport(DemoData::ExportContent()));
    DemoData::ExportContent russian = DemoData::makeContent(DemoData::Language::Russian, 7);
    russian.values.resize(12); // too short: the refusal
    save(dir, QStringLiteral("russian-short"), DemoData::makeExport(russian));
}

QString conclusionFor(unsigned char code, unsigned char language)
{
    MarkerTable table = Markers::buildTable(code, language);
    table[0].highlighted = table[36].highlighted = true;
    return ReportHtml::conclusion(table, code, language);
}

QByteArray record(const QString& dir, unsigned char code, unsigned char language,
                  const QString& patient)
{
    const QString path = dir + QStringLiteral("/report-%1.ini").arg(language);
    FileWrite::ini(path, [&](QSettings& ini) {
        ini.setValue(QStringLiteral("General/FolderPath"), QStringLiteral("/lab/data/2019/03"));
        ReportRecord::putCalculation(ini, QStringLiteral("BL00123"), QStringLiteral("BL00123.D_1"),
                                     Markers::samplePhrase(code, language), patient);
        ReportRecord::putConclusion(ini, conclusionFor(code, language));
        ReportRecord::putReportExist(ini);
    });
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void recordSeeds(const QString& corpus)
{
    QTemporaryDir tmp;
    const QString dir = corpus + QLatin1String("/reportini");
    const QByteArray english = record(tmp.path(), 1, 0, QStringLiteral("Ivanov D.A."));
    save(dir, QStringLiteral("english"), english);
    save(dir, QStringLiteral("russian"), record(tmp.path(), 18, 1, QStringLiteral("Петрова А.С.")));
    const QByteArray values =
        QByteArray("Blood, serum\0@BL 001\0\"Smith\", J.\0first<br>second;\\x41", 54);
    save(dir, QStringLiteral("english-applied"), english + '\0' + values);
}

// The template's lines with placeholders: every kind once, and the first table rows.
QByteArray excerpt(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    static const QRegularExpression kind(QStringLiteral("\\$[A-Za-z_]+"));
    QSet<QString> seen;
    QByteArray out = "<html><body><table>\n";
    int rows = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        bool fresh = false;
        for (auto it = kind.globalMatch(QString::fromUtf8(line)); it.hasNext();) {
            const QString k = it.next().captured();
            fresh |= !seen.contains(k);
            seen.insert(k);
        }
        if (fresh || (line.contains("$Name") && rows++ < 3))
            out += line.trimmed() + '\n';
    }
    return out + "</table></body></html>\n";
}

void htmlSeed(const QString& dir, const QString& name, const QString& docs, uchar flags, uchar code,
              uchar language)
{
    const int type = flags % 3 + 1;
    QStringList names;
    for (const MarkerRow& row : Markers::buildTable(code, language))
        names << row.name;
    QByteArray picks;
    for (int r = 0; r < 58; ++r)
        picks += char(r % 20) + QByteArray(1, char((r * 7) % 20));
    const QList<QByteArray> fields = {QByteArray(1, char(flags)) + char(code),
                                      "Demo Operator",
                                      "07",
                                      "03",
                                      "2019",
                                      "BL00123",
                                      Markers::samplePhrase(code, language).toUtf8(),
                                      "BL00123",
                                      "Ivanov D.A.",
                                      conclusionFor(code, language).toUtf8() + "<br>line two",
                                      excerpt(ReportHtml::templatePath(docs, type, language)),
                                      picks,
                                      names.join(QLatin1Char('\n')).toUtf8()};
    QByteArray bytes;
    for (const QByteArray& field : fields)
        bytes += field + '\0';
    bytes.chop(1);
    save(dir, name, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus dir> <templates dir>\n");
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    const QString docs = QString::fromLocal8Bit(argv[2]);
    deviceSeeds(corpus);
    exportSeeds(corpus);
    recordSeeds(corpus);
    const QString html = corpus + QLatin1String("/reporthtml");
    htmlSeed(html, QStringLiteral("type1-english"), docs, 0, 1, 0);
    htmlSeed(html, QStringLiteral("type3-english-built"), docs, 8, 7, 0);
    htmlSeed(html, QStringLiteral("type2-russian-feces"), docs, 4, 18, 1);
    return 0;
}
