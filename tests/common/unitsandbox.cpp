#include "unitsandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QUuid>

#include "demodata/demodata.h"
#include "devicesim/devicesimulator.h"
#include "report/reportunit.h"

bool TextPagePrinter::print(const QString& html, const QString&, const QString& pdfPath,
                            QString* reason)
{
    // The page's text goes into the title, where a test reads it without a PDF reader.
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<style.*</style>"),
                                   QRegularExpression::DotMatchesEverythingOption));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    {
        QPdfWriter writer(pdfPath);
        writer.setTitle(text.simplified().left(4000));
        QPainter painter(&writer);
        painter.drawText(QPointF(100, 100), QStringLiteral("report"));
    }
    if (!QFileInfo(pdfPath).size()) {
        *reason = QStringLiteral("nothing printed");
        return false;
    }
    return true;
}

QImage TextPagePrinter::chart(int typeImage, const MarkerTable&)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(typeImage == 2 ? Qt::blue : Qt::white);
    return image;
}

namespace {

QString scratchRoot()
{
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                              : QDir::tempPath();
}

bool copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString target = to + info.absoluteFilePath().mid(from.size());
        if (info.isDir() ? !QDir().mkpath(target) : !QFile::copy(info.absoluteFilePath(), target))
            return false;
    }
    return true;
}

} // namespace

UnitSandbox::UnitSandbox(const UnitSandbox* from)
    : m_dir(scratchRoot() + QStringLiteral("/lab-unit-") +
            QUuid::createUuid().toString(QUuid::Id128))
    , m_data(from ? from->m_data : m_dir + QStringLiteral("/data"))
{
    if (from) {
        m_valid = QDir().mkpath(m_dir) && copyTree(from->m_dir, m_dir);
        m_owned = true;
        return;
    }
    const QDir source(QStringLiteral(LAB_TEST_DATA_DIR "/docs"));
    m_valid = QDir().mkpath(m_dir + QStringLiteral("/docs")) && QDir().mkpath(dataDir());
    for (const QString& name : source.entryList({QStringLiteral("*.html")}, QDir::Files))
        m_valid =
            m_valid && QFile::copy(source.filePath(name), m_dir + QStringLiteral("/docs/") + name);
}

UnitSandbox::UnitSandbox(const QString& existingDir, const QString& dataDir)
    : m_dir(existingDir)
    , m_data(dataDir)
    , m_valid(QFileInfo(existingDir).isDir())
    , m_owned(false)
{}

UnitSandbox::~UnitSandbox()
{
    m_unit.reset();
    if (m_owned)
        QDir(m_dir).removeRecursively();
}

ReportUnit& UnitSandbox::unit()
{
    if (!m_unit) {
        m_unit = std::make_unique<ReportUnit>(m_dir, &m_printer);
        // The operator agrees to break a lock whose program is gone.
        m_unit->setConfirmation([](const QString&) { return true; });
    }
    return *m_unit;
}

ReportUnit& UnitSandbox::restart()
{
    m_unit.reset();
    unit().recoverAll(QStringLiteral("Test Operator"));
    return *m_unit;
}

bool UnitSandbox::addAnalysis(const QString& relative, const QString& patient, const QString& title)
{
    const QFileInfo info(dataDir() + QLatin1Char('/') + relative);
    DemoData::ExportContent content;
    if (!patient.isEmpty())
        content.patient = patient;
    content.title = title;
    return QDir().mkpath(info.path()) &&
           DemoData::writeAnalysis(info.path(), info.fileName(), content);
}

Outcome UnitSandbox::produce(const QString& relative, const QString& reason)
{
    const QFileInfo info(dataDir() + QLatin1Char('/') + relative);
    ReportUnit::Request request;
    request.folderName = info.fileName();
    request.folderPath = info.path();
    request.operatorName = QStringLiteral("Test Operator");
    request.typeCode = 5;
    request.reason = reason;
    const Outcome begun = unit().begin(request);
    if (!begun.ok())
        return begun;
    QVector<quint32> raw;
    for (const QString& v : unit().job().exportData.rawValues)
        raw << v.toUInt();
    QVector<double> results, norms;
    for (const DeviceSimulator::Result& r : DeviceSimulator::compute(raw, request.typeCode)) {
        results << r.result;
        norms << r.reference;
    }
    return unit().resultsIn(results, norms, DeviceSimulator::SerialNumber,
                            DeviceSimulator::Version);
}

QString UnitSandbox::reportFolderOf(const QString& relative) const
{
    const QFileInfo info(dataDir() + QLatin1Char('/') + relative);
    const QString name =
        ReportRecord::findFolder(m_dir + QStringLiteral("/reports"), info.fileName(), info.path());
    return name.isEmpty() ? QString() : m_dir + QStringLiteral("/reports/") + name;
}

Outcome UnitSandbox::changePatient(const QString& relative, const QString& patient,
                                   const QString& reason)
{
    ReportUnit::Change change;
    change.reportFolder = reportFolderOf(relative);
    change.shown = ReportRecord::readPrint(change.reportFolder + QStringLiteral("/report.ini"));
    change.values = change.shown;
    change.values.patient = patient;
    change.operatorName = QStringLiteral("Editing Operator");
    change.reason = reason;
    change.producedTx =
        ReportRecord::readProducedTx(change.reportFolder + QStringLiteral("/report.ini"));
    return unit().apply(change);
}

QString UnitSandbox::pdfOf(const QString& relative)
{
    return unit().pdfPath(QFileInfo(reportFolderOf(relative)).fileName());
}

bool UnitSandbox::finished(const QString& relative)
{
    return unit().isFinished(QFileInfo(reportFolderOf(relative)).fileName());
}

QMap<QString, QByteArray> UnitSandbox::snapshot() const
{
    QMap<QString, QByteArray> files;
    for (const char* dir : {"/reports", "/reportsPDF"}) {
        QDirIterator it(m_dir + QLatin1String(dir), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            files.insert(f.fileName().mid(m_dir.size() + 1),
                         f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
        }
    }
    return files;
}

QString pdfTitle(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray pdf = f.readAll();
    int i = pdf.indexOf("/Title (");
    if (i < 0)
        return QString();
    QByteArray utf16;
    for (i += 8; i < pdf.size() && pdf[i] != ')'; ++i)
        utf16 += pdf[i] == '\\' && i + 1 < pdf.size() ? pdf[++i] : pdf[i];
    if (!utf16.startsWith("\xFE\xFF"))
        return QString::fromLatin1(utf16);
    QString out;
    for (int k = 2; k + 1 < utf16.size(); k += 2)
        out += QChar(ushort((uchar(utf16[k]) << 8) | uchar(utf16[k + 1])));
    return out;
}
